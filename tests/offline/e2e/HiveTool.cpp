// Plants values in a hive for the road: kr8_hive FILE new, then kr8_hive FILE sz|expand|dword
// KEY NAME DATA. Keys are below the hive's root, parted by backslashes, made where missing; names
// and data are UTF-8, any character but NUL.
#include <hivex.h>

#include <string>

#include "tests/offline/HiveWriter.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    const std::string file = argv[1], command = argv[2];
    if (command == "new") {
        return kr8::test::WriteMinimalHive(file) ? 0 : 1;
    }
    hive_h* h = argc == 6 ? hivex_open(file.c_str(), HIVEX_OPEN_WRITE) : nullptr;
    if (h == nullptr) {
        return 1;
    }
    const hive_type type = command == "dword"    ? hive_t_REG_DWORD
                           : command == "expand" ? hive_t_REG_EXPAND_SZ
                                                 : hive_t_REG_SZ;
    const bool done = kr8::test::PlantValue(h, argv[3], argv[4], type, argv[5]) &&
                      hivex_commit(h, nullptr, 0) == 0;
    hivex_close(h);
    return done ? 0 : 1;
}
