#include "sys/image/DiskImage.h"

#include <fcntl.h>
#include <libewf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <unordered_set>
#include <utility>

#include "sys/AsciiCase.h"
#include "sys/UniqueOwner.h"
#include "sys/image/PartitionNumbers.h"
#include "sys/posix/PosixHandles.h"

namespace kr8 {

namespace {

// The texts of what could not be opened, for the user.
constexpr char kImageUnreadable[] = "The disk image cannot be opened: ";
constexpr char kNoFile[] = " (it is no file or block device, or cannot be read)";
constexpr char kDamagedBootSector[] = "its FAT boot sector is damaged";
constexpr char kNoWindowsFileSystem[] = "no FAT or NTFS file system libtsk can read";

// Below this entry NTFS keeps its own files ($MFT, $Bitmap, $Extend, …) and nothing else.
constexpr TSK_INUM_T kNtfsFirstUserEntry = 24;
// FAT holds at most 65,536 entries of 32 bytes in a folder; a chain longer than that is no folder.
constexpr std::uint64_t kLongestFatFolder = 65536 * 32;
// A file is read in pieces of this size.
constexpr std::size_t kReadChunk = 1 << 20;

std::string TskError() {
    const char* text = tsk_error_get();
    std::string error = text != nullptr ? text : "";
    tsk_error_reset();
    return error;
}

// The kind of image by its own marks, so that libtsk does not try each library on it in turn
// (the ones that fail leave their allocations behind). Nothing when it is no file or device,
// or cannot be read.
std::optional<TSK_IMG_TYPE_ENUM> KindOf(const std::string& path) {
    // A FIFO would be waited on, a device of another kind acted on: neither is opened to read.
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
        return std::nullopt;
    }
    const UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    char first[64] = {}, last[8] = {};
    if (!fd || pread(fd.get(), first, sizeof first, 0) < 0) {
        return std::nullopt;
    }
    const off_t end = lseek(fd.get(), 0, SEEK_END);
    if (end >= 512 && pread(fd.get(), last, sizeof last, end - 512) < 0) {
        return std::nullopt;
    }
    const std::string_view head(first, sizeof first);
    if (head.substr(0, 8) == std::string_view("EVF\x09\x0d\x0a\xff\x00", 8)) {
        return TSK_IMG_TYPE_EWF_EWF;
    }
    if (std::string_view(last, sizeof last) == "conectix" || head.substr(0, 8) == "conectix") {
        return TSK_IMG_TYPE_VHD_VHD;
    }
    if (head.substr(0, 4) == "KDMV" || head.substr(0, 21) == "# Disk DescriptorFile") {
        return TSK_IMG_TYPE_VMDK_VMDK;
    }
    return TSK_IMG_TYPE_RAW;
}

struct EwfHandleTraits {
    using Handle = libewf_handle_t*;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { libewf_handle_free(&h, nullptr); }
};
using UniqueEwfHandle = UniqueOwner<EwfHandleTraits>;

// The segment files' names libewf found beside the first, which it allocated.
struct EwfSegmentNames {
    char** names = nullptr;
    int count = 0;
};
struct EwfSegmentNamesTraits {
    using Handle = EwfSegmentNames;
    static Handle Empty() { return {}; }
    static bool IsEmpty(Handle h) { return h.names == nullptr; }
    static void Close(Handle h) { libewf_glob_free(h.names, h.count, nullptr); }
};

// Whether an E01's segments are all there and whole. libewf reads a missing segment's part of
// the disk as zeros, which would scan as a clean one.
bool SegmentsWhole(const std::string& path) {
    EwfSegmentNames found;
    if (libewf_glob(path.c_str(), path.size(), LIBEWF_FORMAT_UNKNOWN, &found.names, &found.count,
                    nullptr) != 1) {
        return false;
    }
    const UniqueOwner<EwfSegmentNamesTraits> segments(found);
    UniqueEwfHandle handle;
    if (libewf_handle_initialize(handle.put(), nullptr) != 1 ||
        libewf_handle_open(handle.get(), found.names, found.count, LIBEWF_OPEN_READ, nullptr) !=
            1) {
        return false;
    }
    const bool whole = libewf_handle_segment_files_corrupted(handle.get(), nullptr) == 0;
    libewf_handle_close(handle.get(), nullptr);
    return whole;
}

}  // namespace

