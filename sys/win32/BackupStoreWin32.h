// The backup folder and file attributes through the wide-character calls, with paths in their
// \\?\ form so that no length or trailing blank changes the name.
#pragma once

#include "sys/BackupStore.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/TargetDrive.h"

namespace kr8 {

class BackupStoreWin32 final : public BackupStore {
  public:
    BackupStoreWin32() = default;
    // Another disk's Windows: its registry as loaded, its drive reached as FileSystemWin32
    // reaches it.
    BackupStoreWin32(EllReg& registry, const TargetDrive& target)
        : registry_(&registry), target_(&target) {}
    BackupStoreWin32(const BackupStoreWin32&) = delete;
    BackupStoreWin32& operator=(const BackupStoreWin32&) = delete;

    std::string LocalTimeName() override;
    bool CreateFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    std::optional<std::uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
    EllReg& Registry() override { return *registry_; }

  private:
    bool Reachable(const std::string& path, HeldSteps& held) const {
        return target_ == nullptr || target_->Reachable(path, held);
    }
    EllRegWin32 own_;
    EllReg* registry_ = &own_;
    const TargetDrive* target_ = nullptr;
};

}  // namespace kr8
