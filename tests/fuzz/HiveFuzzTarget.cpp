// libFuzzer's entry: one hive file's bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/HiveFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kr8::test::ReadHiveAsTheOfflineCleanDoes(
        std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