// The FAT's layout, from the volume's own boot sector: libtsk falls back to the backup boot
// sector of a FAT32 volume whose first one is damaged, and keeps its reading of the FAT to itself.
std::optional<ImageVolume::FatGeometry> ImageVolume::ReadFatGeometry(TSK_FS_INFO* fs) {
    unsigned char boot[512];
    if (tsk_fs_read(fs, 0, reinterpret_cast<char*>(boot), sizeof boot) != sizeof boot) {
        tsk_error_reset();
        return std::nullopt;
    }
    const auto u16 = [&](int at) {
        return std::uint64_t{boot[at]} | std::uint64_t{boot[at + 1]} << 8;
    };
    const auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
    const std::uint64_t sectorBytes = u16(11), perCluster = boot[13], reserved = u16(14),
                        fats = boot[16], rootEntries = u16(17);
    const std::uint64_t fatSectors = u16(22) != 0 ? u16(22) : u32(36);
    const std::uint64_t sectors = u16(19) != 0 ? u16(19) : u32(32);
    if (boot[510] != 0x55 || boot[511] != 0xAA || sectorBytes != fs->block_size ||
        perCluster == 0 || reserved == 0 || fats == 0 || fatSectors == 0) {
        return std::nullopt;
    }
    FatGeometry fat;
    fat.entryBits = fs->ftype == TSK_FS_TYPE_FAT12 ? 12 : fs->ftype == TSK_FS_TYPE_FAT16 ? 16 : 32;
    fat.endOfChain = fat.entryBits == 12 ? 0xFF8 : fat.entryBits == 16 ? 0xFFF8 : 0x0FFFFFF8;
    fat.fatOffset = reserved * sectorBytes;
    fat.sectorsPerCluster = perCluster;
    fat.clusterBytes = perCluster * sectorBytes;
    fat.firstDataSector =
        reserved + fats * fatSectors + (rootEntries * 32 + sectorBytes - 1) / sectorBytes;
    if (sectors <= fat.firstDataSector) {
        return std::nullopt;
    }
    fat.clusters = (sectors - fat.firstDataSector) / perCluster;
    return fat;
}

std::shared_ptr<DiskImage> DiskImage::Open(const std::string& path, std::string* why) {
    auto image = std::make_shared<DiskImage>();
    image->path_ = path;
    const std::optional<TSK_IMG_TYPE_ENUM> format = KindOf(path);
    if (!format) {
        *why = kImageUnreadable + path + kNoFile;
        return nullptr;
    }
    // libtsk opens every kind for reading only; an E01's other segments are found beside it.
    image->image_.reset(tsk_img_open_utf8_sing(path.c_str(), *format, 0));
    image->segmentsMissing_ = *format == TSK_IMG_TYPE_EWF_EWF && !SegmentsWhole(path);
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
            auto volume =
                std::make_shared<ImageVolume>(shared_from_this(), std::move(fs), partition.number);
            if (volume->Damaged()) {
                *why = kDamagedBootSector;
                return nullptr;
            }
            return volume;
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
    const TSK_FS_TYPE_ENUM type = fs_.get()->ftype;
    if (TSK_FS_TYPE_ISFAT(type) && type != TSK_FS_TYPE_EXFAT) {
        fat_ = ReadFatGeometry(fs_.get());
        damaged_ = !fat_;
    }
}

const ImageVolume::Listing* ImageVolume::List(TSK_INUM_T folder) {
    auto kept = listings_.find(folder);
    if (kept != listings_.end()) {
        return kept->second ? &*kept->second : nullptr;
    }
    std::optional<Listing> listing;
    const UniqueTskFolder dir(tsk_fs_dir_open_meta(fs_.get(), folder));
    // libtsk lists what it could read of a damaged folder (a FAT cluster chain that loops or
    // runs off the disk) and says so: a part of a folder is not the folder.
    if (dir && FatChainSound(folder)) {
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
            // A folder that holds itself is damaged (or made to catch a walk); it is not read.
            if (entry.address == folder) {
                listing.reset();
                break;
            }
            listing->exact.emplace(entry.name, listing->entries.size());
            listing->folded.emplace(AsciiLowered(entry.name), listing->entries.size());
            listing->entries.push_back(std::move(entry));
        }
    }
    tsk_error_reset();
    kept = listings_.emplace(folder, std::move(listing)).first;
    return kept->second ? &*kept->second : nullptr;
}

