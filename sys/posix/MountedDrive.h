// The files of a Windows drive mounted on Linux, addressed by the Windows paths the handlers use
// ("C:\WINDOWS\system32\x.dll"). Each step of a path is the name the disk holds, else the first
// name that matches it without regard to ASCII case: a case-sensitive mount (ntfs-3g) holds
// "System32" where Windows is asked for "system32".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sys/FileSystem.h"

namespace kr8 {

class MountedDrive : public FileSystem {
  public:
    // drive: "C:"; mountRoot: the Linux folder that holds the drive's root.
    MountedDrive(std::string drive, std::string mountRoot);

    // The Linux path of the file or folder that path names on the disk now, or nothing when a
    // step is missing or is no name the drive could hold (".", "..", "/", a NUL). A missing last
    // step is given as it is spelled, under the folder found for the others. Without
    // followLinks no step may be a symbolic link (ntfs-3g shows junctions and symbolic links so):
    // a change must not land outside the drive, where a link on the scanned disk may point.
    std::optional<std::string> Local(const std::string& path, bool lastMustExist = true,
                                     bool followLinks = true) const;

    bool Exists(const std::string& path) override;
    std::optional<std::uint64_t> FileLength(const std::string& path) override;
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                       const std::string& pattern) override;
    std::optional<std::string> ReadFileBytes(const std::string& path) override;
    void ClearReadOnlyHiddenSystem(const std::string& path) override;
    // The file's Windows attributes: NTFS's own as ntfs-3g shows them, or on a disk without
    // them, read-only from the write permission alone.
    std::optional<std::uint32_t> Attributes(const std::string& path) const;
    bool SetAttributes(const std::string& path, std::uint32_t attributes);
    // The Windows path of a Linux path on the drive, or nothing when it lies elsewhere.
    std::optional<std::string> WindowsPath(const std::string& local) const;
    // Creates the folder; false when it could not, or when something was there already.
    bool CreateFolder(const std::string& path);
    // Removes the folder when it is empty.
    bool RemoveFolder(const std::string& path);
    bool RemoveFile(const std::string& path) override;
    bool WriteFileBytes(const std::string& path, const std::string& bytes) override;
    bool CreateNewFile(const std::string& path, const std::string& bytes) override;
    std::unique_ptr<HeldFile> Hold(const std::string& path) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    // Nothing runs at the restart of a system seen from outside.
    bool ReplaceAtRestart(const std::string&, const std::string&) override { return false; }

  private:
    std::string drive_;
    std::string root_;
};

}  // namespace kr8
