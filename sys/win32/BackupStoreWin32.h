// The backup folder, file attributes and raw registry data through the wide-character calls,
// with paths in their \\?\ form so that no length or trailing blank changes the name.
#pragma once

#include "sys/BackupStore.h"

namespace kr8 {

class BackupStoreWin32 final : public BackupStore {
  public:
    std::string LocalTimeName() override;
    bool CreateFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    std::optional<std::uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
    bool CreateKey(RegRoot root, const std::string& keyPath) override;
    bool SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) override;
};

}  // namespace kr8
