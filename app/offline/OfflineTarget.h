// A Windows installation seen from outside: its Windows folder on a Linux mount, its SOFTWARE
// hive, and the folders the scan looks in, named as that Windows names them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sys/CommonFunction.h"
#include "sys/hive/HiveRegistry.h"
#include "sys/posix/MountedDrive.h"

namespace kr8 {

class OfflineTarget : public CommonFunction {
  public:
    // The Windows folder's Linux path; the hive is opened for writing when writable. Nothing,
    // with why (one of the texts in app/Texts.h, and the path it is about), when the folder is
    // no Windows folder or its hive cannot be used.
    static std::unique_ptr<OfflineTarget> Open(const std::string& windowsFolder, bool writable,
                                               std::string* why);

    std::string GetWindowsFolder() override { return windowsFolder_; }
    std::string GetSystemFolder() override { return windowsFolder_ + "\\system32"; }
    // No user is logged on: the first of the temporary folders.
    std::string GetTempFolder() override;
    std::vector<std::string> GetTempFolders() override { return tempFolders_; }
    std::string GetShortPath(const std::string&) override { return ""; }

    HiveRegistry& Registry() { return *registry_; }
    MountedDrive& Drive() { return *drive_; }
    // The hive file's Linux path.
    const std::string& HivePath() const { return hivePath_; }

    // Copies the hive file as it is on the disk into folder (a Windows path on the drive).
    bool KeepHiveCopy(const std::string& folder);
    // Writes the changed hive to a new file, flushes it and renames it over the hive, so that a
    // failure at any point leaves the old hive whole; then reads the hive anew from the disk.
    bool SaveHive();

  private:
    void FindTempFolders();
    // %SystemDrive%, %SystemRoot% and %windir% filled in; other names are left as they are.
    std::string Expanded(const std::string& path) const;

    std::string windowsFolder_;  // as Windows names it, e.g. "C:\WINDOWS"
    std::string hivePath_;
    bool writable_ = false;
    std::unique_ptr<HiveRegistry> registry_;
    std::unique_ptr<MountedDrive> drive_;
    std::vector<std::string> tempFolders_;
};

}  // namespace kr8
