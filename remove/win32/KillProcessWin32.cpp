#include "remove/win32/KillProcessWin32.h"

// psapi.dll's own entry point, which Windows 2000 has; newer headers would name kernel32's
// K32GetModuleBaseNameW, which only Windows 7 has.
#define PSAPI_VERSION 1

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "remove/win32/ShutDownNTWin32.h"
#include "sys/win32/Handles.h"
#include "sys/win32/Wide.h"

namespace kr8 {

namespace {

bool SetDebugPrivilege(HANDLE token, bool on) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    if (!::LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
        return false;
    }
    privileges.Privileges[0].Attributes = on ? SE_PRIVILEGE_ENABLED : 0;
    return ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
}

// The debug privilege, switched on for as long as the object lives: the adware's host runs as
// another user, whose processes only it opens.
class DebugPrivilege {
  public:
    DebugPrivilege() {
        if (!IsWindowsNT() ||
            !::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                token_.put())) {
            token_.release();
            return;
        }
        on_ = SetDebugPrivilege(token_.get(), true);
    }
    ~DebugPrivilege() {
        if (on_) {
            SetDebugPrivilege(token_.get(), false);
        }
    }
    DebugPrivilege(const DebugPrivilege&) = delete;
    DebugPrivilege& operator=(const DebugPrivilege&) = delete;

  private:
    UniqueHandle token_;
    bool on_ = false;
};

// The program the process runs, read from the process itself: its module list gives the name.
// A 64-bit process cannot be read that way by this 32-bit one; for it the system's own record
// of the path is asked, on the systems that have both kinds (Vista on).
std::string ImageName(HANDLE process) {
    std::vector<wchar_t> name(32768);
    const auto size = static_cast<DWORD>(name.size());
    DWORD length = ::GetModuleBaseNameW(process, nullptr, name.data(), size);
    if (length == 0) {
        using QueryName = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
        static const auto queryName = reinterpret_cast<QueryName>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
        length = size;
        if (queryName == nullptr || !queryName(process, 0, name.data(), &length)) {
            length = 0;
        }
    }
    return Narrow(name.data(), ::wcsnlen(name.data(), std::min(length, size)));
}

}  // namespace

bool EndProcessIfNamed(std::uint32_t processId, const std::string& exeName,
                       std::uint32_t exitCode) {
    const DebugPrivilege privilege;
    const UniqueHandle process(::OpenProcess(
        PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    // The snapshot is a moment past: the process may have ended and its id gone to another.
    // Only the one held open now, still running the program of that name, is ended.
    return process && ExeNameMatches(ImageName(process.get()), exeName) &&
           ::TerminateProcess(process.get(), exitCode) != FALSE;
}

bool KillProcessWin32::KillProcessByName(const std::string& exeName) {
    const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return false;
    }
    bool matched = false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const std::string exeFile =
            Narrow(entry.szExeFile, ::wcsnlen(entry.szExeFile, sizeof entry.szExeFile / 2));
        // This program never ends itself, whatever name it was given.
        if (entry.th32ProcessID != self && ExeNameMatches(exeFile, exeName)) {
            matched = true;
            EndProcessIfNamed(entry.th32ProcessID, exeName, 0);
        }
    }
    return matched;
}

}  // namespace kr8
