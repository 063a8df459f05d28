// Writes one file of a disk image, read as the image scan reads it, to standard output, for the
// road to compare byte for byte: kr8_image_cat IMAGE PARTITION 'C:\WINDOWS\...' (partition 0: an
// image without a partition table).
#include <cstdio>
#include <memory>
#include <string>

#include "sys/image/DiskImage.h"
#include "sys/image/ImageDrive.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    std::string why;
    const auto image = kr8::DiskImage::Open(argv[1], &why);
    for (const auto& partition : image ? image->Partitions() : decltype(image->Partitions()){}) {
        if (partition.number != std::stoi(argv[2])) {
            continue;
        }
        auto volume = image->OpenVolume(partition, &why);
        const auto bytes = volume ? kr8::ImageDrive(volume).ReadFileBytes(argv[3]) : std::nullopt;
        return bytes && std::fwrite(bytes->data(), 1, bytes->size(), stdout) == bytes->size() ? 0
                                                                                              : 1;
    }
    return 1;
}
