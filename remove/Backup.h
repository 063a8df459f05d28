// The backup of everything the program removes. Each session that removes something keeps its
// copies in a folder of its own under the Windows folder, with a manifest (remove/Manifest.h);
// the way back is remove/Restore.h.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "remove/Manifest.h"
#include "sys/BackupStore.h"
#include "sys/CommonFunction.h"
#include "sys/EllReg.h"
#include "sys/FileSystem.h"

namespace kr8 {

// This session's backup. Its folder is made when a copy needs it, and made again when it has
// been deleted since; a session that keeps no copy leaves none behind.
class Backup {
  public:
    Backup(FileSystem& files, EllReg& reg, BackupStore& store, CommonFunction& folders);

    // Copies the file into the backup, reads the copy back and compares it, and makes it
    // read-only. The item's number, or nothing when no checked copy could be made.
    std::optional<std::size_t> SaveFile(const std::string& path);
    // Exports the key with everything under it, or one value, into a .reg file, checked the
    // same way.
    std::optional<std::size_t> SaveKey(RegRoot root, const std::string& keyPath);
    std::optional<std::size_t> SaveValue(RegRoot root, const std::string& keyPath,
                                         const std::string& valueName);

    // What happened to the original after its backup was made. An item of a folder that has
    // been deleted since is gone with it.
    void Record(std::size_t item, Removal removal);

    // The session's folder, empty while it holds no item.
    const std::string& Folder() const { return folder_; }

  private:
    bool MakeFolder();
    std::optional<std::size_t> Store(BackupItem item, const std::string& bytes);
    bool WriteManifest();

    FileSystem& files_;
    EllReg& reg_;
    BackupStore& store_;
    CommonFunction& folders_;
    std::string folder_;
    std::string madeAt_;
    std::vector<BackupItem> items_;
    // The number handed out for items_[0]: numbers of a deleted folder's items stay unused.
    std::size_t firstNumber_ = 0;
};

}  // namespace kr8
