// Plants values in a hive for the road: kr8_hive FILE new, then kr8_hive FILE sz|expand|dword
// KEY NAME DATA. Keys are below the hive's root, parted by backslashes, made where missing; names
// and data are UTF-8, any character but NUL.
#include <string>

#include "sys/hive/HiveRegistry.h"
#include "tests/offline/HiveWriter.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    const std::string file = argv[1], command = argv[2];
    if (command == "new") {
        return kr8::test::WriteMinimalHive(file) ? 0 : 1;
    }
    auto hive = argc == 6 ? kr8::HiveRegistry::Open(file, true) : nullptr;
    const hive_type type = command == "dword"    ? hive_t_REG_DWORD
                           : command == "expand" ? hive_t_REG_EXPAND_SZ
                                                 : hive_t_REG_SZ;
    const std::string key = std::string("SOFTWARE\\") + argv[3];
    const auto lm = kr8::RegRoot::LocalMachine;
    return hive && hive->CreateKey(lm, key) &&
                   hive->SetValue(lm, key, {argv[4], type, kr8::test::ValueBytes(type, argv[5])}) &&
                   hive->CommitTo(file)
               ? 0
               : 1;
}
