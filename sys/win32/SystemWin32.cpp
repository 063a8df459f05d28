#include "sys/win32/SystemWin32.h"

#include <windows.h>

#include <cstring>

namespace kr8 {

namespace {

constexpr UINT kFolderBuffer = 255;
constexpr DWORD kTempBuffer = 100;
// The short-path buffer is one byte larger than announced, a margin against a call that
// writes its NUL one past the count it was given.
constexpr DWORD kShortPathAnnounced = 164;

// The folder calls answer the length copied, or the size they would need when the buffer is
// too small; only the first kind leaves a whole path in the buffer.
template <typename Query>
std::string FolderFrom(Query query) {
    char buffer[kFolderBuffer] = {};
    const UINT length = query(buffer, kFolderBuffer);
    if (length == 0 || length >= kFolderBuffer) {
        return "";
    }
    return std::string(buffer, length);
}

}  // namespace

std::int32_t OS_DetectWin32::GetPlatformId() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info)) {
        return 0;
    }
    return static_cast<std::int32_t>(info.dwPlatformId);
}

std::string CommonFunctionWin32::GetWindowsFolder() {
    return FolderFrom([](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); });
}

std::string CommonFunctionWin32::GetSystemFolder() {
    return FolderFrom([](char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); });
}

std::string CommonFunctionWin32::GetTempFolder() {
    char buffer[kTempBuffer + 1] = {};
    const DWORD length = ::GetTempPathA(kTempBuffer, buffer);
    if (length == 0 || length >= kTempBuffer) {
        return "";
    }
    std::string folder(buffer, ::strnlen(buffer, length));
    // Callers append "\name" themselves.
    if (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

std::string CommonFunctionWin32::GetShortPath(const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        return "";
    }
    char buffer[kShortPathAnnounced + 1] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), buffer, kShortPathAnnounced);
    if (length == 0 || length > kShortPathAnnounced) {
        return "";
    }
    return std::string(buffer, length);
}

}  // namespace kr8
