// The backup folder and file attributes through the wide-character calls, with paths in their
// \\?\ form so that no length or trailing blank changes the name.
#pragma once

#include "sys/BackupStore.h"
#include "sys/win32/EllRegWin32.h"

namespace kr8 {

class BackupStoreWin32 final : public BackupStore {
  public:
    std::string LocalTimeName() override;
    bool CreateFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    std::optional<std::uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
    EllReg& Registry() override { return registry_; }

  private:
    EllRegWin32 registry_;
};

}  // namespace kr8
