// Files through kernel32's wide entry points, every path in its exact long form.
#pragma once

#include "sys/FileSystem.h"
#include "sys/win32/TargetDrive.h"

namespace kr8 {

class FileSystemWin32 final : public FileSystem {
  public:
    FileSystemWin32() = default;
    // Files of another disk's Windows: no path on that drive is reached through a reparse point
    // (one that is counts as there and cannot be used), and nothing is handed to this Windows'
    // restart.
    explicit FileSystemWin32(const TargetDrive& target) : target_(&target) {}

    bool Exists(const std::string& path) override;
    std::optional<std::uint64_t> FileLength(const std::string& path) override;
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                       const std::string& pattern) override;
    std::optional<std::string> ReadFileBytes(const std::string& path) override;
    void ClearReadOnlyHiddenSystem(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool WriteFileBytes(const std::string& path, const std::string& bytes) override;
    bool CreateNewFile(const std::string& path, const std::string& bytes) override;
    std::unique_ptr<HeldFile> Hold(const std::string& path) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    bool ReplaceAtRestart(const std::string& from, const std::string& to) override;

  private:
    bool Reachable(const std::string& path, HeldSteps& held) const {
        return target_ == nullptr || target_->Reachable(path, held);
    }
    const TargetDrive* target_ = nullptr;
};

}  // namespace kr8
