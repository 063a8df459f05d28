// NTrights: grants or revokes one user right for one account in the local security policy.
// Carried by KR8 Finder to give the debug privilege back to the Administrators group.
#include <windows.h>

#include <ntsecapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "repair/ntrights/RightsCommand.h"
#include "sys/win32/Handles.h"

namespace {

using kr8::ntrights::RightsCommand;

// The policy API takes counted UTF-16 strings; right names are plain ASCII.
std::wstring Widened(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

// The account's identifier, in a buffer the caller keeps. Well-known accounts are built from
// their fixed parts (CreateWellKnownSid needs XP); the rest are looked up by name.
bool AccountSid(const std::string& account, std::vector<BYTE>& sid) {
    if (const auto known = kr8::ntrights::WellKnownAccount(account)) {
        SID_IDENTIFIER_AUTHORITY authority = {{0, 0, 0, 0, 0, known->authority}};
        DWORD parts[8] = {};
        if (known->subAuthorities.size() > std::size(parts)) {
            return false;
        }
        std::copy(known->subAuthorities.begin(), known->subAuthorities.end(), parts);
        PSID built = nullptr;
        if (!::AllocateAndInitializeSid(&authority, static_cast<BYTE>(known->subAuthorities.size()),
                                        parts[0], parts[1], parts[2], parts[3], parts[4], parts[5],
                                        parts[6], parts[7], &built)) {
            return false;
        }
        const kr8::UniqueAllocatedSid owned(built);
        sid.assign(static_cast<BYTE*>(built), static_cast<BYTE*>(built) + ::GetLengthSid(built));
        return true;
    }
    sid.assign(SECURITY_MAX_SID_SIZE, 0);
    DWORD sidSize = static_cast<DWORD>(sid.size());
    char domain[256];
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    return ::LookupAccountNameA(nullptr, account.c_str(), sid.data(), &sidSize, domain, &domainSize,
                                &use) != FALSE;
}

// "S-1-5-32-544", so that what the tool acted on can be read from what it says.
std::string SidText(PSID sid) {
    kr8::LocalMemory<char> text;
    if (!::ConvertSidToStringSidA(sid, text.put())) {
        return "?";
    }
    return text.get();
}

std::string ErrorText(DWORD error) {
    kr8::LocalMemory<char> buffer;
    ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(buffer.put()), 0, nullptr);
    std::string message = buffer ? buffer.get() : "unknown error";
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message + " (" + std::to_string(error) + ")";
}

int Apply(const RightsCommand& command) {
    std::vector<BYTE> sid;
    if (!AccountSid(command.account, sid)) {
        std::fprintf(stderr, "NTrights: no account \"%s\": %s\n", command.account.c_str(),
                     ErrorText(::GetLastError()).c_str());
        return kr8::ntrights::kUnknownAccount;
    }
    LSA_OBJECT_ATTRIBUTES attributes = {};
    kr8::UniqueLsaHandle policy;
    const NTSTATUS opened = ::LsaOpenPolicy(
        nullptr, &attributes, POLICY_CREATE_ACCOUNT | POLICY_LOOKUP_NAMES, policy.put());
    if (opened != 0) {
        // A failed open leaves no handle to close, whatever it wrote to the out-parameter.
        policy.release();
        std::fprintf(stderr, "NTrights: cannot open the local security policy: %s\n",
                     ErrorText(::LsaNtStatusToWinError(opened)).c_str());
        return kr8::ntrights::kPolicyFailed;
    }
    std::wstring right = Widened(command.right);
    LSA_UNICODE_STRING rightName;
    rightName.Buffer = &right[0];
    rightName.Length = static_cast<USHORT>(right.size() * sizeof(wchar_t));
    rightName.MaximumLength = rightName.Length;
    const NTSTATUS status =
        command.grant ? ::LsaAddAccountRights(policy.get(), sid.data(), &rightName, 1)
                      : ::LsaRemoveAccountRights(policy.get(), sid.data(), FALSE, &rightName, 1);
    if (status != 0) {
        std::fprintf(stderr, "NTrights: cannot %s %s %s %s: %s\n",
                     command.grant ? "grant" : "revoke", command.right.c_str(),
                     command.grant ? "to" : "from", command.account.c_str(),
                     ErrorText(::LsaNtStatusToWinError(status)).c_str());
        return kr8::ntrights::kPolicyFailed;
    }
    std::printf("NTrights: %s %s %s %s (%s)\n", command.grant ? "granted" : "revoked",
                command.right.c_str(), command.grant ? "to" : "from", command.account.c_str(),
                SidText(sid.data()).c_str());
    return kr8::ntrights::kDone;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto command = kr8::ntrights::ParseRightsCommand(arguments);
    if (!command) {
        std::fputs(kr8::ntrights::kUsage, stderr);
        return kr8::ntrights::kBadArguments;
    }
    return Apply(*command);
}
