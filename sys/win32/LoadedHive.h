// Another Windows' SOFTWARE hive, loaded into this Windows' registry under HKEY_LOCAL_MACHINE for
// as long as the program works on it, and unloaded however it stops.
#pragma once

#include <memory>
#include <string>

namespace kr8 {

// Enables the backup and restore privileges, which loading and unloading a hive need; false when
// either cannot be.
bool EnableHivePrivileges();

class LoadedHive {
  public:
    // Loads the hive file under a name of this run's own. Nothing, with the system's error
    // code, when the system refuses it.
    static std::unique_ptr<LoadedHive> Load(const std::string& hiveFile, long* error);
    // Unloads what runs that ended without unloading left loaded; a running one's stays.
    static void UnloadLeftovers();

    ~LoadedHive();
    LoadedHive(const LoadedHive&) = delete;
    LoadedHive& operator=(const LoadedHive&) = delete;

    // The key under HKEY_LOCAL_MACHINE that holds the hive.
    const std::string& Mount() const { return mount_; }

  private:
    explicit LoadedHive(std::string mount) : mount_(std::move(mount)) {}
    std::string mount_;
};

}  // namespace kr8
