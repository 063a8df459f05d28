// The files the handlers look at and change. Paths are UTF-8, absolute, of any length, and name
// exactly one file: trailing blanks and dots, wildcards and quotes are part of the name.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kr8 {

struct FolderEntry {
    std::string name;  // no folder part
    std::uint64_t length = 0;
    bool isFolder = false;
};

// A file kept open so that no one can write, rename or delete it while it is held; reading is
// still allowed, so a program held this way can be started.
class HeldFile {
  public:
    virtual ~HeldFile() = default;
    // The whole content, read through the held handle; nothing when it cannot be read.
    virtual std::optional<std::string> Bytes() = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // True when a file or a folder exists at path.
    virtual bool Exists(const std::string& path) = 0;

    // The file's length in bytes, read without opening the file; nothing when it cannot be read.
    virtual std::optional<std::uint64_t> FileLength(const std::string& path) = 0;

    // The files and folders of folder whose names match pattern, hidden and system ones
    // included, with the files' lengths, in the platform's order. Nothing when the folder cannot
    // be read, which is not the same as a folder with no match.
    virtual std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                               const std::string& pattern) = 0;

    // The whole content of a file, or nothing when it is no file or cannot be read.
    virtual std::optional<std::string> ReadFileBytes(const std::string& path) = 0;

    // Clears the read-only, hidden and system attributes, keeping the others.
    virtual void ClearReadOnlyHiddenSystem(const std::string& path) = 0;

    virtual bool RemoveFile(const std::string& path) = 0;

    // Creates or truncates the file and writes exactly these bytes.
    virtual bool WriteFileBytes(const std::string& path, const std::string& bytes) = 0;

    // Creates the file only when nothing is at path, and writes exactly these bytes. A failed
    // write leaves no partial file behind; a name that was taken is never touched.
    virtual bool CreateNewFile(const std::string& path, const std::string& bytes) = 0;

    // Opens the file for reading and keeps others from changing it until the result is gone;
    // nothing when it cannot be opened that way (it is missing, or someone holds it for writing).
    virtual std::unique_ptr<HeldFile> Hold(const std::string& path) = 0;

    // Renames; fails when the new name is taken.
    virtual bool RenameFile(const std::string& from, const std::string& to) = 0;

    // Has the system move from over to, replacing it, at the next restart.
    virtual bool ReplaceAtRestart(const std::string& from, const std::string& to) = 0;
};

}  // namespace kr8
