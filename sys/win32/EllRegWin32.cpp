#include "sys/win32/EllRegWin32.h"

#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sys/RegText.h"
#include "sys/win32/Handles.h"

namespace kr8 {

namespace {

// The predefined keys are pseudo-handles whose numbers differ between 32- and 64-bit builds'
// HKEY widths, so they are looked up rather than made from the enum's number.
HKEY RootKey(RegRoot root) {
    switch (root) {
        case RegRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
    }
    return nullptr;
}

// The ANSI calls take names as C strings: one with a NUL in it would reach the call cut short
// and address a different key or value, which a delete must never do.
bool Addressable(const std::string& name) {
    return name.find('\0') == std::string::npos;
}

using KeyStep = LONG (*)(HKEY parent, const char* subKey, HKEY* opened);

LONG OpenStep(HKEY parent, const char* subKey, HKEY* opened) {
    return ::RegOpenKeyA(parent, subKey, opened);
}

LONG CreateStep(HKEY parent, const char* subKey, HKEY* opened) {
    return ::RegCreateKeyA(parent, subKey, opened);
}

LONG OpenAllAccessStep(HKEY parent, const char* subKey, HKEY* opened) {
    return ::RegOpenKeyExA(parent, subKey, 0, KEY_ALL_ACCESS, opened);
}

// Wine's ANSI registry calls convert a key path in a fixed buffer of 260 UTF-16 units and fail
// longer ones, while one key name under Winlogon\Notify may be 255 characters by itself. Longer
// paths are therefore taken a piece at a time, each piece ending before a backslash, which names
// the same key; paths that fit go to the platform in one call, as they are.
constexpr std::size_t kPathPiece = 255;

UniqueHKey OpenPath(HKEY root, const std::string& path, KeyStep step) {
    UniqueHKey key;
    if (path.size() <= kPathPiece) {
        if (step(root, path.c_str(), key.put()) != ERROR_SUCCESS) {
            // A failed open leaves no handle to close, whatever it wrote to the out-parameter.
            key.release();
        }
        return key;
    }
    std::size_t at = 0;
    while (at < path.size()) {
        std::size_t end = path.size();
        if (end - at > kPathPiece) {
            const std::size_t cut = path.rfind('\\', at + kPathPiece);
            if (cut != std::string::npos && cut >= at) {
                end = cut;
            } else {
                // One name longer than a piece: the platform judges it whole.
                end = std::min(path.find('\\', at), path.size());
            }
        }
        const std::string piece = path.substr(at, end - at);
        at = end + 1;
        // An empty piece would answer the parent's own handle, owned twice below.
        if (piece.empty()) {
            continue;
        }
        UniqueHKey next;
        if (step(key ? key.get() : root, piece.c_str(), next.put()) != ERROR_SUCCESS) {
            next.release();
            return UniqueHKey();
        }
        key = std::move(next);
    }
    return key;
}

UniqueHKey OpenKey(RegRoot root, const std::string& keyPath, KeyStep step = OpenStep) {
    const HKEY rootKey = RootKey(root);
    if (rootKey == nullptr || !Addressable(keyPath)) {
        return UniqueHKey();
    }
    return OpenPath(rootKey, keyPath, step);
}

// The key to read the item at index from; none for a negative index.
UniqueHKey OpenToEnumerate(RegRoot root, const std::string& keyPath, std::int32_t index) {
    return index < 0 ? UniqueHKey() : OpenKey(root, keyPath);
}

DWORD NumberIn(const std::string& text) {
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
}

// Enough to outgrow a value that is being made longer while it is read, not enough to spin.
constexpr int kEnumAttempts = 4;

}  // namespace

std::string EllRegWin32::ReadRegValue(RegRoot root, const std::string& keyPath,
                                      const std::string& valueName) {
    const UniqueHKey key = OpenKey(root, keyPath);
    if (!key || !Addressable(valueName)) {
        return kNotFound;
    }
    std::string buffer(kRegBufferSize, ' ');
    DWORD type = REG_NONE;
    DWORD size = kRegBufferSize;
    if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(&buffer[0]), &size) != ERROR_SUCCESS) {
        return kNotFound;
    }
    buffer.resize(std::min<DWORD>(size, kRegBufferSize));
    return TrimTrailingBlanks(RegDataText(type, buffer, BinaryAs::Hex));
}

void EllRegWin32::WriteRegValue(RegRoot root, const std::string& keyPath,
                                const std::string& valueName, std::uint32_t type,
                                const std::string& value) {
    if (!Addressable(valueName)) {
        return;
    }
    const UniqueHKey key = OpenKey(root, keyPath, CreateStep);
    if (!key) {
        return;
    }
    if (type == RegType::Dword) {
        const DWORD number = NumberIn(value);
        ::RegSetValueExA(key.get(), valueName.c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&number), sizeof number);
    } else {
        const std::size_t count = value.size() + (type == RegType::Sz ? 1 : 0);
        if (count > MAXDWORD) {
            return;
        }
        // RegSetValueExA looks at the byte after the data it is given, and when that is a NUL
        // it stores the NUL as well (NT does the same). A non-NUL byte there keeps the text to
        // its own bytes for every type but Sz.
        std::string bytes = value;
        bytes.push_back(type == RegType::Sz ? '\0' : '#');
        ::RegSetValueExA(key.get(), valueName.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(count));
    }
    ::RegFlushKey(key.get());
}

