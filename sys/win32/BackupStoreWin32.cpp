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

// A key tree is read as a delete removes it: a link key itself (its own value is all it holds),
// never the tree it points at, which is not the adware's.
UniqueHKey Open(RegRoot root, const std::wstring& path, REGSAM access, DWORD options = 0) {
    UniqueHKey key;
    if (!Addressable(path) ||
        ::RegOpenKeyExW(RootKey(root), path.c_str(), options, access, key.put()) != ERROR_SUCCESS) {
        key.release();
    }
    return key;
}

// Enough to outgrow a value that is being made longer while it is read, not enough to spin.
constexpr int kReadAttempts = 4;

// The value at index, or nothing: done is set when the key has no more.
std::optional<RegValueBytes> EnumValue(HKEY key, DWORD index, bool& done) {
    DWORD maxName = 0;
    DWORD maxData = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG result = ::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                            data.data(), &dataLength);
        if (result == ERROR_SUCCESS) {
            return RegValueBytes{
                Narrow(name.data(), nameLength), type,
                std::string(reinterpret_cast<const char*>(data.data()), dataLength)};
        }
        if (result == ERROR_NO_MORE_ITEMS) {
            done = true;
            return std::nullopt;
        }
        if (result != ERROR_MORE_DATA) {
            return std::nullopt;
        }
        name.assign(name.size() * 2 + 256, L'\0');
        data.assign(std::max<std::size_t>(data.size() * 2, dataLength + 2), 0);
    }
    return std::nullopt;
}

std::optional<std::vector<std::wstring>> SubKeyNames(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        // 255 characters is the longest key name the registry keeps.
        wchar_t name[512];
        DWORD length = sizeof name / sizeof name[0];
        const LONG result =
            ::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            return names;
        }
        if (result != ERROR_SUCCESS) {
            return std::nullopt;
        }
        names.emplace_back(name, length);
    }
}

bool ExportTree(RegRoot root, const std::wstring& path, std::vector<RegKeyBytes>& keys) {
    const UniqueHKey key = Open(root, path, KEY_READ, REG_OPTION_OPEN_LINK);
    if (!key) {
        return false;
    }
    RegKeyBytes exported{root, Narrow(path.data(), path.size()), {}};
    for (DWORD index = 0;; ++index) {
        bool done = false;
        auto value = EnumValue(key.get(), index, done);
        if (done) {
            break;
        }
        if (!value) {
            return false;
        }
        exported.values.push_back(std::move(*value));
    }
    keys.push_back(std::move(exported));
    const auto names = SubKeyNames(key.get());
    if (!names) {
        return false;
    }
    for (const std::wstring& name : *names) {
        if (!ExportTree(root, path + L"\\" + name, keys)) {
            return false;
        }
    }
    return true;
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

std::optional<std::vector<RegKeyBytes>> BackupStoreWin32::ExportKey(RegRoot root,
                                                                    const std::string& keyPath) {
    std::vector<RegKeyBytes> keys;
    if (!ExportTree(root, Wide(keyPath), keys)) {
        return std::nullopt;
    }
    return keys;
}

std::optional<RegValueBytes> BackupStoreWin32::ExportValue(RegRoot root, const std::string& keyPath,
                                                           const std::string& valueName) {
    const UniqueHKey key = Open(root, Wide(keyPath), KEY_QUERY_VALUE);
    const std::wstring name = Wide(valueName);
    if (!key || !Addressable(name)) {
        return std::nullopt;
    }
    std::vector<BYTE> data(256);
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = REG_NONE;
        DWORD length = static_cast<DWORD>(data.size());
        const LONG result =
            ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &length);
        if (result == ERROR_SUCCESS) {
            return RegValueBytes{valueName, type,
                                 std::string(reinterpret_cast<const char*>(data.data()), length)};
        }
        if (result != ERROR_MORE_DATA) {
            return std::nullopt;
        }
        data.assign(std::max<std::size_t>(data.size() * 2, length + 2), 0);
    }
    return std::nullopt;
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
