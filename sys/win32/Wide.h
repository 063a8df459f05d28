// The Win32 layer talks to the system in UTF-16 and to the rest of the program in UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "sys/Utf.h"

namespace kr8 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t is one UTF-16 unit");

inline std::wstring Wide(const std::string& utf8) {
    const std::u16string units = Utf16FromUtf8(utf8);
    return std::wstring(units.begin(), units.end());
}

inline std::string Narrow(const wchar_t* text, std::size_t length) {
    // Most names are ASCII, and a folder listing converts tens of thousands of them.
    std::string ascii(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] >= 0x80) {
            return Utf8FromUtf16(std::u16string(text, text + length));
        }
        ascii[i] = static_cast<char>(text[i]);
    }
    return ascii;
}

inline std::string Narrow(const std::wstring& text) {
    return Narrow(text.data(), text.size());
}

// No Windows name holds a NUL: a path with one would reach the system cut short and name another
// file.
inline bool Addressable(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

// Whether the path holds a step that only the system's own clean-up resolves: a forward slash,
// or a "." or ".." name. No listed file is named so; a path a person typed may be.
inline bool NeedsResolving(const std::wstring& path) {
    if (path.find(L'/') != std::wstring::npos) {
        return true;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') {
            const std::wstring_view name(path.data() + start, i - start);
            if (name == L"." || name == L"..") {
                return true;
            }
            start = i + 1;
        }
    }
    return false;
}

// The form of an absolute path that the system takes as it is: no length limit, and no trimming
// of a trailing blank or dot, which would make the path name another file. Other paths (relative
// ones, those already in a device form, and typed ones that need resolving) are left alone.
inline std::wstring LongPath(std::wstring wide) {
    if (NeedsResolving(wide)) {
        return wide;
    }
    if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') {
        return L"\\\\?\\" + wide;
    }
    if (wide.size() >= 3 && wide[0] == L'\\' && wide[1] == L'\\') {
        if (wide[2] == L'?' || wide[2] == L'.') {
            return wide;
        }
        return L"\\\\?\\UNC\\" + wide.substr(2);
    }
    return wide;
}

inline std::wstring LongPath(const std::string& path) {
    return LongPath(Wide(path));
}

// Undoes LongPath on a path the system gave back in that form.
inline std::wstring PlainPath(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        return L"\\\\" + path.substr(8);
    }
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        return path.substr(4);
    }
    return path;
}

}  // namespace kr8
