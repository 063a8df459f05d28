// The way back from a backup (remove/Backup.h): which folders hold one, and putting back what
// one holds. It says what it did and did not put back, and why, in codes: each front end words
// that its own way.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "remove/Manifest.h"
#include "sys/BackupStore.h"
#include "sys/CommonFunction.h"
#include "sys/FileSystem.h"

namespace kr8 {

// One folder under the Windows folder's KR8 Backup.
struct BackupFolder {
    std::string path;
    // Named by a real date and time ("2026-12-07 14.05.31", maybe " (2)" after it) and holding
    // its backup.txt: a session's backup, and not just any folder someone made there.
    bool isBackup = false;
    bool operator==(const BackupFolder& o) const {
        return path == o.path && isBackup == o.isBackup;
    }
};

// The backups newest first, and of one second the later session first; then every other
// folder, by name.
std::vector<BackupFolder> BackupFolders(FileSystem& files, CommonFunction& folders);

// Why something was not put back.
enum class NotRestoredWhy {
    ManifestUnreadable,      // backup.txt is missing or not whole; `what` is the folder
    NotItsPlace,             // the line names no place the program takes such things from
    CopyChanged,             // the copy is missing or no longer matches its SHA-256
    StillReplacedAtRestart,  // the file is back as it was, but a restart may still replace it
    FileKept,                // a file is there now, and the answer was to keep it
    FileNotWritten,
    AttributesNotSet,
    RegFileUnreadable,  // `detail` is the reader's own account
    RegFileHoldsMore,   // the .reg file holds more or other than its line names
    KeyNotCreated,      // `what` is the key as the .reg file names it
    ValueNotWritten,    // `what` is the key, `detail` the value's name
};

struct NotRestored {
    NotRestoredWhy why;
    std::string what;  // the item's original (file or key), unless `why` says otherwise
    std::string detail;
    bool operator==(const NotRestored& o) const {
        return why == o.why && what == o.what && detail == o.detail;
    }
};

struct RestoreOutcome {
    std::vector<BackupItem> restored;  // whole, in the manifest's order
    std::vector<NotRestored> notRestored;
    bool Whole() const { return notRestored.empty(); }
};

// Asked before a file that is there now, and differs from the copy, is written over: true to
// replace it.
using ReplaceQuestion = std::function<bool(const std::string& original)>;

// Puts back what a backup folder holds, each item only where the program takes such things
// from: a file right inside the Windows, system or temporary folder, under the full path its
// line names; a key under Winlogon\Notify with its own sub-keys, or the one value under Post
// Platform its line names, from a .reg file that holds exactly that. Nothing of an item is
// written unless its copy and its place pass.
RestoreOutcome RestoreFromBackup(const std::string& folder, FileSystem& files, BackupStore& store,
                                 CommonFunction& folders, const ReplaceQuestion& replace);

}  // namespace kr8
