// A disk image read through libtsk, never written: a raw copy (a whole disk or one partition),
// an E01 forensic image in all its segments, a VHD or a VMDK virtual disk; its partitions, and
// the FAT or NTFS file system of one. The image was written by whoever we are cleaning up after:
// every read is bounded, each folder is listed once and kept, and no folder is walked but the
// ones a path names.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sys/image/TskHandles.h"

namespace kr8 {

class ImageVolume;

class DiskImage : public std::enable_shared_from_this<DiskImage> {
  public:
    struct Partition {
        int number = 0;  // as Linux numbers it; 0: the image holds one file system, no table
        std::uint64_t offset = 0;  // in bytes
        std::string description;   // libtsk's, e.g. "NTFS / exFAT (0x07)"
    };

    // Nothing, with why, when the image cannot be opened or is of no kind libtsk reads.
    static std::shared_ptr<DiskImage> Open(const std::string& path, std::string* why);

    const std::string& Path() const { return path_; }
    // Whether an E01 lacks segments, or holds damaged ones: what lies there reads as zeros.
    bool SegmentsMissing() const { return segmentsMissing_; }
    // The partitions in the image's order; one numbered 0 when it holds no partition table.
    const std::vector<Partition>& Partitions() const { return partitions_; }
    // The partition's FAT or NTFS file system; nothing, with why, when it holds none libtsk reads.
    std::shared_ptr<ImageVolume> OpenVolume(const Partition& partition, std::string* why);

  private:
    std::string path_;
    UniqueTskImage image_;
    std::vector<Partition> partitions_;
    bool segmentsMissing_ = false;
};

class ImageVolume {
  public:
    struct Entry {
        std::string name;  // the long name, as listed
        TSK_INUM_T address = 0;
        bool folder = false;
        std::uint64_t length = 0;  // of the main stream
    };
    struct Listing {
        std::vector<Entry> entries;
        // Each name, and its lower-case (ASCII) form, to its first entry.
        std::unordered_map<std::string, std::size_t> exact, folded;
    };

    ImageVolume(std::shared_ptr<DiskImage> image, UniqueTskFs fs, int number);

    int Number() const { return number_; }
    const std::string& ImagePath() const { return image_->Path(); }
    const Entry& Root() const { return root_; }
    // The allocated names of a folder, read once and kept; libtsk's own entries (the MBR, the
    // FATs, orphan files) and NTFS's metadata files left out. Nothing when it cannot be read, or
    // names itself.
    const Listing* List(TSK_INUM_T folder);
    // The entry the names lead to from the root, each step the name spelled exactly so, else
    // the first listed that matches it without regard to ASCII case. *unreadable: how many
    // steps led to a folder that could not be read, when one could not; else 0.
    std::optional<Entry> Find(const std::vector<std::string>& steps,
                              std::size_t* unreadable = nullptr);
    // A file's main stream, whole; nothing when it cannot be read or is longer than limit.
    std::optional<std::string> Read(const Entry& file, std::uint64_t limit);
    // The folders right under the root that hold system32\config\software, as found by Find;
    // nothing when the root cannot be read. *unreadable: the folders on the way that could not
    // be read ("/WINDOWS/system32"), so that what they hold is not known.
    std::optional<std::vector<std::string>> WindowsFolders(std::vector<std::string>* unreadable);
    // Whether the image ends before the file system does (a copy cut short).
    bool Truncated() const;
    // Whether the file system's own description of itself is damaged (a FAT boot sector that
    // libtsk read past, to its backup): nothing on it is read.
    bool Damaged() const { return damaged_; }

  private:
    struct FatGeometry {
        int entryBits = 32;
        std::uint64_t endOfChain = 0;
        std::uint64_t fatOffset = 0;  // in bytes
        std::uint64_t sectorsPerCluster = 0, clusterBytes = 0;
        std::uint64_t firstDataSector = 0, clusters = 0;
    };
    static std::optional<FatGeometry> ReadFatGeometry(TSK_FS_INFO* fs);
    std::optional<std::uint64_t> FatEntry(std::uint64_t cluster);
    // Whether a FAT folder's cluster chain ends where the FAT says, without a loop, within the
    // longest folder FAT allows: libtsk reads a looping or endless chain up to where it stops
    // and lists what it found there as the whole folder.
    bool FatChainSound(TSK_INUM_T folder);

    std::shared_ptr<DiskImage> image_;  // outlives the file system read from it
    UniqueTskFs fs_;
    int number_;
    Entry root_;
    std::optional<FatGeometry> fat_;
    bool damaged_ = false;
    std::unordered_map<TSK_INUM_T, std::optional<Listing>> listings_;
};

}  // namespace kr8
