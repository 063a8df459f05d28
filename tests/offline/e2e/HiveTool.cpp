// Plants keys and values in a hive for the road: kr8_hive FILE new, then
// kr8_hive FILE key|sz|expand|dword|delete PATH [NAME DATA]. Paths are below the hive's root,
// parted by backslashes; names and data are UTF-8, any character but NUL.
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
    hive_h* h = hivex_open(file.c_str(), HIVEX_OPEN_WRITE);
    if (h == nullptr || argc < 4) {
        return 1;
    }
    bool done = false;
    if (command == "key") {
        done = kr8::test::PlantKey(h, argv[3]) != 0;
    } else if (command == "delete") {
        const hive_node_h node = kr8::test::PlantKey(h, argv[3]);
        done = node != 0 && hivex_node_delete_child(h, node) == 0;
    } else if (argc == 6) {
        const hive_type type = command == "dword"    ? hive_t_REG_DWORD
                               : command == "expand" ? hive_t_REG_EXPAND_SZ
                                                     : hive_t_REG_SZ;
        done = kr8::test::PlantValue(h, argv[3], argv[4], type, argv[5]);
    }
    done = done && hivex_commit(h, nullptr, 0) == 0;
    hivex_close(h);
    return done ? 0 : 1;
}
