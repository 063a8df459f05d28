#include "sys/win32/BackupStoreWin32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "sys/win32/EllRegWin32.h"
#include "sys/win32/Handles.h"
#include "sys/win32/Wide.h"

namespace kr8 {

namespace {

// A name with a NUL in it would reach these calls cut short and name something else.
bool Addressable(const std::wstring& name) {
    return name.find(L'\0') == std::wstring::npos;
}

UniqueHKey Open(RegRoot root, const std::wstring& path, REGSAM access, DWORD options = 0) {
    UniqueHKey key;
    if (!Addressable(path) ||
        ::RegOpenKeyExW(RootKey(root), path.c_str(), options, access, key.put()) != ERROR_SUCCESS) {
        key.release();
    }
    return key;
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
    const std::wstring wide = LongPath(path);
    return Addressable(wide) && ::CreateDirectoryW(wide.c_str(), nullptr) != FALSE;
}

bool BackupStoreWin32::RemoveFolder(const std::string& path) {
    const std::wstring wide = LongPath(path);
    return Addressable(wide) && ::RemoveDirectoryW(wide.c_str()) != FALSE;
}

std::optional<std::uint32_t> BackupStoreWin32::Attributes(const std::string& path) {
    const std::wstring wide = LongPath(path);
    const DWORD attributes =
        Addressable(wide) ? ::GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return attributes;
}

bool BackupStoreWin32::SetAttributes(const std::string& path, std::uint32_t attributes) {
    const std::wstring wide = LongPath(path);
    return Addressable(wide) &&
           ::SetFileAttributesW(wide.c_str(),
                                attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != FALSE;
}

bool BackupStoreWin32::CreateKey(RegRoot root, const std::string& keyPath) {
    const std::wstring path = Wide(keyPath);
    UniqueHKey key;
    if (!Addressable(path) ||
        ::RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        key.release();
        return false;
    }
    return true;
}

bool BackupStoreWin32::SetValue(RegRoot root, const std::string& keyPath,
                                const RegValueBytes& value) {
    const UniqueHKey key = Open(root, Wide(keyPath), KEY_SET_VALUE);
    const std::wstring name = Wide(value.name);
    if (!key || !Addressable(name) || value.bytes.size() > MAXDWORD) {
        return false;
    }
    // For the string types the call looks at the character after the data, and when that is a
    // NUL it stores it too (NT does the same): a text saved without its NUL would come back
    // with one. Two stop bytes keep the data to exactly its own bytes, odd lengths included.
    const std::string stopped = value.bytes + "##";
    const auto* data = reinterpret_cast<const BYTE*>(stopped.data());
    return ::RegSetValueExW(key.get(), name.c_str(), 0, value.type, data,
                            static_cast<DWORD>(value.bytes.size())) == ERROR_SUCCESS &&
           ::RegFlushKey(key.get()) == ERROR_SUCCESS;
}

}  // namespace kr8
