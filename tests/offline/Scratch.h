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

    // The path of relative, its folders made.
    std::filesystem::path Place(const std::string& relative) {
        std::filesystem::create_directories((dir / relative).parent_path());
        return dir / relative;
    }
    std::string File(const std::string& relative, const std::string& bytes = "") {
        std::ofstream(Place(relative), std::ios::binary) << bytes;
        return (dir / relative).string();
    }
    std::string Folder(const std::string& relative) {
        std::filesystem::create_directories(dir / relative);
        return (dir / relative).string();
    }
    std::string Read(const std::string& relative) const {
        std::ostringstream bytes;
        bytes << std::ifstream(dir / relative, std::ios::binary).rdbuf();
        return bytes.str();
    }
    void Link(const std::string& relative, const std::string& target) {
        std::filesystem::create_symlink(target, Place(relative));
    }
    void Fifo(const std::string& relative) {
        EXPECT_EQ(mkfifo(Place(relative).c_str(), 0644), 0) << relative;
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
        std::vector<HiveKey> tree{{"$$$PROTO.HIV", {}, {}}};
        for (const std::string& key : keys) {
            AddPath(tree, key);
        }
        for (const Value& v : values) {
            tree[AddPath(tree, v.key)].values.push_back(
                {v.name, static_cast<std::uint32_t>(v.type), ValueBytes(v.type, v.data)});
        }
        return File(relative, BuildHive(tree).bytes);
    }
};

// A test that hangs is killed, and fails, instead of holding the whole run.
struct HangGuard {
    explicit HangGuard(unsigned seconds = 20) { alarm(seconds); }
    ~HangGuard() { alarm(0); }
};

}  // namespace kr8::test
