#include "remove/win32/KillProcessWin32.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cstring>
#include <exception>
#include <string>

#include "app/Texts.h"
#include "sys/win32/Handles.h"

namespace kr8 {

namespace {

// The access rights an NT-family system up to XP grants as "all access"; later systems accept
// the same mask.
constexpr DWORD kProcessAllAccess = 0x1F0FFF;

bool IsNtFamily() {
    return (::GetVersion() & 0x80000000u) == 0;
}

bool SetDebugPrivilege(HANDLE token, bool on) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    if (!::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
        return false;
    }
    privileges.Privileges[0].Attributes = on ? SE_PRIVILEGE_ENABLED : 0;
    return ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
}

}  // namespace

bool KillProcessById(std::uint32_t processId, std::uint32_t exitCode) {
    const bool nt = IsNtFamily();
    UniqueHandle token;
    if (nt) {
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                token.put())) {
            token.release();
            return false;
        }
        if (!SetDebugPrivilege(token.get(), true)) {
            return false;
        }
    }
    bool ended = false;
    const UniqueHandle process(::OpenProcess(kProcessAllAccess, FALSE, processId));
    if (process) {
        ended = ::TerminateProcess(process.get(), exitCode) != FALSE;
    }
    if (nt) {
        SetDebugPrivilege(token.get(), false);
    }
    return ended;
}

bool KillProcessWin32::KillProcessByName(const std::string& exeName) {
    bool matched = false;
    try {
        const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) {
            return false;
        }
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        const DWORD self = ::GetCurrentProcessId();
        for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
             more = ::Process32Next(snapshot.get(), &entry)) {
            const std::string exeFile(entry.szExeFile,
                                      ::strnlen(entry.szExeFile, sizeof entry.szExeFile));
            // This program never ends itself, whatever name it was given.
            if (entry.th32ProcessID != self && ExeNameMatches(exeFile, exeName)) {
                matched = true;
                KillProcessById(entry.th32ProcessID, 0);
            }
        }
    } catch (const std::exception&) {
        ::MessageBoxA(nullptr, text::kErrorBox, text::kAppTitle, MB_OK);
    }
    return matched;
}

}  // namespace kr8
