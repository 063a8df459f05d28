#include "sys/image/ImageDrive.h"

#include <fnmatch.h>

#include <utility>

#include "sys/AsciiCase.h"

namespace kr8 {

namespace {

constexpr char kNotAWindowsName[] = "A name Windows cannot hold, so it was skipped, in ";
constexpr char kFolderUnreadable[] =
    "A folder of the image could not be read, so nothing in it was checked: ";
constexpr char kTooLong[] = "A file too long to be a registry hive, so it was not read: ";
// No registry hive comes near this; a file claiming more is not read into memory.
constexpr std::uint64_t kLongestFileRead = std::uint64_t{1} << 30;

bool IsStep(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('\0') == std::string::npos;
}

}  // namespace

ImageDrive::ImageDrive(std::shared_ptr<ImageVolume> volume) : volume_(std::move(volume)) {}

void ImageDrive::PinWindowsFolder(const std::string& windowsFolder, const std::string& diskName) {
    drive_ = windowsFolder.substr(0, 2);
    pinnedWindows_ = windowsFolder.size() > 3 ? windowsFolder.substr(3) : std::string();
    pinnedDisk_ = diskName;
}

std::optional<std::vector<std::string>> ImageDrive::Steps(const std::string& path) const {
    if (path.size() < drive_.size() ||
        !EqualsIgnoringAsciiCase(path.substr(0, drive_.size()), drive_)) {
        return std::nullopt;
    }
    std::vector<std::string> steps;
    for (std::size_t at = drive_.size(); at < path.size();) {
        if (path[at] != '\\') {
            return std::nullopt;
        }
        const std::size_t end = std::min(path.find('\\', at + 1), path.size());
        steps.push_back(path.substr(at + 1, end - at - 1));
        if (!IsStep(steps.back())) {
            return std::nullopt;
        }
        at = end;
    }
    if (!steps.empty() && !pinnedDisk_.empty() &&
        EqualsIgnoringAsciiCase(steps[0], pinnedWindows_)) {
        steps[0] = pinnedDisk_;
    }
    return steps;
}

std::optional<ImageVolume::Entry> ImageDrive::Find(const std::string& path) {
    const std::optional<std::vector<std::string>> steps = Steps(path);
    if (!steps || steps->empty()) {
        return std::nullopt;
    }
    std::size_t unreadable = 0;
    std::optional<ImageVolume::Entry> entry = volume_->Find(*steps, &unreadable);
    if (!entry && unreadable != 0) {
        std::string folder = drive_;
        for (std::size_t i = 0; i < unreadable; ++i) {
            folder += "\\" + (i == 0 && !pinnedWindows_.empty() && steps->at(0) == pinnedDisk_
                                  ? pinnedWindows_
                                  : steps->at(i));
        }
        Problem(kFolderUnreadable + folder);
    }
    return entry;
}

void ImageDrive::Problem(const std::string& text) {
    if (told_.insert(text).second) {
        problems_.push_back(text);
    }
}

bool ImageDrive::Exists(const std::string& path) {
    return Find(path).has_value();
}

struct stat ImageDrive::StatusOf(const ImageVolume::Entry& entry) const {
    struct stat st {};
    st.st_dev = static_cast<dev_t>(volume_->Number());
    st.st_ino = static_cast<ino_t>(entry.address);
    st.st_mode = entry.folder ? S_IFDIR | 0555 : S_IFREG | 0444;
    st.st_size = static_cast<off_t>(entry.length);
    return st;
}

std::optional<struct stat> ImageDrive::Status(const std::string& path) {
    const std::optional<ImageVolume::Entry> entry = Find(path);
    return entry ? std::optional(StatusOf(*entry)) : std::nullopt;
}

std::optional<std::string> ImageDrive::Shown(const std::string& path) {
    const std::optional<std::vector<std::string>> steps = Steps(path);
    if (!steps) {
        return std::nullopt;
    }
    std::string shown = volume_->ImagePath();
    if (volume_->Number() != 0) {
        shown += ", partition " + std::to_string(volume_->Number());
    }
    shown += ":";
    std::vector<std::string> walked;
    for (const std::string& step : *steps) {
        walked.push_back(step);
        const std::optional<ImageVolume::Entry> entry = volume_->Find(walked);
        shown += "/" + (entry ? entry->name : step);
    }
    return shown;
}

std::optional<std::uint64_t> ImageDrive::FileLength(const std::string& path) {
    const std::optional<ImageVolume::Entry> entry = Find(path);
    if (!entry || entry->folder) {
        return std::nullopt;
    }
    return entry->length;
}

std::optional<std::vector<FolderEntry>> ImageDrive::ListFolder(const std::string& folder,
                                                               const std::string& pattern) {
    const std::optional<ImageVolume::Entry> entry = Find(folder);
    const ImageVolume::Listing* listing =
        entry && entry->folder ? volume_->List(entry->address) : nullptr;
    if (listing == nullptr) {
        return std::nullopt;
    }
    std::vector<FolderEntry> listed;
    for (const ImageVolume::Entry& item : listing->entries) {
        if (!IsWindowsName(item.name)) {
            Problem(kNotAWindowsName + folder + ": " + item.name);
        } else if (fnmatch(pattern.c_str(), item.name.c_str(), FNM_NOESCAPE | FNM_CASEFOLD) == 0) {
            listed.push_back({item.name, item.length, item.folder});
        }
    }
    return listed;
}

std::optional<FileRead> ImageDrive::ReadRegularFile(const std::string& path) {
    const std::optional<ImageVolume::Entry> entry = Find(path);
    if (!entry || entry->folder) {
        return std::nullopt;
    }
    if (entry->length > kLongestFileRead) {
        Problem(kTooLong + path);
        return std::nullopt;
    }
    std::optional<std::string> bytes = volume_->Read(*entry, kLongestFileRead);
    if (!bytes) {
        return std::nullopt;
    }
    return FileRead{std::move(*bytes), StatusOf(*entry)};
}

std::optional<std::string> ImageDrive::ReadFileBytes(const std::string& path) {
    std::optional<FileRead> read = ReadRegularFile(path);
    if (!read) {
        return std::nullopt;
    }
    return std::move(read->bytes);
}

}  // namespace kr8