std::optional<std::string> EllRegWin32::GetSubKeyName(RegRoot root, const std::string& keyPath,
                                                      std::int32_t index) {
    const UniqueHKey key = OpenToEnumerate(root, keyPath, index);
    if (!key) {
        return std::nullopt;
    }
    std::vector<char> name(kRegBufferSize, '\0');
    if (::RegEnumKeyA(key.get(), static_cast<DWORD>(index), name.data(), kRegBufferSize) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(name.data(), ::strnlen(name.data(), name.size()));
}

std::optional<ValueEntry> EllRegWin32::GetValueEntry(RegRoot root, const std::string& keyPath,
                                                     std::int32_t index) {
    const UniqueHKey key = OpenToEnumerate(root, keyPath, index);
    if (!key) {
        return std::nullopt;
    }
    std::vector<char> name(kRegBufferSize);
    std::vector<BYTE> data(kRegBufferSize);
    for (int attempt = 0; attempt < kEnumAttempts; ++attempt) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG result = ::RegEnumValueA(key.get(), static_cast<DWORD>(index), name.data(),
                                            &nameLength, nullptr, &type, data.data(), &dataLength);
        if (result == ERROR_SUCCESS) {
            ValueEntry entry;
            entry.type = type;
            entry.name.assign(name.data(), std::min<std::size_t>(nameLength, name.size()));
            const std::string bytes(reinterpret_cast<const char*>(data.data()),
                                    std::min<std::size_t>(dataLength, data.size()));
            entry.data = RegDataText(type, bytes, BinaryAs::Characters);
            return entry;
        }
        if (result != ERROR_MORE_DATA) {
            return std::nullopt;
        }
        // Too long for the buffers: a value the adware made long on purpose must not end the
        // enumeration early and hide the values after it. The key's maxima are counted in
        // UTF-16, and one of those units can take two ANSI bytes, hence the doubling.
        DWORD maxName = 0;
        DWORD maxData = 0;
        if (::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
            maxName = 0;
            maxData = 0;
        }
        const std::size_t wantName =
            std::max<std::size_t>(name.size() * 2, std::size_t{maxName} * 2 + 2);
        const std::size_t wantData = std::max<std::size_t>(
            {data.size() * 2, std::size_t{maxData} * 2 + 2, std::size_t{dataLength}});
        if (wantName > MAXDWORD || wantData > MAXDWORD) {
            return std::nullopt;
        }
        name.assign(wantName, '\0');
        data.assign(wantData, 0);
    }
    return std::nullopt;
}

void EllRegWin32::DeleteRegKey(RegRoot root, const std::string& keyPath) {
    const HKEY rootKey = RootKey(root);
    // A path of nothing but backslashes would name the root key itself.
    if (rootKey == nullptr || keyPath.find_first_not_of('\\') == std::string::npos ||
        !Addressable(keyPath)) {
        return;
    }
    UniqueHKey top;
    if (::RegOpenKeyExA(rootKey, "", 0, KEY_ALL_ACCESS, top.put()) != ERROR_SUCCESS) {
        top.release();
        return;
    }
    if (keyPath.size() <= kPathPiece) {
        ::SHDeleteKeyA(top.get(), keyPath.c_str());
        return;
    }
    // Too long for one call: the key goes by its name from its parent, opened in pieces.
    const std::size_t last = keyPath.find_last_not_of('\\');
    const std::size_t slash = keyPath.rfind('\\', last);
    if (slash == std::string::npos) {
        ::RegDeleteKeyA(top.get(), keyPath.c_str());
        return;
    }
    const UniqueHKey parent = OpenPath(top.get(), keyPath.substr(0, slash), OpenAllAccessStep);
    if (parent) {
        ::RegDeleteKeyA(parent.get(), keyPath.substr(slash + 1, last - slash).c_str());
    }
}

bool EllRegWin32::KeyExists(RegRoot root, const std::string& keyPath) {
    return static_cast<bool>(OpenKey(root, keyPath));
}

bool EllRegWin32::ValueExists(RegRoot root, const std::string& keyPath,
                              const std::string& valueName) {
    const UniqueHKey key = OpenKey(root, keyPath);
    return key && Addressable(valueName) &&
           ::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
}

void EllRegWin32::DeleteRegValue(RegRoot root, const std::string& keyPath,
                                 const std::string& valueName) {
    const UniqueHKey key = OpenKey(root, keyPath);
    if (!key || !Addressable(valueName)) {
        return;
    }
    ::RegDeleteValueA(key.get(), valueName.c_str());
}

}  // namespace kr8
