// The registry through advapi32's wide entry points, and ntdll's where a name must be counted.
#pragma once

#include <windows.h>

#include "sys/EllReg.h"

namespace kr8 {

// The predefined key that stands for root; nullptr for none.
HKEY RootKey(RegRoot root);

class EllRegWin32 final : public EllReg {
  public:
    std::string ReadRegValue(RegRoot root, const std::string& keyPath,
                             const std::string& valueName) override;
    void WriteRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                       const std::string& value) override;
    std::optional<std::string> GetSubKeyName(RegRoot root, const std::string& keyPath,
                                             std::int32_t index) override;
    std::optional<ValueEntry> GetValueEntry(RegRoot root, const std::string& keyPath,
                                            std::int32_t index) override;
    void DeleteRegKey(RegRoot root, const std::string& keyPath) override;
    void DeleteRegValue(RegRoot root, const std::string& keyPath,
                        const std::string& valueName) override;
    RegRead EnumSubKey(RegRoot root, const std::string& keyPath, std::uint32_t index,
                       std::string& name) override;
    RegRead EnumValue(RegRoot root, const std::string& keyPath, std::uint32_t index,
                      RegValueBytes& value) override;
    std::optional<RegValueBytes> QueryValue(RegRoot root, const std::string& keyPath,
                                            const std::string& valueName) override;
    bool KeyExists(RegRoot root, const std::string& keyPath) override;
    bool ValueExists(RegRoot root, const std::string& keyPath,
                     const std::string& valueName) override;
};

}  // namespace kr8
