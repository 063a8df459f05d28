// One removal, as the window's handlers and the offline clean all make it: the item is backed up
// before anything of it changes, and goes without a backup only where the caller's question
// allows it; after the delete it is looked at again, and what became of it is recorded beside
// its copy. The questions and the words stay with each caller.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "remove/Backup.h"
#include "sys/EllReg.h"
#include "sys/FileSystem.h"

namespace kr8 {

enum class RemovalOutcome {
    Removed,
    NotRemoved,
    ReplacedAtRestart,  // a file that stayed, handed by the caller to the next restart
    NoBackupSkipped,    // no backup could be made, and the item was left as it was
    Stopped,            // the caller stopped before the delete: left as it was, nothing recorded
};

// A file, a key with everything under it, or one value of a key.
struct RemovalItem {
    BackupKind kind = BackupKind::File;
    std::string path;  // the file's, or the key's
    RegRoot root = RegRoot::LocalMachine;
    std::string valueName;

    static RemovalItem File(const std::string& path) {
        return {BackupKind::File, path, RegRoot::LocalMachine, ""};
    }
    static RemovalItem Key(RegRoot root, const std::string& keyPath) {
        return {BackupKind::Key, keyPath, root, ""};
    }
    static RemovalItem Value(RegRoot root, const std::string& keyPath, const std::string& name) {
        return {BackupKind::Value, keyPath, root, name};
    }
};

// What a caller adds to the step; each may be left out.
struct RemovalAsks {
    // No backup could be made: whether to delete all the same. Left out: never.
    std::function<bool()> withoutBackup;
    // Files, once backed up and before their marks are cleared: false stops.
    std::function<bool()> beforeDelete;
    // An item still there after its delete: what the caller made of it. Left out: NotRemoved.
    std::function<RemovalOutcome()> stayed;
};

// An item backed up (or let go without a backup) and deleted, not yet looked at again.
struct TakenItem {
    RemovalItem item;
    std::optional<std::size_t> saved;  // its line in the backup
    bool deleted = false;              // the delete said so; registry deletes are silent
};

class RemovalStep {
  public:
    // fileThere: whether a file's exact name is there, where the disk answers Exists for another
    // spelling too; files.Exists when left out.
    RemovalStep(Backup& backup, FileSystem& files, EllReg& reg,
                std::function<bool(const std::string&)> fileThere = {});

    // The whole step: taken, looked at again in the registry it was deleted from, recorded.
    RemovalOutcome Remove(const RemovalItem& item, const RemovalAsks& asks = {});

    // The step in its halves, for a registry whose changes count only once they are saved.
    // Take backs up and deletes; nothing when the item was left as it was, and then *left says
    // why (NoBackupSkipped or Stopped).
    std::optional<TakenItem> Take(const RemovalItem& item, const RemovalAsks& asks,
                                  RemovalOutcome* left = nullptr);
    // Looked at again: a file by its exact name, a key or value in reg as it holds it now.
    bool Gone(const TakenItem& taken, EllReg& reg);
    // Into the backup, when it holds the item.
    void Record(const TakenItem& taken, RemovalOutcome outcome);

  private:
    Backup& backup_;
    FileSystem& files_;
    EllReg& reg_;
    std::function<bool(const std::string&)> fileThere_;
};

}  // namespace kr8
