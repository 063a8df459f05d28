// The hive file is the adversary's: its bytes are read here as the offline scan and clean read
// them, by the fuzz target and by the test that replays the inputs it once failed on.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kr8::test {

// The base block check, the hive opened from the bytes, the registry scan, the walk of the
// profiles and the backup's export of the guardian key, all in memory.
void ReadHiveAsTheOfflineCleanDoes(const std::string& bytes);

// Small hives to start from, each with its file name: the shapes the tests write.
std::vector<std::pair<std::string, std::string>> SeedHives();

}  // namespace kr8::test
