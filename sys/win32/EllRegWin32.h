// The registry through advapi32's wide entry points, and ntdll's where a name must be counted.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "sys/EllReg.h"

namespace kr8 {

// The predefined key that stands for root; nullptr for none.
HKEY RootKey(RegRoot root);

class EllRegWin32 final : public EllReg {
  public:
    EllRegWin32() = default;
    // Another disk's Windows, whose SOFTWARE hive is loaded as HKEY_LOCAL_MACHINE\<mount>:
    // every key of HKEY_LOCAL_MACHINE\SOFTWARE is reached there, and nothing else of the
    // registry is reached at all (it is this Windows' own).
    explicit EllRegWin32(std::string softwareMount) : mount_(std::move(softwareMount)) {}

    RegRead SubKeyAt(RegRoot root, const std::string& keyPath, RegLink link, std::uint32_t index,
                     std::string& name) override;
    RegRead ValueAt(RegRoot root, const std::string& keyPath, RegLink link, std::uint32_t index,
                    RegValueBytes& value) override;
    std::optional<RegValueBytes> QueryValue(RegRoot root, const std::string& keyPath,
                                            const std::string& valueName) override;
    bool CreateKey(RegRoot root, const std::string& keyPath) override;
    bool SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) override;
    void DeleteRegKey(RegRoot root, const std::string& keyPath) override;
    void DeleteRegValue(RegRoot root, const std::string& keyPath,
                        const std::string& valueName) override;
    bool KeyExists(RegRoot root, const std::string& keyPath) override;
    bool ValueExists(RegRoot root, const std::string& keyPath,
                     const std::string& valueName) override;

  private:
    // The key's path as this registry reaches it; nothing when it is out of reach.
    std::optional<std::string> Reached(RegRoot root, const std::string& keyPath) const;
    std::string mount_;
};

}  // namespace kr8
