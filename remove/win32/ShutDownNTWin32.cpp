#include "remove/win32/ShutDownNTWin32.h"

#include "sys/win32/Handles.h"

namespace kr8 {

bool IsWindowsNT() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ::GetVersionExW(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void EnableShutdownPrivilege() {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            token.put())) {
        token.release();
        return;
    }
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        return;
    }
    TOKEN_PRIVILEGES previous = {};
    DWORD previousLength = sizeof previous;
    ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof previous, &previous,
                            &previousLength);
}

void ShutDownNTWin32::RebootWindows(bool force) {
    if (IsWindowsNT()) {
        EnableShutdownPrivilege();
    }
    exitWindows_(RestartFlags(force), 0);
}

}  // namespace kr8
