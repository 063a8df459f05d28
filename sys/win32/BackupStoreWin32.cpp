#include "sys/win32/BackupStoreWin32.h"

#include <windows.h>

#include <cstdio>

#include "sys/win32/Wide.h"

namespace kr8 {

namespace {

// A name with a NUL in it would reach these calls cut short and name something else.
bool Addressable(const std::wstring& name) {
    return name.find(L'\0') == std::wstring::npos;
}

}  // namespace

std::string BackupStoreWin32::LocalTimeName() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char name[32];
    std::snprintf(name, sizeof name, "%04u-%02u-%02u %02u.%02u.%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return name;
}

bool BackupStoreWin32::CreateFolder(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return false;
    }
    const std::wstring wide = LongPath(path);
    return Addressable(wide) && ::CreateDirectoryW(wide.c_str(), nullptr) != FALSE;
}

bool BackupStoreWin32::RemoveFolder(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return false;
    }
    const std::wstring wide = LongPath(path);
    return Addressable(wide) && ::RemoveDirectoryW(wide.c_str()) != FALSE;
}

std::optional<std::uint32_t> BackupStoreWin32::Attributes(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return std::nullopt;
    }
    const std::wstring wide = LongPath(path);
    const DWORD attributes =
        Addressable(wide) ? ::GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return attributes;
}

bool BackupStoreWin32::SetAttributes(const std::string& path, std::uint32_t attributes) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return false;
    }
    const std::wstring wide = LongPath(path);
    return Addressable(wide) &&
           ::SetFileAttributesW(wide.c_str(),
                                attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != FALSE;
}

}  // namespace kr8
