// A folder of its own for each test, removed afterwards, and a hive planted in it.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
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

    std::string File(const std::string& relative, const std::string& bytes) {
        const std::string path = File(relative);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string Read(const std::string& relative) const {
        std::ostringstream bytes;
        bytes << std::ifstream(dir / relative, std::ios::binary).rdbuf();
        return bytes.str();
    }
    void Link(const std::string& relative, const std::string& target) {
        std::filesystem::create_directories((dir / relative).parent_path());
        std::filesystem::create_symlink(target, dir / relative);
    }
    void Fifo(const std::string& relative) {
        std::filesystem::create_directories((dir / relative).parent_path());
        EXPECT_EQ(mkfifo((dir / relative).c_str(), 0644), 0) << relative;
    }
    // Every name under relative with its kind, bytes and time: equal before and after shows
    // that nothing there was touched.
    std::map<std::string, std::string> Snapshot(const std::string& relative) const {
        std::map<std::string, std::string> seen;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / relative)) {
            struct stat st {};
            lstat(entry.path().c_str(), &st);
            seen[entry.path().string()] =
                std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_nsec) + " " +
                (S_ISREG(st.st_mode) ? Read(entry.path().lexically_relative(dir).string()) : "");
        }
        return seen;
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

// A test that hangs is killed, and fails, instead of holding the whole run.
struct HangGuard {
    explicit HangGuard(unsigned seconds = 20) { alarm(seconds); }
    ~HangGuard() { alarm(0); }
};

}  // namespace kr8::test
