#include "sys/win32/LoadedHive.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sys/AsciiCase.h"
#include "sys/win32/Handles.h"
#include "sys/win32/Wide.h"

namespace kr8 {

namespace {

// Every run's mount is this, its process id and the time that process started: a mount of
// which no process with that id and start runs is a leftover, however soon ids are reused.
constexpr char kMountPrefix[] = "KR8Offline-";

std::string MountName(DWORD id, HANDLE process) {
    FILETIME created{};
    FILETIME unused[3];
    if (process == nullptr ||
        !::GetProcessTimes(process, &created, &unused[0], &unused[1], &unused[2])) {
        return "";
    }
    const std::uint64_t time =
        (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return kMountPrefix + std::to_string(id) + "-" + std::to_string(time);
}

bool ProcessRuns(const std::string& mount) {
    const DWORD id = std::strtoul(mount.c_str() + sizeof kMountPrefix - 1, nullptr, 10);
    const UniqueHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id));
    return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT &&
           EqualsIgnoringAsciiCase(MountName(id, process.get()), mount);
}

}  // namespace

bool EnableHivePrivileges() {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            token.put())) {
        token.release();
        return false;
    }
    for (const wchar_t* name : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        // The call succeeds when it enabled none of them, and says so only in the last error.
        if (!::LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) ||
            !::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) ||
            ::GetLastError() != ERROR_SUCCESS) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<LoadedHive> LoadedHive::Load(const std::string& hiveFile, long* error) {
    const std::string mount = MountName(::GetCurrentProcessId(), ::GetCurrentProcess());
    const LONG result =
        ::RegLoadKeyW(HKEY_LOCAL_MACHINE, Wide(mount).c_str(), Wide(hiveFile).c_str());
    *error = result;
    if (result != ERROR_SUCCESS) {
        // A refused load may still leave an empty key of that name behind.
        ::RegUnLoadKeyW(HKEY_LOCAL_MACHINE, Wide(mount).c_str());
        return nullptr;
    }
    return std::unique_ptr<LoadedHive>(new LoadedHive(mount));
}

LoadedHive::~LoadedHive() {
    ::RegUnLoadKeyW(HKEY_LOCAL_MACHINE, Wide(mount_).c_str());
}

void LoadedHive::UnloadLeftovers() {
    // The names first: each unload would shift the indexes of the ones after it.
    std::vector<std::wstring> leftovers;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        const LONG result = ::RegEnumKeyExW(HKEY_LOCAL_MACHINE, index, name, &length, nullptr,
                                            nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS) {
            continue;
        }
        const std::string found = Narrow(name, length);
        if (!StartsWithIgnoringAsciiCase(found, kMountPrefix)) {
            continue;
        }
        if (!ProcessRuns(found)) {
            leftovers.emplace_back(name, length);
        }
    }
    for (const std::wstring& leftover : leftovers) {
        ::RegUnLoadKeyW(HKEY_LOCAL_MACHINE, leftover.c_str());
    }
}

}  // namespace kr8