std::optional<ImageVolume::Entry> ImageVolume::Find(const std::vector<std::string>& steps,
                                                    std::size_t* unreadable) {
    Entry at = root_;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        const Listing* listing = at.folder ? List(at.address) : nullptr;
        if (listing == nullptr) {
            if (at.folder && unreadable != nullptr) {
                *unreadable = i;
            }
            return std::nullopt;
        }
        auto found = listing->exact.find(step);
        if (found == listing->exact.end()) {
            found = listing->folded.find(AsciiLowered(step));
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

bool ImageVolume::FatChainSound(TSK_INUM_T folder) {
    TSK_FS_INFO* fs = fs_.get();
    // FAT12's and FAT16's root is a fixed region, and exFAT's folders are not chained so.
    if (!fat_ || (folder == root_.address && fat_->entryBits != 32)) {
        return true;
    }
    const UniqueTskFile file(tsk_fs_file_open_meta(fs, nullptr, folder));
    const TSK_FS_ATTR* attr = file ? tsk_fs_file_attr_get(file.get()) : nullptr;
    if (attr == nullptr || (attr->flags & TSK_FS_ATTR_NONRES) == 0 || attr->nrd.run == nullptr ||
        attr->nrd.run->addr < fat_->firstDataSector) {
        return false;
    }
    const std::uint64_t longest = kLongestFatFolder / fat_->clusterBytes + 1;
    std::unordered_set<std::uint64_t> seen;
    for (std::uint64_t cluster =
             2 + (attr->nrd.run->addr - fat_->firstDataSector) / fat_->sectorsPerCluster;
         ;) {
        if (cluster < 2 || cluster >= fat_->clusters + 2 || !seen.insert(cluster).second ||
            seen.size() > longest) {
            return false;
        }
        const std::optional<std::uint64_t> next = FatEntry(cluster);
        if (!next) {
            return false;
        }
        if (*next >= fat_->endOfChain) {
            return true;
        }
        cluster = *next;
    }
}

std::optional<std::uint64_t> ImageVolume::FatEntry(std::uint64_t cluster) {
    const std::uint64_t bit = cluster * fat_->entryBits;
    unsigned char bytes[4] = {};
    if (tsk_fs_read(fs_.get(), static_cast<TSK_OFF_T>(fat_->fatOffset + bit / 8),
                    reinterpret_cast<char*>(bytes), sizeof bytes) != sizeof bytes) {
        tsk_error_reset();
        return std::nullopt;
    }
    const std::uint64_t word =
        bytes[0] | bytes[1] << 8 | std::uint64_t{bytes[2]} << 16 | std::uint64_t{bytes[3]} << 24;
    switch (fat_->entryBits) {
        case 12:
            return (bit % 8 == 0 ? word : word >> 4) & 0xFFF;
        case 16:
            return word & 0xFFFF;
        default:
            return word & 0x0FFFFFFF;
    }
}

bool ImageVolume::Truncated() const {
    return fs_.get()->last_block_act < fs_.get()->last_block;
}

std::optional<std::vector<std::string>> ImageVolume::WindowsFolders(
    std::vector<std::string>* unreadable) {
    std::vector<std::string> folders;
    const Listing* root = List(root_.address);
    if (root == nullptr) {
        return std::nullopt;
    }
    const std::vector<std::string> hivePath = {"system32", "config", "software"};
    for (const Entry& entry : root->entries) {
        if (!entry.folder) {
            continue;
        }
        std::vector<std::string> steps = {entry.name};
        steps.insert(steps.end(), hivePath.begin(), hivePath.end());
        std::size_t stopped = 0;
        const std::optional<Entry> hive = Find(steps, &stopped);
        if (stopped != 0) {
            std::string folder;
            for (std::size_t i = 0; i < stopped; ++i) {
                folder += "/" + steps[i];
            }
            unreadable->push_back(folder);
        }
        // Two entries of one name (a damaged folder) are one folder to the path.
        if (hive && !hive->folder &&
            root->exact.at(entry.name) == static_cast<std::size_t>(&entry - root->entries.data())) {
            folders.push_back(entry.name);
        }
    }
    return folders;
}

}  // namespace kr8
