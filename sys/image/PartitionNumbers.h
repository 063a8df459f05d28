// Partitions numbered as Linux numbers them (/dev/sda1, /dev/sda5): the user names one so.
#pragma once

#include <vector>

namespace kr8 {

// One entry of a volume system as libtsk lists it, in its order (by start).
struct VolumeSlot {
    int table = -1;  // 0: the MBR's own table; 1 and up: the extended partition's tables
    int slot = -1;   // the entry within that table
    bool allocated = false;
};

// Each slot's number, or 0 for what is no partition (tables, gaps, extended containers). On an
// MBR disk the primary partitions are 1 to 4 by their entry, whether or not the ones before are
// used, and the logical ones 5, 6, … in their order; on a GPT disk each is its entry plus one;
// elsewhere partitions are counted from 1.
enum class VolumeKind { Mbr, Gpt, Other };
std::vector<int> LinuxPartitionNumbers(VolumeKind kind, const std::vector<VolumeSlot>& slots);

}  // namespace kr8
