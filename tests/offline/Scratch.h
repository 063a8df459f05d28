// A folder of its own for each test, removed afterwards, and a hive planted in it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/offline/HiveWriter.h"

namespace kr8::test {

struct Scratch {
    std::filesystem::path dir;
    Scratch() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kr8-offline-XXXXXX").string();
        dir = mkdtemp(pattern.data());
    }
    ~Scratch() { std::filesystem::remove_all(dir); }

    std::string File(const std::string& relative, std::size_t length = 0) {
        const std::filesystem::path path = dir / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << std::string(length, 'x');
        return path.string();
    }
    std::string Folder(const std::string& relative) {
        std::filesystem::create_directories(dir / relative);
        return (dir / relative).string();
    }

    struct Value {
        std::string key, name;
        hive_type type;
        std::string data;
    };
    // A hive at relative with these keys and values, below the root.
    std::string Hive(const std::string& relative, const std::vector<std::string>& keys,
                     const std::vector<Value>& values) {
        const std::string path = File(relative);
        hive_h* h = WriteMinimalHive(path) ? hivex_open(path.c_str(), HIVEX_OPEN_WRITE) : nullptr;
        EXPECT_NE(h, nullptr);
        for (const std::string& key : keys) {
            EXPECT_NE(PlantKey(h, key), 0u) << key;
        }
        for (const Value& v : values) {
            EXPECT_TRUE(PlantValue(h, v.key, v.name, v.type, v.data)) << v.name;
        }
        EXPECT_EQ(hivex_commit(h, nullptr, 0), 0);
        hivex_close(h);
        return path;
    }
};

}  // namespace kr8::test
