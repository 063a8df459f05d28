// The backup of everything the program removes, and the way back. Each session that removes
// something keeps its copies in a folder of its own under the Windows folder, with a manifest
// (backup.txt) that a person can read and that the restore follows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "sys/BackupStore.h"
#include "sys/CommonFunction.h"
#include "sys/EllReg.h"
#include "sys/FileSystem.h"

namespace kr8 {

enum class Removal { NotYet, Deleted, ReplacedAtRestart, NotRemoved };

enum class BackupKind { File, Key, Value };

// One line of backup.txt.
struct BackupItem {
    BackupKind kind = BackupKind::File;
    Removal removal = Removal::NotYet;
    std::string stored;            // the copy's name in the backup folder
    std::string sha256;            // of the copy
    std::string original;          // the file's path, or the key as "HKEY_LOCAL_MACHINE\..."
    std::string valueName;         // values only
    std::uint64_t size = 0;        // files only
    std::uint32_t attributes = 0;  // files only
    bool operator==(const BackupItem& o) const {
        return kind == o.kind && removal == o.removal && stored == o.stored && sha256 == o.sha256 &&
               original == o.original && valueName == o.valueName && size == o.size &&
               attributes == o.attributes;
    }
};

// backup.txt: UTF-8 with a byte order mark, CR LF line ends, a commented header.
std::string ManifestText(const std::string& madeAt, const std::vector<BackupItem>& items);
std::optional<std::vector<BackupItem>> ReadManifest(const std::string& text);

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

// The backup folders: those named by a session's date and time newest first, then any other.
std::vector<std::string> BackupFolders(FileSystem& files, CommonFunction& folders);

// Puts back what a backup folder holds, each item only where the program takes such things
// from: a file right inside the Windows, system or temporary folder, under the full path its
// line names (asking before replacing a file that is there now); a key under Winlogon\Notify
// with its own sub-keys, or the one value under Post Platform its line names, from a .reg file
// that holds exactly that. Nothing of an item is written unless its copy and its place pass.
// Ends with one box that names what was put back, or each thing that was not and why. Answers
// those failures, empty when everything was put back.
std::vector<std::string> RestoreFromBackup(const std::string& folder, FileSystem& files,
                                           BackupStore& store, CommonFunction& folders,
                                           MessageBoxes& boxes);

}  // namespace kr8
