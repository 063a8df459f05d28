#include "tests/fuzz/ImageFuzz.h"

#include <sys/mman.h>

#include <memory>
#include <optional>
#include <vector>

#include "app/offline/OfflineTarget.h"
#include "scan/Findings.h"
#include "sys/image/DiskImage.h"
#include "sys/image/ImageDrive.h"
#include "sys/posix/FdIo.h"
#include "sys/posix/PosixHandles.h"

namespace kr8::test {

void ScanImageAsTheOfflineScanDoes(const std::string& bytes) {
    const UniqueFd memory(memfd_create("image", MFD_CLOEXEC));
    if (!memory || !WriteAll(memory.get(), bytes)) {
        return;
    }
    std::string why;
    const auto image = DiskImage::Open("/proc/self/fd/" + std::to_string(memory.get()), &why);
    if (!image) {
        return;
    }
    for (const DiskImage::Partition& partition : image->Partitions()) {
        const std::shared_ptr<ImageVolume> volume = image->OpenVolume(partition, &why);
        if (!volume) {
            continue;
        }
        volume->Truncated();
        std::vector<std::string> unreadable;
        const std::optional<std::vector<std::string>> folders = volume->WindowsFolders(&unreadable);
        for (const std::string& folder : folders.value_or(std::vector<std::string>{})) {
            auto target = OfflineTarget::OpenOn(std::make_unique<ImageDrive>(volume), folder, &why);
            if (target) {
                ScanMachine(target->Registry(), target->Files(), *target);
                target->Problems();
            }
        }
    }
}

}  // namespace kr8::test
