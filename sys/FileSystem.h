// The files the scan looks at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kr8 {

struct FolderFile {
    std::string name;  // no folder part
    std::uint64_t length = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // True when a file or a folder exists at path.
    virtual bool PathFileExists(const std::string& path) = 0;

    // The file's length in bytes, read without opening the file; nothing when it cannot be read.
    virtual std::optional<std::uint64_t> FileLength(const std::string& path) = 0;

    // The files (not folders) of folder whose names match pattern, hidden and system files
    // included, with their lengths, in the platform's order. Empty when the folder cannot be read.
    virtual std::vector<FolderFile> ListFiles(const std::string& folder,
                                              const std::string& pattern) = 0;
};

}  // namespace kr8
