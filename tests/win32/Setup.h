// Making and reading files behind the seams' backs, through calls of the test's own, so that a
// fault in a seam (or in the path helpers it shares) cannot hide itself in the set-up.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "sys/win32/Handles.h"
#include "sys/win32/Wide.h"

namespace kr8::test {

// The exact long form of an absolute drive path: no trimming of blanks or dots, no length limit.
inline std::wstring Exact(const std::string& path) {
    return L"\\\\?\\" + Wide(path);
}

inline std::optional<std::uint64_t> LengthOnDisk(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(Exact(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// A file built beside the test exe (kr8auto, the rights tool).
inline std::string Beside(const std::string& name) {
    char module[MAX_PATH + 1] = {};
    const std::string path(module, ::GetModuleFileNameA(nullptr, module, MAX_PATH));
    return path.substr(0, path.rfind('\\') + 1) + name;
}

// A folder of one test's own under the temp folder. The run's prefix is thrown away after it,
// and the folders with it.
class TempDir {
  public:
    TempDir() {
        static int serial = 0;
        char temp[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "KR8Test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(++serial);
        ::CreateDirectoryA(path_.c_str(), nullptr);
    }

    const std::string& Path() const { return path_; }
    // A file of length bytes (sparse where the file system allows) with these attributes.
    std::string AddFile(const std::string& name, std::uint64_t length,
                        DWORD attributes = FILE_ATTRIBUTE_NORMAL) const {
        const std::string path = path_ + "\\" + name;
        const UniqueHandle file(::CreateFileW(Exact(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, attributes, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        if (!file || !::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) ||
            !::SetEndOfFile(file.get())) {
            ADD_FAILURE() << "cannot make " << path << ", error " << ::GetLastError();
        }
        return path;
    }
    std::string AddFolder(const std::string& name) const {
        const std::string path = path_ + "\\" + name;
        ::CreateDirectoryW(Exact(path).c_str(), nullptr);
        return path;
    }

  private:
    std::string path_;
};

}  // namespace kr8::test
