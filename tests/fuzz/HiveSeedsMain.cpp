// Writes the fuzz target's first inputs into the folder given.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/fuzz/HiveFuzz.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kr8_hive_seeds <folder>\n");
        return 2;
    }
    for (const auto& [name, bytes] : kr8::test::SeedHives()) {
        if (!(std::ofstream(std::string(argv[1]) + "/" + name, std::ios::binary) << bytes)) {
            return 1;
        }
    }
    return 0;
}
