// What keeping a backup needs of the machine beyond FileSystem: a folder of its own, a file's
// attributes, the time for the folder's name, and the registry a restore writes back into.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sys/EllReg.h"

namespace kr8 {

namespace FileAttribute {
inline constexpr std::uint32_t ReadOnly = 0x1;
inline constexpr std::uint32_t Hidden = 0x2;
inline constexpr std::uint32_t System = 0x4;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
}  // namespace FileAttribute

class BackupStore {
  public:
    virtual ~BackupStore() = default;

    // The local date and time as a folder name may hold it: "2026-12-07 02.51.28".
    virtual std::string LocalTimeName() = 0;

    // Creates the folder; false when it could not, or when something was there already.
    virtual bool CreateFolder(const std::string& path) = 0;
    // Removes the folder when it is empty; one that holds anything stays.
    virtual bool RemoveFolder(const std::string& path) = 0;

    // The file's attributes as the system keeps them; nothing when they cannot be read.
    virtual std::optional<std::uint32_t> Attributes(const std::string& path) = 0;
    virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;

    // The registry of the same machine, which a restore writes keys and values back into.
    virtual EllReg& Registry() = 0;
};

}  // namespace kr8
