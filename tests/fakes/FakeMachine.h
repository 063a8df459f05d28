// Folders, files and time in memory.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sys/Clock.h"
#include "sys/CommonFunction.h"
#include "sys/FileSystem.h"
#include "sys/OS_Detect.h"

namespace kr8::fake {

inline constexpr char kWindows[] = "C:\\WINDOWS";
inline constexpr char kSystem[] = "C:\\WINDOWS\\system32";
inline constexpr char kTemp[] = "C:\\DOCUME~1\\USER\\LOCALS~1\\Temp";

class FakeOs : public OS_Detect, public CommonFunction {
  public:
    std::int32_t GetPlatformId() override { return platformId; }
    std::string GetWindowsFolder() override { return kWindows; }
    std::string GetSystemFolder() override { return kSystem; }
    std::string GetTempFolder() override { return kTemp; }
    std::string GetShortPath(const std::string& path) override { return path; }

    std::int32_t platformId = 2;
};

// Files by full path, kept in the order they were added (the order a folder listing gives).
class FakeFiles : public FileSystem {
  public:
    void AddFile(const std::string& path, std::uint64_t length) {
        if (lengths_.count(path) == 0) {
            order_.push_back(path);
        }
        lengths_[path] = length;
    }
    void AddFolder(const std::string& path) { folders_.insert(path); }
    void Remove(const std::string& path) {
        lengths_.erase(path);
        order_.erase(std::remove(order_.begin(), order_.end(), path), order_.end());
    }
    // The listing stops showing the file, while a direct query still finds it.
    void HideFromListing(const std::string& path) { unlisted_.insert(path); }

    bool PathFileExists(const std::string& path) override {
        return lengths_.count(path) != 0 || folders_.count(path) != 0;
    }
    std::optional<std::uint64_t> FileLength(const std::string& path) override {
        ++lengthQueries;
        auto f = lengths_.find(path);
        if (f == lengths_.end()) {
            return std::nullopt;
        }
        return f->second;
    }
    std::vector<FolderFile> ListFiles(const std::string& folder,
                                      const std::string& pattern) override {
        ++listings;
        const std::string suffix = pattern.substr(1);  // "*.dll" -> ".dll"
        std::vector<FolderFile> files;
        for (const std::string& path : order_) {
            const size_t slash = path.rfind('\\');
            if (path.substr(0, slash) != folder || unlisted_.count(path) != 0) {
                continue;
            }
            const std::string name = path.substr(slash + 1);
            if (name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                files.push_back({name, lengths_[path]});
            }
        }
        return files;
    }

    int lengthQueries = 0;
    int listings = 0;

  private:
    std::map<std::string, std::uint64_t> lengths_;
    std::vector<std::string> order_;
    std::set<std::string> folders_;
    std::set<std::string> unlisted_;
};

// Advances by a fixed step each time it is read.
class FakeClock : public Clock {
  public:
    std::uint64_t NowMs() override {
        const std::uint64_t t = now;
        now += step;
        return t;
    }
    std::uint64_t now = 0;
    std::uint64_t step = 0;
};

}  // namespace kr8::fake
