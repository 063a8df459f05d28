// libFuzzer's entry: one disk image's bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kr8::test::ScanImageAsTheOfflineScanDoes(
        std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
