// Every input the fuzz target once failed on, and its seeds, read again under the sanitizers of
// the native build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/fuzz/HiveFuzz.h"

namespace kr8::test {
namespace {

TEST(HiveFuzzReplay, ReadsEveryKeptInputAndSeed) {
    for (const auto& [name, bytes] : SeedHives()) {
        ReadHiveAsTheOfflineCleanDoes(bytes);
    }
    for (const auto& entry : std::filesystem::directory_iterator(KR8_FUZZ_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        ReadHiveAsTheOfflineCleanDoes({std::istreambuf_iterator<char>(in), {}});
    }
}

}  // namespace
}  // namespace kr8::test
