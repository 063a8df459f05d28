#include "sys/image/PartitionNumbers.h"

namespace kr8 {

std::vector<int> LinuxPartitionNumbers(VolumeKind kind, const std::vector<VolumeSlot>& slots) {
    std::vector<int> numbers;
    int logical = 5;
    int counted = 1;
    for (const VolumeSlot& slot : slots) {
        int number = 0;
        if (slot.allocated && slot.slot >= 0) {
            if (kind == VolumeKind::Gpt) {
                number = slot.slot + 1;
            } else if (kind == VolumeKind::Other) {
                number = counted++;
            } else if (slot.table == 0 && slot.slot < 4) {
                number = slot.slot + 1;
            } else if (slot.table > 0) {
                number = logical++;
            }
        }
        numbers.push_back(number);
    }
    return numbers;
}

}  // namespace kr8
