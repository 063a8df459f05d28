// The backup of a Windows seen from outside: its folders and attributes on the mounted drive,
// its registry keys and values written back into the hive.
#pragma once

#include "sys/BackupStore.h"
#include "sys/hive/HiveRegistry.h"
#include "sys/posix/MountedDrive.h"

namespace kr8 {

class OfflineStore final : public BackupStore {
  public:
    OfflineStore(MountedDrive& drive, HiveRegistry& hive) : drive_(drive), hive_(hive) {}

    std::string LocalTimeName() override;
    bool CreateFolder(const std::string& path) override { return drive_.CreateFolder(path); }
    bool RemoveFolder(const std::string& path) override { return drive_.RemoveFolder(path); }
    std::optional<std::uint32_t> Attributes(const std::string& path) override {
        return drive_.Attributes(path);
    }
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
        return drive_.SetAttributes(path, attributes);
    }
    EllReg& Registry() override { return hive_; }

  private:
    MountedDrive& drive_;
    HiveRegistry& hive_;
};

}  // namespace kr8
