#include "sys/posix/MountedDrive.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/FileListBox.h"
#include "sys/AsciiCase.h"

namespace kr8 {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

// NTFS's attribute bits, as ntfs-3g shows them in this extended attribute.
constexpr char kNtfsAttributes[] = "system.ntfs_attrib_be";
constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kReadOnlyHiddenSystem = kReadOnly | 0x2 | 0x4;
constexpr std::uint32_t kArchive = 0x20;

bool IsStep(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// The name folder holds for step: itself, else the first that matches without regard to case.
std::optional<std::string> StepIn(const std::string& folder, const std::string& step) {
    struct stat st;
    if (lstat((folder + "/" + step).c_str(), &st) == 0) {
        return step;
    }
    UniqueDir dir(opendir(folder.c_str()));
    if (!dir) {
        return std::nullopt;
    }
    while (const dirent* entry = readdir(dir.get())) {
        if (EqualsIgnoringAsciiCase(entry->d_name, step)) {
            return std::string(entry->d_name);
        }
    }
    return std::nullopt;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return fsync(fd) == 0;
}

std::optional<std::string> ReadAll(int fd) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

class MountedHeldFile final : public HeldFile {
  public:
    explicit MountedHeldFile(int fd) : fd_(fd) {}
    std::optional<std::string> Bytes() override {
        if (lseek(fd_.get(), 0, SEEK_SET) != 0) {
            return std::nullopt;
        }
        return ReadAll(fd_.get());
    }

  private:
    UniqueFd fd_;
};

}  // namespace

MountedDrive::MountedDrive(std::string drive, std::string mountRoot)
    : drive_(std::move(drive)), root_(std::move(mountRoot)) {
    while (root_.size() > 1 && root_.back() == '/') {
        root_.pop_back();
    }
}

std::optional<std::string> MountedDrive::Local(const std::string& path, bool lastMustExist,
                                               bool followLinks) const {
    if (path.size() < drive_.size() ||
        !EqualsIgnoringAsciiCase(path.substr(0, drive_.size()), drive_)) {
        return std::nullopt;
    }
    std::vector<std::string> steps;
    std::size_t at = drive_.size();
    while (at < path.size()) {
        if (path[at] != '\\') {
            return std::nullopt;
        }
        const std::size_t end = path.find('\\', at + 1);
        steps.push_back(path.substr(at + 1, end == std::string::npos ? end : end - at - 1));
        at = end == std::string::npos ? path.size() : end;
    }
    std::string local = root_;
    for (std::size_t i = 0; i != steps.size(); ++i) {
        if (!IsStep(steps[i])) {
            return std::nullopt;
        }
        std::optional<std::string> found = StepIn(local, steps[i]);
        if (!found) {
            if (i + 1 == steps.size() && !lastMustExist) {
                found = steps[i];
            } else {
                return std::nullopt;
            }
        }
        local += "/" + *found;
        struct stat st;
        if (!followLinks && lstat(local.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            return std::nullopt;
        }
    }
    return local;
}

bool MountedDrive::Exists(const std::string& path) {
    return Local(path).has_value();
}

std::optional<std::uint64_t> MountedDrive::FileLength(const std::string& path) {
    const std::optional<std::string> local = Local(path);
    struct stat st;
    if (!local || stat(local->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::vector<FolderEntry>> MountedDrive::ListFolder(const std::string& folder,
                                                                 const std::string& pattern) {
    const std::optional<std::string> local = Local(folder);
    if (!local) {
        return std::nullopt;
    }
    UniqueDir dir(opendir(local->c_str()));
    if (!dir) {
        return std::nullopt;
    }
    const int dirFd = dirfd(dir.get());
    std::vector<FolderEntry> listed;
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !MatchesPattern(name, pattern)) {
            continue;
        }
        FolderEntry item;
        item.name = name;
        struct stat st;
        if (fstatat(dirFd, entry->d_name, &st, 0) == 0) {
            item.isFolder = S_ISDIR(st.st_mode);
            item.length = item.isFolder ? 0 : static_cast<std::uint64_t>(st.st_size);
        }
        listed.push_back(std::move(item));
        errno = 0;
    }
    // A listing cut short would read as a folder with fewer files.
    if (errno != 0) {
        return std::nullopt;
    }
    return listed;
}

std::optional<std::string> MountedDrive::ReadFileBytes(const std::string& path) {
    const std::optional<std::string> local = Local(path);
    if (!local) {
        return std::nullopt;
    }
    UniqueFd fd(open(local->c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return ReadAll(fd.get());
}

std::optional<std::uint32_t> MountedDrive::Attributes(const std::string& path) const {
    const std::optional<std::string> local = Local(path);
    struct stat st;
    if (!local || stat(local->c_str(), &st) != 0) {
        return std::nullopt;
    }
    unsigned char bits[4] = {};
    if (getxattr(local->c_str(), kNtfsAttributes, bits, sizeof bits) == sizeof bits) {
        return static_cast<std::uint32_t>(bits[0]) << 24 |
               static_cast<std::uint32_t>(bits[1]) << 16 |
               static_cast<std::uint32_t>(bits[2]) << 8 | bits[3];
    }
    return (st.st_mode & 0222) == 0 ? kReadOnly : kArchive;
}

bool MountedDrive::SetAttributes(const std::string& path, std::uint32_t attributes) {
    const std::optional<std::string> local = Local(path, true, false);
    struct stat st;
    if (!local || stat(local->c_str(), &st) != 0) {
        return false;
    }
    const unsigned char bits[4] = {
        static_cast<unsigned char>(attributes >> 24), static_cast<unsigned char>(attributes >> 16),
        static_cast<unsigned char>(attributes >> 8), static_cast<unsigned char>(attributes)};
    if (setxattr(local->c_str(), kNtfsAttributes, bits, sizeof bits, XATTR_REPLACE) == 0) {
        return true;
    }
    if (errno != ENOTSUP && errno != ENODATA) {
        return false;
    }
    const mode_t mode =
        (attributes & kReadOnly) != 0 ? (st.st_mode & ~mode_t{0222}) : (st.st_mode | S_IWUSR);
    return chmod(local->c_str(), mode & 07777) == 0;
}

void MountedDrive::ClearReadOnlyHiddenSystem(const std::string& path) {
    const std::optional<std::uint32_t> attributes = Attributes(path);
    if (attributes) {
        SetAttributes(path, *attributes & ~kReadOnlyHiddenSystem);
    }
}

bool MountedDrive::RemoveFolder(const std::string& path) {
    const std::optional<std::string> local = Local(path, true, false);
    return local && rmdir(local->c_str()) == 0;
}

std::optional<std::string> MountedDrive::WindowsPath(const std::string& local) const {
    char* real = realpath(local.c_str(), nullptr);
    char* realRoot = realpath(root_.c_str(), nullptr);
    const std::string path = real != nullptr ? real : "";
    const std::string root = realRoot != nullptr ? realRoot : "";
    std::free(real);
    std::free(realRoot);
    if (root.empty() || path.compare(0, root.size(), root) != 0 ||
        (path.size() > root.size() && path[root.size()] != '/' && root != "/")) {
        return std::nullopt;
    }
    std::string windows = drive_;
    for (char c : path.substr(root == "/" ? 0 : root.size())) {
        // A backslash inside a Linux name has no Windows path.
        if (c == '\\') {
            return std::nullopt;
        }
        windows += c == '/' ? '\\' : c;
    }
    return windows;
}

bool MountedDrive::CreateFolder(const std::string& path) {
    const std::optional<std::string> local = Local(path, false, false);
    return local && !Local(path).has_value() && mkdir(local->c_str(), 0755) == 0;
}

bool MountedDrive::RemoveFile(const std::string& path) {
    const std::optional<std::string> local = Local(path, true, false);
    return local && unlink(local->c_str()) == 0;
}

bool MountedDrive::WriteFileBytes(const std::string& path, const std::string& bytes) {
    const std::optional<std::string> local = Local(path, false, false);
    if (!local) {
        return false;
    }
    UniqueFd fd(open(local->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    return fd.get() >= 0 && WriteAll(fd.get(), bytes);
}

bool MountedDrive::CreateNewFile(const std::string& path, const std::string& bytes) {
    const std::optional<std::string> local = Local(path, false, false);
    // Another spelling of a name that is there is taken too, as on Windows.
    if (!local || Local(path).has_value()) {
        return false;
    }
    UniqueFd fd(open(local->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
        return false;
    }
    if (!WriteAll(fd.get(), bytes)) {
        unlink(local->c_str());
        return false;
    }
    return true;
}

std::unique_ptr<HeldFile> MountedDrive::Hold(const std::string& path) {
    const std::optional<std::string> local = Local(path);
    if (!local) {
        return nullptr;
    }
    const int fd = open(local->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<MountedHeldFile>(fd);
}

bool MountedDrive::RenameFile(const std::string& from, const std::string& to) {
    const std::optional<std::string> source = Local(from, true, false);
    const std::optional<std::string> target = Local(to, false, false);
    if (!source || !target || Local(to).has_value()) {
        return false;
    }
    // A hard link fails on a taken name, where a rename would replace it.
    if (link(source->c_str(), target->c_str()) != 0) {
        return false;
    }
    return unlink(source->c_str()) == 0;
}

}  // namespace kr8
