#include "sys/image/DiskImage.h"

#include <utility>

#include "sys/AsciiCase.h"
#include "sys/image/PartitionNumbers.h"

namespace kr8 {

namespace {

// The texts of what could not be opened, for the user.
constexpr char kImageUnreadable[] = "The disk image cannot be opened: ";
constexpr char kNoWindowsFileSystem[] = "no FAT or NTFS file system libtsk can read";

// Below this entry NTFS keeps its own files ($MFT, $Bitmap, $Extend, …) and nothing else.
constexpr TSK_INUM_T kNtfsFirstUserEntry = 24;
// A file is read in pieces of this size.
constexpr std::size_t kReadChunk = 1 << 20;

std::string Lower(std::string name) {
    for (char& c : name) {
        c = AsciiLower(c);
    }
    return name;
}

std::string TskError() {
    const char* text = tsk_error_get();
    std::string error = text != nullptr ? text : "";
    tsk_error_reset();
    return error;
}

}  // namespace

std::shared_ptr<DiskImage> DiskImage::Open(const std::string& path, std::string* why) {
    auto image = std::make_shared<DiskImage>();
    image->path_ = path;
    // libtsk opens every kind for reading only; an E01's other segments are found beside it.
    image->image_.reset(tsk_img_open_utf8_sing(path.c_str(), TSK_IMG_TYPE_DETECT, 0));
    if (!image->image_) {
        *why = kImageUnreadable + path + " (" + TskError() + ")";
        return nullptr;
    }
    const UniqueTskVolumes volumes(tsk_vs_open(image->image_.get(), 0, TSK_VS_TYPE_DETECT));
    if (!volumes) {
        // No partition table: the image is one partition's copy.
        tsk_error_reset();
        image->partitions_.push_back(Partition{});
        return image;
    }
    const TSK_VS_INFO* vs = volumes.get();
    std::vector<VolumeSlot> slots;
    for (TSK_PNUM_T i = 0; i < vs->part_count; ++i) {
        const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs, i);
        slots.push_back(
            {part->table_num, part->slot_num, (part->flags & TSK_VS_PART_FLAG_ALLOC) != 0});
    }
    const VolumeKind kind = vs->vstype == TSK_VS_TYPE_DOS   ? VolumeKind::Mbr
                            : vs->vstype == TSK_VS_TYPE_GPT ? VolumeKind::Gpt
                                                            : VolumeKind::Other;
    const std::vector<int> numbers = LinuxPartitionNumbers(kind, slots);
    for (TSK_PNUM_T i = 0; i < vs->part_count; ++i) {
        if (numbers[i] == 0) {
            continue;
        }
        const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs, i);
        Partition partition;
        partition.number = numbers[i];
        partition.offset = static_cast<std::uint64_t>(vs->offset) +
                           static_cast<std::uint64_t>(part->start) * vs->block_size;
        partition.description = part->desc != nullptr ? part->desc : "";
        image->partitions_.push_back(std::move(partition));
    }
    return image;
}

std::shared_ptr<ImageVolume> DiskImage::OpenVolume(const Partition& partition, std::string* why) {
    // Only the two file systems Windows 2000 and XP install on are tried: no other parser meets
    // the image.
    for (const TSK_FS_TYPE_ENUM type : {TSK_FS_TYPE_NTFS_DETECT, TSK_FS_TYPE_FAT_DETECT}) {
        UniqueTskFs fs(
            tsk_fs_open_img(image_.get(), static_cast<TSK_OFF_T>(partition.offset), type));
        if (fs) {
            tsk_error_reset();
            return std::make_shared<ImageVolume>(shared_from_this(), std::move(fs),
                                                 partition.number);
        }
        tsk_error_reset();
    }
    *why = kNoWindowsFileSystem;
    return nullptr;
}

ImageVolume::ImageVolume(std::shared_ptr<DiskImage> image, UniqueTskFs fs, int number)
    : image_(std::move(image)), fs_(std::move(fs)), number_(number) {
    root_.address = fs_.get()->root_inum;
    root_.folder = true;
}

