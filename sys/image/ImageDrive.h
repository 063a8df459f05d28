// The files of a Windows drive that is a file system inside a disk image, read through libtsk,
// for the scan alone: nothing is ever written to the image, and every change is refused.
#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "sys/image/DiskImage.h"
#include "sys/posix/WindowsDrive.h"

namespace kr8 {

class ImageDrive : public WindowsDrive {
  public:
    explicit ImageDrive(std::shared_ptr<ImageVolume> volume);

    void PinWindowsFolder(const std::string& windowsFolder, const std::string& diskName) override;
    bool Exists(const std::string& path) override;
    std::optional<struct stat> Status(const std::string& path) override;
    // "disk.img, partition 1: /WINDOWS/system32/config/SOFTWARE".
    std::optional<std::string> Shown(const std::string& path) override;
    std::optional<std::uint64_t> FileLength(const std::string& path) override;
    // Names Windows could not hold are left out, as on a mounted drive, and told in Problems().
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                       const std::string& pattern) override;
    std::optional<std::string> ReadFileBytes(const std::string& path) override;
    std::optional<FileRead> ReadRegularFile(const std::string& path) override;
    const std::vector<std::string>& Problems() const override { return problems_; }

    void ClearReadOnlyHiddenSystem(const std::string&) override {}
    bool RemoveFile(const std::string&) override { return false; }
    bool WriteFileBytes(const std::string&, const std::string&) override { return false; }
    bool CreateNewFile(const std::string&, const std::string&) override { return false; }
    std::unique_ptr<HeldFile> Hold(const std::string&) override { return nullptr; }
    bool RenameFile(const std::string&, const std::string&) override { return false; }
    bool ReplaceAtRestart(const std::string&, const std::string&) override { return false; }

  private:
    // The names path leads through below the root, the pinned Windows folder's as on the disk.
    std::optional<std::vector<std::string>> Steps(const std::string& path) const;
    // A folder on the way that cannot be read is one of the Problems().
    std::optional<ImageVolume::Entry> Find(const std::string& path);
    void Problem(const std::string& text);
    // st_dev is the partition's number, st_ino the file's entry.
    struct stat StatusOf(const ImageVolume::Entry& entry) const;

    std::shared_ptr<ImageVolume> volume_;
    std::string drive_ = "C:";
    std::string pinnedWindows_, pinnedDisk_;
    std::vector<std::string> problems_;
    std::unordered_set<std::string> told_;
};

}  // namespace kr8
