// Partitions are named by the numbers Linux gives them, whatever libtsk lists between them.
#include <gtest/gtest.h>

#include "sys/image/PartitionNumbers.h"

namespace kr8 {
namespace {

struct Case {
    const char* what;
    VolumeKind kind;
    std::vector<VolumeSlot> slots;
    std::vector<int> numbers;
};

TEST(PartitionNumbers, AsLinuxNumbersThem) {
    // Tables and gaps are unallocated or have no slot; an extended container is no partition.
    const VolumeSlot table{-1, -1, false}, gap{-1, -1, false}, extended{0, 2, false};
    const Case cases[] = {
        {"primaries by their entry, an unused entry keeping its number",
         VolumeKind::Mbr,
         {table, gap, {0, 1, true}, {0, 3, true}},
         {0, 0, 2, 4}},
        {"logical ones from 5 in their order, past the extended one",
         VolumeKind::Mbr,
         {table, {0, 0, true}, extended, {1, -1, false}, {1, 0, true}, {2, 0, true}},
         {0, 1, 0, 0, 5, 6}},
        {"GPT by entry", VolumeKind::Gpt, {table, {0, 0, true}, {0, 4, true}}, {0, 1, 5}},
        {"others counted", VolumeKind::Other, {{0, 7, true}, gap, {0, 3, true}}, {1, 0, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LinuxPartitionNumbers(c.kind, c.slots), c.numbers) << c.what;
    }
}

}  // namespace
}  // namespace kr8
