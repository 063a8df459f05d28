#include "sys/win32/FileSystemWin32.h"

#include <windows.h>

#include <cwchar>

#include "sys/win32/Handles.h"
#include "sys/win32/Wide.h"

namespace kr8 {

namespace {

std::uint64_t LengthOf(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// The answers that mean nothing is at the path. Any other failure (a denied access, a sharing
// violation) says nothing about it, and a file that might be there is never reported gone.
bool MeansAbsent(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return true;
        default:
            return false;
    }
}

// Only files we could compare in memory: the one we read is a small program of ours.
constexpr LONGLONG kLargestRead = 64 * 1024 * 1024;

std::optional<std::string> ReadWhole(HANDLE file) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file, &size) || size.QuadPart > kLargestRead ||
        ::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteWhole(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    const auto size = static_cast<DWORD>(bytes.size());
    return ::WriteFile(file, bytes.data(), size, &written, nullptr) != FALSE && written == size;
}

// Marks an open file for deletion through its own handle, so that nothing put at its name in
// the meantime is removed instead. ntdll has the call on every NT.
void DeleteThroughHandle(HANDLE file) {
    struct IoStatus {
        void* status;
        ULONG_PTR information;
    };
    using SetInformationFile = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
    constexpr int kFileDispositionInformation = 13;
    static const auto setInformation = reinterpret_cast<SetInformationFile>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtSetInformationFile")));
    if (setInformation != nullptr) {
        IoStatus status{};
        BOOLEAN remove = TRUE;
        setInformation(file, &status, &remove, sizeof remove, kFileDispositionInformation);
    }
}

}  // namespace

bool FileSystemWin32::Exists(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return true;
    }
    if (!Addressable(path)) {
        return false;
    }
    return ::GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES ||
           !MeansAbsent(::GetLastError());
}

std::optional<std::uint64_t> FileSystemWin32::FileLength(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return std::nullopt;
    }
    // The attributes come from the folder entry: opening the file could be refused while the
    // adware holds it, and would touch its access time.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Addressable(path) ||
        !::GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return LengthOf(data.nFileSizeHigh, data.nFileSizeLow);
}

std::optional<std::vector<FolderEntry>> FileSystemWin32::ListFolder(const std::string& folder,
                                                                    const std::string& pattern) {
    HeldSteps held;
    if (!Reachable(folder, held)) {
        return std::nullopt;
    }
    std::vector<FolderEntry> files;
    // An empty folder would make the search run in the current drive's root.
    if (!Addressable(folder) || !Addressable(pattern)) {
        return std::nullopt;
    }
    const std::wstring search = LongPath(folder + "\\" + pattern);
    WIN32_FIND_DATAW found;
    const UniqueFindHandle find(::FindFirstFileW(search.c_str(), &found));
    if (!find) {
        // Only "no name matches" is an answer; a missing or forbidden folder is none.
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
            return files;
        }
        return std::nullopt;
    }
    do {
        const std::size_t length = ::wcsnlen(found.cFileName, MAX_PATH);
        if ((length == 1 && found.cFileName[0] == L'.') ||
            (length == 2 && found.cFileName[0] == L'.' && found.cFileName[1] == L'.')) {
            continue;
        }
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        files.push_back({Narrow(found.cFileName, length),
                         isFolder ? 0 : LengthOf(found.nFileSizeHigh, found.nFileSizeLow),
                         isFolder});
    } while (::FindNextFileW(find.get(), &found));
    return files;
}

std::optional<std::string> FileSystemWin32::ReadFileBytes(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return std::nullopt;
    }
    if (!Addressable(path)) {
        return std::nullopt;
    }
    const UniqueHandle file(::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    return ReadWhole(file.get());
}

void FileSystemWin32::ClearReadOnlyHiddenSystem(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return;
    }
    if (!Addressable(path)) {
        return;
    }
    const std::wstring wide = LongPath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    constexpr DWORD kProtective =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((attributes & kProtective) != 0) {
        DWORD kept = attributes & ~kProtective;
        ::SetFileAttributesW(wide.c_str(), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept);
    }
}

bool FileSystemWin32::RemoveFile(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return false;
    }
    return Addressable(path) && ::DeleteFileW(LongPath(path).c_str()) != FALSE;
}

bool FileSystemWin32::WriteFileBytes(const std::string& path, const std::string& bytes) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return false;
    }
    if (!Addressable(path) || bytes.size() > MAXDWORD) {
        return false;
    }
    const UniqueHandle file(::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteWhole(file.get(), bytes);
}

bool FileSystemWin32::CreateNewFile(const std::string& path, const std::string& bytes) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return false;
    }
    if (!Addressable(path) || bytes.size() > MAXDWORD) {
        return false;
    }
    const UniqueHandle file(::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE | DELETE, 0,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    if (WriteWhole(file.get(), bytes)) {
        return true;
    }
    // The file is ours: a partial one must not be left for the next run to find.
    DeleteThroughHandle(file.get());
    return false;
}

namespace {

class HeldFileWin32 final : public HeldFile {
  public:
    explicit HeldFileWin32(UniqueHandle file) : file_(std::move(file)) {}
    std::optional<std::string> Bytes() override { return ReadWhole(file_.get()); }

  private:
    UniqueHandle file_;
};

}  // namespace

std::unique_ptr<HeldFile> FileSystemWin32::Hold(const std::string& path) {
    HeldSteps held;
    if (!Reachable(path, held)) {
        return nullptr;
    }
    if (!Addressable(path)) {
        return nullptr;
    }
    // Others may read it (the program is started from it), nobody may write, rename or delete
    // it; and an open that others already hold for writing fails here.
    UniqueHandle file(::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return nullptr;
    }
    return std::make_unique<HeldFileWin32>(std::move(file));
}

bool FileSystemWin32::RenameFile(const std::string& from, const std::string& to) {
    HeldSteps heldFrom;
    HeldSteps heldTo;
    return Reachable(from, heldFrom) && Reachable(to, heldTo) && Addressable(from) &&
           Addressable(to) && ::MoveFileW(LongPath(from).c_str(), LongPath(to).c_str()) != FALSE;
}

bool FileSystemWin32::ReplaceAtRestart(const std::string& from, const std::string& to) {
    // The restart would be this Windows' own.
    return target_ == nullptr && Addressable(from) && Addressable(to) &&
           ::MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

}  // namespace kr8
