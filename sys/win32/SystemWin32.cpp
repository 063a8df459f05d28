#include "sys/win32/SystemWin32.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "sys/win32/Wide.h"

namespace kr8 {

namespace {

// The folder calls answer the length copied, or the size they would need (its NUL included)
// when the buffer is too small; they are asked again with that size until the path fits.
template <typename Query>
std::wstring WholeAnswer(Query query) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const auto size = static_cast<DWORD>(buffer.size());
        const DWORD length = query(buffer.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            return std::wstring(buffer.data(), length);
        }
        buffer.assign(length + 1, L'\0');
    }
    return {};
}

std::string Folder(std::wstring path) {
    // Callers append "\name" themselves.
    if (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    return Narrow(path);
}

}  // namespace

std::int32_t OS_DetectWin32::GetPlatformId() {
    OSVERSIONINFOW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExW(&info)) {
        return 0;
    }
    return static_cast<std::int32_t>(info.dwPlatformId);
}

std::string CommonFunctionWin32::GetWindowsFolder() {
    return Folder(WholeAnswer(
        [](wchar_t* buffer, DWORD size) { return ::GetWindowsDirectoryW(buffer, size); }));
}

std::string CommonFunctionWin32::GetSystemFolder() {
    return Folder(WholeAnswer(
        [](wchar_t* buffer, DWORD size) { return ::GetSystemDirectoryW(buffer, size); }));
}

std::string CommonFunctionWin32::GetTempFolder() {
    const std::wstring given =
        WholeAnswer([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); });
    if (given.empty()) {
        return "";
    }
    // The variable may hold a relative path, forward slashes or dots, which the exact long form
    // of the paths built on it would not resolve.
    const std::wstring full = WholeAnswer([&given](wchar_t* buffer, DWORD size) {
        return ::GetFullPathNameW(given.c_str(), size, buffer, nullptr);
    });
    if (full.empty()) {
        return "";
    }
    // A folder that is not there would have the scan and the log look elsewhere.
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return "";
    }
    return Folder(full);
}

std::string CommonFunctionWin32::GetShortPath(const std::string& path) {
    if (!Addressable(path)) {
        return "";
    }
    const std::wstring given = Wide(path);
    const std::wstring wide = LongPath(given);
    const std::wstring shortPath = WholeAnswer([&wide](wchar_t* buffer, DWORD size) {
        return ::GetShortPathNameW(wide.c_str(), buffer, size);
    });
    if (shortPath.empty()) {
        return "";
    }
    // Given back in the form it was asked in.
    const bool lengthened = wide.size() != given.size();
    return Narrow(lengthened ? PlainPath(shortPath) : shortPath);
}

}  // namespace kr8
