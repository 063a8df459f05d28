// Files through kernel32's wide entry points, every path in its exact long form.
#pragma once

#include "sys/FileSystem.h"

namespace kr8 {

class FileSystemWin32 final : public FileSystem {
  public:
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
};

}  // namespace kr8
