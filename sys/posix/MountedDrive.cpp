#include "sys/posix/MountedDrive.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <linux/openat2.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "sys/AsciiCase.h"
#include "sys/Utf.h"
#include "sys/posix/FdIo.h"

namespace kr8 {

namespace {

// NTFS's attribute bits, as ntfs-3g shows them in this extended attribute.
constexpr char kNtfsAttributes[] = "system.ntfs_attrib_be";
constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kReadOnlyHiddenSystem = kReadOnly | 0x2 | 0x4;
constexpr std::uint32_t kArchive = 0x20;

// The fresh file a replacement is written to first: the name it replaces, this, random digits.
constexpr char kFreshInfix[] = ".kr8-new-";

constexpr std::uint64_t kConfined =
    RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;

// The texts of what the drive refused, for the user: the scan was not whole.
constexpr char kNotARegularFile[] = "Not a regular file, so it was left alone: ";
constexpr char kNotAWindowsName[] = "A name Windows cannot hold, so it was skipped, in ";

bool IsStep(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

std::string Identity(const struct stat& st) {
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

class MountedHeldFile final : public HeldFile {
  public:
    explicit MountedHeldFile(UniqueFd fd) : fd_(std::move(fd)) {}
    std::optional<std::string> Bytes() override { return ReadAll(fd_.get()); }

  private:
    UniqueFd fd_;
};

}  // namespace

bool IsWindowsName(const std::string& name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return IsStep(name) && (IsAscii(name) || Utf8FromUtf16(Utf16FromUtf8(name)) == name);
}

// The folder that holds a path's last step, and that step as the disk spells it (as asked when
// it is missing).
struct MountedDrive::Place {
    UniqueFd folder;
    std::string name;
    bool exists = false;
    std::string path;   // as asked, for the texts
    std::string shown;  // the Linux path, for messages
};

MountedDrive::MountedDrive(std::string drive, const std::string& mountRoot, Confinement confinement)
    : drive_(std::move(drive)), confinement_(confinement) {
    const Malloced<char> real(realpath(mountRoot.c_str(), nullptr));
    struct stat st;
    if (!real) {
        return;
    }
    rootPath_ = real.get();
    root_.reset(open(rootPath_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!root_ || fstat(root_.get(), &st) != 0) {
        root_.reset();
        return;
    }
    device_ = st.st_dev;
    if (confinement_ == Confinement::Kernel) {
        // Linux before 5.6 has no openat2; a container's syscall filter may refuse it instead.
        open_how how{};
        how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        how.resolve = kConfined;
        const UniqueFd probe(
            static_cast<int>(syscall(SYS_openat2, root_.get(), ".", &how, sizeof how)));
        if (!probe && (errno == ENOSYS || errno == EPERM)) {
            confinement_ = Confinement::StepByStep;
        }
    }
}

void MountedDrive::PinWindowsFolder(const std::string& windowsFolder, const std::string& diskName) {
    drive_ = windowsFolder.substr(0, 2);
    pinnedWindows_ = windowsFolder.size() > 3 ? windowsFolder.substr(3) : std::string();
    pinnedDisk_ = diskName;
}

void MountedDrive::Problem(const std::string& text) {
    if (told_.insert(text).second) {
        problems_.push_back(text);
    }
}

UniqueFd MountedDrive::OpenStep(int folder, const std::string& name, int flags, mode_t mode) {
    flags |= O_NOFOLLOW | O_CLOEXEC;
    if (confinement_ == Confinement::Kernel) {
        open_how how{};
        how.flags = static_cast<std::uint64_t>(flags);
        how.mode = (flags & O_CREAT) != 0 ? mode : 0;
        how.resolve = kConfined;
        return UniqueFd(
            static_cast<int>(syscall(SYS_openat2, folder, name.c_str(), &how, sizeof how)));
    }
    UniqueFd fd(openat(folder, name.c_str(), flags, mode));
    struct stat st;
    // O_PATH with O_NOFOLLOW opens a link itself; a mount point leads off the disk.
    if (fd && (fstat(fd.get(), &st) != 0 || S_ISLNK(st.st_mode) || st.st_dev != device_)) {
        fd.reset();
        errno = EXDEV;
    }
    return fd;
}

std::optional<std::string> MountedDrive::NameIn(int folder, const std::string& step) {
    struct stat st;
    if (fstatat(folder, step.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return step;
    }
    if (errno != ENOENT || fstat(folder, &st) != 0) {
        return std::nullopt;
    }
    auto cached = folded_.find(Identity(st));
    if (cached == folded_.end()) {
        UniqueFd readable = OpenStep(folder, ".", O_RDONLY | O_DIRECTORY);
        UniqueDir dir(readable ? fdopendir(readable.get()) : nullptr);
        if (!dir) {
            return std::nullopt;
        }
        readable.release();
        std::unordered_map<std::string, std::string> names;
        while (const dirent* entry = readdir(dir.get())) {
            names.emplace(AsciiLowered(entry->d_name), entry->d_name);
        }
        cached = folded_.emplace(Identity(st), std::move(names)).first;
    }
    const auto found = cached->second.find(AsciiLowered(step));
    if (found == cached->second.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<MountedDrive::Place> MountedDrive::Find(const std::string& path, bool lastMustExist,
                                                      bool exactLast) {
    if (!root_ || path.size() < drive_.size() ||
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
        if (!IsStep(steps.back())) {
            return std::nullopt;
        }
        at = end == std::string::npos ? path.size() : end;
    }
    if (steps.empty()) {
        return std::nullopt;
    }
    const bool pinned = !pinnedDisk_.empty() && EqualsIgnoringAsciiCase(steps[0], pinnedWindows_);
    if (pinned) {
        steps[0] = pinnedDisk_;
    }
    Place place;
    place.path = path;
    place.shown = rootPath_ == "/" ? "" : rootPath_;
    place.folder.reset(fcntl(root_.get(), F_DUPFD_CLOEXEC, 0));
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
        const std::optional<std::string> name =
            i == 0 && pinned ? std::optional(steps[0]) : NameIn(place.folder.get(), steps[i]);
        UniqueFd next =
            name ? OpenStep(place.folder.get(), *name, O_PATH | O_DIRECTORY) : UniqueFd();
        struct stat st;
        if (!next || fstat(next.get(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return std::nullopt;
        }
        place.folder = std::move(next);
        place.shown += "/" + *name;
    }
    const std::string& last = steps.back();
    struct stat st;
    std::optional<std::string> name;
    if (exactLast || (pinned && steps.size() == 1)) {
        if (fstatat(place.folder.get(), last.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            name = last;
        }
    } else {
        name = NameIn(place.folder.get(), last);
    }
    place.exists = name.has_value();
    if (!place.exists && lastMustExist) {
        return std::nullopt;
    }
    place.name = name.value_or(last);
    place.shown += "/" + place.name;
    return place;
}

UniqueFd MountedDrive::OpenRegular(const Place& place, int flags, struct stat* st) {
    struct stat before;
    if (fstatat(place.folder.get(), place.name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0) {
        return UniqueFd();
    }
    // Opening a device can act on it, and a FIFO's reader waits for a writer: neither is
    // opened; a file swapped for one meanwhile is opened without waiting and let go.
    if (!S_ISREG(before.st_mode)) {
        Problem(kNotARegularFile + place.path);
        return UniqueFd();
    }
    UniqueFd fd = OpenStep(place.folder.get(), place.name, flags | O_NONBLOCK);
    if (fd && (fstat(fd.get(), st) != 0 || !S_ISREG(st->st_mode) || !SameFile(*st, before))) {
        Problem(kNotARegularFile + place.path);
        return UniqueFd();
    }
    return fd;
}

bool MountedDrive::Exists(const std::string& path) {
    return Find(path, true, false).has_value();
}

std::optional<struct stat> MountedDrive::Status(const std::string& path) {
    const std::optional<Place> place = Find(path, true, false);
    struct stat st;
    if (!place ||
        fstatat(place->folder.get(), place->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return st;
}

std::optional<std::string> MountedDrive::Shown(const std::string& path) {
    const std::optional<Place> place = Find(path, false, false);
    if (!place) {
        return std::nullopt;
    }
    return place->shown;
}

bool MountedDrive::Writable(const std::string& path) {
    const std::optional<Place> place = Find(path, true, false);
    struct statvfs fs;
    struct stat st;
    return place && fstatvfs(root_.get(), &fs) == 0 && (fs.f_flag & ST_RDONLY) == 0 &&
           fstatat(place->folder.get(), place->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(st.st_mode) &&
           faccessat(place->folder.get(), place->name.c_str(), W_OK, AT_SYMLINK_NOFOLLOW) == 0;
}

bool MountedDrive::ExistsExactly(const std::string& path) {
    return Find(path, true, true).has_value();
}

std::optional<std::uint64_t> MountedDrive::FileLength(const std::string& path) {
    const std::optional<Place> place = Find(path, true, false);
    struct stat st;
    if (!place ||
        fstatat(place->folder.get(), place->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::vector<FolderEntry>> MountedDrive::ListFolder(const std::string& folder,
                                                                 const std::string& pattern) {
    const std::optional<Place> place = Find(folder, true, false);
    UniqueFd fd =
        place ? OpenStep(place->folder.get(), place->name, O_RDONLY | O_DIRECTORY) : UniqueFd();
    UniqueDir dir(fd ? fdopendir(fd.get()) : nullptr);
    if (!dir) {
        return std::nullopt;
    }
    fd.release();
    const int dirFd = dirfd(dir.get());
    std::vector<FolderEntry> listed;
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            errno = 0;
            continue;
        }
        if (!IsWindowsName(name)) {
            Problem(kNotAWindowsName + folder + ": " + name);
        } else if (fnmatch(pattern.c_str(), name.c_str(), FNM_NOESCAPE | FNM_CASEFOLD) == 0) {
            FolderEntry item;
            item.name = name;
            struct stat st;
            if (fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                item.isFolder = S_ISDIR(st.st_mode);
                item.length = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
            }
            listed.push_back(std::move(item));
        }
        errno = 0;
    }
    // A listing cut short would read as a folder with fewer files.
    if (errno != 0) {
        return std::nullopt;
    }
    return listed;
}

std::optional<FileRead> MountedDrive::ReadRegularFile(const std::string& path) {
    const std::optional<Place> place = Find(path, true, false);
    FileRead read;
    const UniqueFd fd = place ? OpenRegular(*place, O_RDONLY, &read.st) : UniqueFd();
    std::optional<std::string> bytes = fd ? ReadAll(fd.get()) : std::nullopt;
    if (!bytes) {
        return std::nullopt;
    }
    read.bytes = std::move(*bytes);
    return read;
}

std::optional<std::string> MountedDrive::ReadFileBytes(const std::string& path) {
    std::optional<FileRead> read = ReadRegularFile(path);
    if (!read) {
        return std::nullopt;
    }
    return std::move(read->bytes);
}

std::optional<std::uint32_t> MountedDrive::Attributes(const std::string& path) {
    const std::optional<Place> place = Find(path, true, false);
    struct stat st;
    if (!place ||
        fstatat(place->folder.get(), place->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    const UniqueFd fd = S_ISDIR(st.st_mode)
                            ? OpenStep(place->folder.get(), place->name, O_RDONLY | O_DIRECTORY)
                            : OpenRegular(*place, O_RDONLY, &st);
    if (!fd) {
        return std::nullopt;
    }
    unsigned char bits[4] = {};
    if (fgetxattr(fd.get(), kNtfsAttributes, bits, sizeof bits) == sizeof bits) {
        return static_cast<std::uint32_t>(bits[0]) << 24 |
               static_cast<std::uint32_t>(bits[1]) << 16 |
               static_cast<std::uint32_t>(bits[2]) << 8 | bits[3];
    }
    return (st.st_mode & 0222) == 0 ? kReadOnly : kArchive;
}

bool MountedDrive::SetAttributes(const std::string& path, std::uint32_t attributes) {
    const std::optional<Place> place = Find(path, true, true);
    struct stat st;
    if (!place ||
        fstatat(place->folder.get(), place->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    const UniqueFd fd = S_ISDIR(st.st_mode)
                            ? OpenStep(place->folder.get(), place->name, O_RDONLY | O_DIRECTORY)
                            : OpenRegular(*place, O_RDONLY, &st);
    if (!fd) {
        return false;
    }
    const unsigned char bits[4] = {
        static_cast<unsigned char>(attributes >> 24), static_cast<unsigned char>(attributes >> 16),
        static_cast<unsigned char>(attributes >> 8), static_cast<unsigned char>(attributes)};
    if (fsetxattr(fd.get(), kNtfsAttributes, bits, sizeof bits, XATTR_REPLACE) == 0) {
        return true;
    }
    if (errno != ENOTSUP && errno != ENODATA) {
        return false;
    }
    const mode_t mode =
        (attributes & kReadOnly) != 0 ? (st.st_mode & ~mode_t{0222}) : (st.st_mode | S_IWUSR);
    return fchmod(fd.get(), mode & 07777) == 0;
}

void MountedDrive::ClearReadOnlyHiddenSystem(const std::string& path) {
    const std::optional<std::uint32_t> attributes = Attributes(path);
    if (attributes) {
        SetAttributes(path, *attributes & ~kReadOnlyHiddenSystem);
    }
}

std::optional<std::string> MountedDrive::WindowsPath(const std::string& local) const {
    const Malloced<char> real(realpath(local.c_str(), nullptr));
    if (!real || rootPath_.empty()) {
        return std::nullopt;
    }
    const std::string path = real.get();
    const std::string root = rootPath_ == "/" ? "" : rootPath_;
    if (path.compare(0, root.size(), root) != 0 || path.size() <= root.size() + 1 ||
        path[root.size()] != '/') {
        return std::nullopt;
    }
    std::string windows = drive_;
    std::size_t at = root.size();
    for (bool first = true; at < path.size(); first = false) {
        const std::size_t end = path.find('/', at + 1);
        std::string name = path.substr(at + 1, end == std::string::npos ? end : end - at - 1);
        // The pinned folder's name stands for it alone; a name that is no Windows name (a
        // backslash in it) has no Windows path.
        if (first && !pinnedDisk_.empty() && EqualsIgnoringAsciiCase(name, pinnedWindows_)) {
            if (name != pinnedDisk_) {
                return std::nullopt;
            }
            name = pinnedWindows_;
        }
        if (!IsWindowsName(name)) {
            return std::nullopt;
        }
        windows += "\\" + name;
        at = end == std::string::npos ? path.size() : end;
    }
    return windows;
}

bool MountedDrive::CreateFolder(const std::string& path) {
    const std::optional<Place> place = Find(path, false, false);
    if (!place || place->exists) {
        return false;
    }
    Changed();
    return mkdirat(place->folder.get(), place->name.c_str(), 0755) == 0;
}

bool MountedDrive::RemoveFolder(const std::string& path) {
    const std::optional<Place> place = Find(path, true, true);
    Changed();
    return place && unlinkat(place->folder.get(), place->name.c_str(), AT_REMOVEDIR) == 0;
}

bool MountedDrive::RemoveFile(const std::string& path) {
    const std::optional<Place> place = Find(path, true, true);
    struct stat st;
    if (!place ||
        fstatat(place->folder.get(), place->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        Problem(kNotARegularFile + path);
        return false;
    }
    Changed();
    return unlinkat(place->folder.get(), place->name.c_str(), 0) == 0;
}

bool MountedDrive::WriteFileBytes(const std::string& path, const std::string& bytes) {
    const std::optional<Place> place = Find(path, false, true);
    if (!place) {
        return false;
    }
    if (!place->exists) {
        return CreateNewFile(path, bytes);
    }
    struct stat st;
    const UniqueFd fd = OpenRegular(*place, O_WRONLY, &st);
    // Truncated only once it is known to be the regular file that was looked at.
    return fd && ftruncate(fd.get(), 0) == 0 && WriteAll(fd.get(), bytes);
}

bool MountedDrive::CreateNewFile(const std::string& path, const std::string& bytes) {
    const std::optional<Place> place = Find(path, false, true);
    if (!place || place->exists) {
        return false;
    }
    Changed();
    const UniqueFd fd =
        OpenStep(place->folder.get(), place->name, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (!fd) {
        return false;
    }
    if (!WriteAll(fd.get(), bytes)) {
        unlinkat(place->folder.get(), place->name.c_str(), 0);
        return false;
    }
    return true;
}

std::unique_ptr<HeldFile> MountedDrive::Hold(const std::string& path) {
    const std::optional<Place> place = Find(path, true, false);
    struct stat st;
    UniqueFd fd = place ? OpenRegular(*place, O_RDONLY, &st) : UniqueFd();
    if (!fd) {
        return nullptr;
    }
    return std::make_unique<MountedHeldFile>(std::move(fd));
}

bool MountedDrive::RenameFile(const std::string& from, const std::string& to) {
    const std::optional<Place> source = Find(from, true, true);
    const std::optional<Place> target = Find(to, false, true);
    struct stat st;
    if (!source || !target || target->exists ||
        fstatat(source->folder.get(), source->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        Problem(kNotARegularFile + from);
        return false;
    }
    Changed();
    // A hard link fails on a taken name, where a rename would replace it.
    if (linkat(source->folder.get(), source->name.c_str(), target->folder.get(),
               target->name.c_str(), 0) != 0) {
        return false;
    }
    return unlinkat(source->folder.get(), source->name.c_str(), 0) == 0;
}

std::optional<FileRead> MountedDrive::ReplaceFile(
    const std::string& path, const std::function<bool(const std::string&)>& write) {
    // Found as a read finds it (a hive is "software" to Windows, "SOFTWARE" on the disk): the
    // caller checks that this is the very file it read before anything is written.
    const std::optional<Place> place = Find(path, true, false);
    FileRead old;
    if (!place || !OpenRegular(*place, O_RDONLY, &old.st)) {
        return std::nullopt;
    }
    Changed();
    const int folder = place->folder.get();
    // A name of its own, made with O_EXCL: a stale file or folder of any fixed name blocks nothing.
    std::optional<FreshFile> made = CreateFreshFile(folder, place->name + kFreshInfix, 0600);
    if (!made) {
        return std::nullopt;
    }
    const UniqueFd fd = std::move(made->fd);
    const std::string fresh = made->name;
    FileRead written;
    std::optional<std::string> bytes;
    const UniqueFd readable = OpenStep(folder, ".", O_RDONLY | O_DIRECTORY);
    // The new file is on the disk before it takes the old one's name, and the rename before the
    // caller is told.
    // Made writable for the writer's own open, then given the old file's permissions.
    if (write("/proc/self/fd/" + std::to_string(fd.get())) &&
        fchmod(fd.get(), old.st.st_mode & 07777) == 0 && fsync(fd.get()) == 0 &&
        fstat(fd.get(), &written.st) == 0 && (bytes = ReadAll(fd.get())) && readable &&
        renameat(folder, fresh.c_str(), folder, place->name.c_str()) == 0) {
        // Renamed, the old file is gone whether or not the folder's flush succeeds.
        fsync(readable.get());
        written.bytes = std::move(*bytes);
        return written;
    }
    unlinkat(folder, fresh.c_str(), 0);
    return std::nullopt;
}

}  // namespace kr8
