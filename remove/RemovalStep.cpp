#include "remove/RemovalStep.h"

#include <utility>

namespace kr8 {

RemovalStep::RemovalStep(Backup& backup, FileSystem& files, EllReg& reg,
                         std::function<bool(const std::string&)> fileThere)
    : backup_(backup), files_(files), reg_(reg), fileThere_(std::move(fileThere)) {
    if (!fileThere_) {
        fileThere_ = [&files](const std::string& path) { return files.Exists(path); };
    }
}

RemovalOutcome RemovalStep::Remove(const RemovalItem& item, const RemovalAsks& asks) {
    RemovalOutcome outcome = RemovalOutcome::Removed;
    const std::optional<TakenItem> taken = Take(item, asks, &outcome);
    if (!taken) {
        return outcome;
    }
    if (!Gone(*taken, reg_)) {
        outcome = asks.stayed ? asks.stayed() : RemovalOutcome::NotRemoved;
    }
    Record(*taken, outcome);
    return outcome;
}

std::optional<TakenItem> RemovalStep::Take(const RemovalItem& item, const RemovalAsks& asks,
                                           RemovalOutcome* left) {
    TakenItem taken{item, {}, false};
    // The copy is made and checked before anything of the original changes, a file's marks
    // included, so that the backup keeps them as the adware left them.
    switch (item.kind) {
        case BackupKind::File:
            taken.saved = backup_.SaveFile(item.path);
            break;
        case BackupKind::Key:
            taken.saved = backup_.SaveKey(item.root, item.path);
            break;
        case BackupKind::Value:
            taken.saved = backup_.SaveValue(item.root, item.path, item.valueName);
            break;
    }
    const auto leave = [left](RemovalOutcome why) {
        if (left != nullptr) {
            *left = why;
        }
        return std::nullopt;
    };
    if (!taken.saved && !(asks.withoutBackup && asks.withoutBackup())) {
        return leave(RemovalOutcome::NoBackupSkipped);
    }
    if (item.kind != BackupKind::File) {
        if (item.kind == BackupKind::Key) {
            reg_.DeleteRegKey(item.root, item.path);
        } else {
            reg_.DeleteRegValue(item.root, item.path, item.valueName);
        }
        taken.deleted = true;
        return taken;
    }
    if (asks.beforeDelete && !asks.beforeDelete()) {
        return leave(RemovalOutcome::Stopped);
    }
    files_.ClearReadOnlyHiddenSystem(item.path);
    taken.deleted = files_.RemoveFile(item.path);
    return taken;
}

bool RemovalStep::Gone(const TakenItem& taken, EllReg& reg) {
    const RemovalItem& item = taken.item;
    switch (item.kind) {
        case BackupKind::File:
            // Another file spelled the same but for case is no sign the delete failed.
            return taken.deleted && !fileThere_(item.path);
        case BackupKind::Key:
            return !reg.KeyExists(item.root, item.path);
        case BackupKind::Value:
            return !reg.ValueExists(item.root, item.path, item.valueName);
    }
    return false;
}

void RemovalStep::Record(const TakenItem& taken, RemovalOutcome outcome) {
    if (!taken.saved) {
        return;
    }
    backup_.Record(*taken.saved, outcome == RemovalOutcome::Removed ? Removal::Deleted
                                 : outcome == RemovalOutcome::ReplacedAtRestart
                                     ? Removal::ReplacedAtRestart
                                     : Removal::NotRemoved);
}

}  // namespace kr8
