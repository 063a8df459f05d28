#include "sys/win32/FileSystemWin32.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstring>

#include "sys/win32/Handles.h"

namespace kr8 {

namespace {

// A path with a NUL in it would reach the ANSI calls cut short and name another file.
bool Addressable(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

std::uint64_t LengthOf(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

}  // namespace

bool FileSystemWin32::Exists(const std::string& path) {
    return Addressable(path) && ::PathFileExistsA(path.c_str()) != FALSE;
}

std::optional<std::uint64_t> FileSystemWin32::FileLength(const std::string& path) {
    // The attributes come from the folder entry: opening the file could be refused while the
    // adware holds it, and would touch its access time.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Addressable(path) || !::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return LengthOf(data.nFileSizeHigh, data.nFileSizeLow);
}

std::vector<FolderEntry> FileSystemWin32::ListFolder(const std::string& folder,
                                                     const std::string& pattern) {
    std::vector<FolderEntry> files;
    // An empty folder would make the search run in the current drive's root.
    if (!Addressable(folder) || !Addressable(pattern)) {
        return files;
    }
    const std::string search = folder + "\\" + pattern;
    WIN32_FIND_DATAA found;
    const UniqueFindHandle find(::FindFirstFileA(search.c_str(), &found));
    if (!find) {
        return files;
    }
    do {
        const std::string name(found.cFileName, ::strnlen(found.cFileName, MAX_PATH));
        if (name == "." || name == "..") {
            continue;
        }
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        files.push_back(
            {name, isFolder ? 0 : LengthOf(found.nFileSizeHigh, found.nFileSizeLow), isFolder});
    } while (::FindNextFileA(find.get(), &found));
    return files;
}

std::optional<std::string> FileSystemWin32::ReadFileBytes(const std::string& path) {
    if (!Addressable(path)) {
        return std::nullopt;
    }
    const UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    // Only files we could compare in memory: the one we read is a small program of ours.
    constexpr LONGLONG kLargest = 64 * 1024 * 1024;
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargest) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

void FileSystemWin32::ClearReadOnlyHiddenSystem(const std::string& path) {
    if (!Addressable(path)) {
        return;
    }
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    constexpr DWORD kProtective =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((attributes & kProtective) != 0) {
        DWORD kept = attributes & ~kProtective;
        ::SetFileAttributesA(path.c_str(), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept);
    }
}

bool FileSystemWin32::RemoveFile(const std::string& path) {
    return Addressable(path) && ::DeleteFileA(path.c_str()) != FALSE;
}

bool FileSystemWin32::WriteFileBytes(const std::string& path, const std::string& bytes) {
    if (!Addressable(path) || bytes.size() > MAXDWORD) {
        return false;
    }
    const UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    const auto size = static_cast<DWORD>(bytes.size());
    return ::WriteFile(file.get(), bytes.data(), size, &written, nullptr) != FALSE &&
           written == size;
}

bool FileSystemWin32::CreateNewFile(const std::string& path, const std::string& bytes) {
    if (!Addressable(path) || bytes.size() > MAXDWORD) {
        return false;
    }
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    const auto size = static_cast<DWORD>(bytes.size());
    if (::WriteFile(file.get(), bytes.data(), size, &written, nullptr) && written == size) {
        return true;
    }
    // The file is ours: a partial one must not be left for the next run to find.
    file.reset();
    ::DeleteFileA(path.c_str());
    return false;
}

namespace {

class HeldFileWin32 final : public HeldFile {
  public:
    explicit HeldFileWin32(UniqueHandle file) : file_(std::move(file)) {}
    std::optional<std::string> Bytes() override {
        LARGE_INTEGER size;
        constexpr LONGLONG kLargest = 64 * 1024 * 1024;
        if (!::GetFileSizeEx(file_.get(), &size) || size.QuadPart > kLargest ||
            ::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
            return std::nullopt;
        }
        std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        if (!bytes.empty() &&
            (!::ReadFile(file_.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
             got != bytes.size())) {
            return std::nullopt;
        }
        return bytes;
    }

  private:
    UniqueHandle file_;
};

}  // namespace

std::unique_ptr<HeldFile> FileSystemWin32::Hold(const std::string& path) {
    if (!Addressable(path)) {
        return nullptr;
    }
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return nullptr;
    }
    return std::make_unique<HeldFileWin32>(std::move(file));
}

bool FileSystemWin32::RenameFile(const std::string& from, const std::string& to) {
    return Addressable(from) && Addressable(to) && ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool FileSystemWin32::ReplaceAtRestart(const std::string& from, const std::string& to) {
    return Addressable(from) && Addressable(to) &&
           ::MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

}  // namespace kr8