const ImageVolume::Listing* ImageVolume::List(TSK_INUM_T folder) {
    auto kept = listings_.find(folder);
    if (kept != listings_.end()) {
        return kept->second ? &*kept->second : nullptr;
    }
    std::optional<Listing> listing;
    const UniqueTskFolder dir(tsk_fs_dir_open_meta(fs_.get(), folder));
    if (dir) {
        listing.emplace();
        const bool ntfs = TSK_FS_TYPE_ISNTFS(fs_.get()->ftype);
        const std::size_t count = tsk_fs_dir_getsize(dir.get());
        for (std::size_t i = 0; i < count; ++i) {
            const TSK_FS_NAME* name = tsk_fs_dir_get_name(dir.get(), i);
            // Deleted names, libtsk's made-up entries, NTFS's own files and the links up are
            // nothing Windows lists.
            if (name == nullptr || name->name == nullptr ||
                (name->flags & TSK_FS_NAME_FLAG_ALLOC) == 0 ||
                name->type == TSK_FS_NAME_TYPE_VIRT || name->type == TSK_FS_NAME_TYPE_VIRT_DIR ||
                (ntfs && name->meta_addr < kNtfsFirstUserEntry)) {
                continue;
            }
            const std::string text = name->name;
            if (text.empty() || text == "." || text == "..") {
                continue;
            }
            Entry entry;
            entry.name = text;
            entry.address = name->meta_addr;
            entry.folder = name->type == TSK_FS_NAME_TYPE_DIR;
            const UniqueTskFile file(tsk_fs_dir_get(dir.get(), i));
            if (file && file.get()->meta != nullptr) {
                const TSK_FS_META* meta = file.get()->meta;
                entry.folder = meta->type == TSK_FS_META_TYPE_DIR;
                entry.length = meta->type == TSK_FS_META_TYPE_REG && meta->size > 0
                                   ? static_cast<std::uint64_t>(meta->size)
                                   : 0;
            }
            listing->exact.emplace(entry.name, listing->entries.size());
            listing->folded.emplace(Lower(entry.name), listing->entries.size());
            listing->entries.push_back(std::move(entry));
        }
    }
    tsk_error_reset();
    kept = listings_.emplace(folder, std::move(listing)).first;
    return kept->second ? &*kept->second : nullptr;
}

std::optional<ImageVolume::Entry> ImageVolume::Find(const std::vector<std::string>& steps) {
    Entry at = root_;
    for (const std::string& step : steps) {
        const Listing* listing = at.folder ? List(at.address) : nullptr;
        if (listing == nullptr) {
            return std::nullopt;
        }
        auto found = listing->exact.find(step);
        if (found == listing->exact.end()) {
            found = listing->folded.find(Lower(step));
            if (found == listing->folded.end()) {
                return std::nullopt;
            }
        }
        at = listing->entries[found->second];
    }
    return at;
}

std::optional<std::string> ImageVolume::Read(const Entry& file, std::uint64_t limit) {
    const UniqueTskFile open(tsk_fs_file_open_meta(fs_.get(), nullptr, file.address));
    const TSK_FS_META* meta = open ? open.get()->meta : nullptr;
    if (meta == nullptr || meta->type != TSK_FS_META_TYPE_REG || meta->size < 0 ||
        static_cast<std::uint64_t>(meta->size) > limit) {
        tsk_error_reset();
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(meta->size), '\0');
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t want = std::min(kReadChunk, bytes.size() - at);
        const ssize_t got = tsk_fs_file_read(open.get(), static_cast<TSK_OFF_T>(at), &bytes[at],
                                             want, TSK_FS_FILE_READ_FLAG_NONE);
        if (got <= 0) {
            tsk_error_reset();
            return std::nullopt;
        }
        at += static_cast<std::size_t>(got);
    }
    return bytes;
}

std::vector<std::string> ImageVolume::WindowsFolders() {
    std::vector<std::string> folders;
    const Listing* root = List(root_.address);
    if (root == nullptr) {
        return folders;
    }
    for (const Entry& entry : root->entries) {
        if (!entry.folder) {
            continue;
        }
        const std::optional<Entry> hive = Find({entry.name, "system32", "config", "software"});
        // Two entries of one name (a damaged folder) are one folder to the path.
        if (hive && !hive->folder &&
            root->exact.at(entry.name) == static_cast<std::size_t>(&entry - root->entries.data())) {
            folders.push_back(entry.name);
        }
    }
    return folders;
}

}  // namespace kr8
