#include "remove/Backup.h"

#include "sys/RegExport.h"
#include "sys/RegFile.h"
#include "sys/Sha256.h"
#include "sys/TrailingBackslashes.h"

namespace kr8 {

namespace {

// Stored copies are numbered, and end in .bak: nothing loads or runs them by accident.
constexpr char kStoredFile[] = "file";
constexpr char kStoredFileExtension[] = ".bak";
constexpr char kStoredKey[] = "key";
constexpr char kStoredValue[] = "value";
constexpr char kStoredRegExtension[] = ".reg";

}  // namespace

Backup::Backup(FileSystem& files, EllReg& reg, BackupStore& store, CommonFunction& folders)
    : files_(files), reg_(reg), store_(store), folders_(folders) {}

bool Backup::MakeFolder() {
    if (!folder_.empty()) {
        if (files_.Exists(folder_)) {
            return true;
        }
        // Deleted while the program runs (the README tells how): what it held is gone, and the
        // copies from here on go to a folder of their own.
        firstNumber_ += items_.size();
        items_.clear();
        folder_.clear();
    }
    const std::string parent = folders_.GetWindowsFolder() + kBackupFolder;
    // Made by an earlier session, usually.
    store_.CreateFolder(parent);
    const std::string madeAt = store_.LocalTimeName();
    // Two sessions in one second get folders of their own.
    for (int n = 1; n <= kMaxSessionFolders; ++n) {
        const std::string folder =
            parent + "\\" + madeAt + (n == 1 ? "" : " (" + std::to_string(n) + ")");
        if (store_.CreateFolder(folder)) {
            folder_ = folder;
            madeAt_ = madeAt;
            return true;
        }
    }
    return false;
}

bool Backup::WriteManifest() {
    return files_.WriteFileBytes(folder_ + kManifestFile, ManifestText(madeAt_, items_));
}

std::optional<std::size_t> Backup::Store(BackupItem item, const std::string& bytes) {
    if (!MakeFolder()) {
        return std::nullopt;
    }
    const std::size_t number = items_.size() + 1;
    const bool isFile = item.kind == BackupKind::File;
    item.stored = std::string(isFile                         ? kStoredFile
                              : item.kind == BackupKind::Key ? kStoredKey
                                                             : kStoredValue) +
                  std::to_string(number) + (isFile ? kStoredFileExtension : kStoredRegExtension);
    item.sha256 = Sha256Hex(bytes);
    const std::string copy = folder_ + "\\" + item.stored;
    items_.push_back(item);
    if (files_.CreateNewFile(copy, bytes)) {
        const std::optional<std::string> readBack = files_.ReadFileBytes(copy);
        if (readBack && *readBack == bytes &&
            store_.SetAttributes(copy, FileAttribute::ReadOnly | FileAttribute::Archive) &&
            WriteManifest()) {
            return firstNumber_ + items_.size() - 1;
        }
        // A copy that did not pass is no backup, and must not pass for one later.
        store_.SetAttributes(copy, FileAttribute::Normal);
        files_.RemoveFile(copy);
    }
    items_.pop_back();
    if (items_.empty()) {
        // A session that keeps nothing leaves no folder to be offered for a restore.
        files_.RemoveFile(folder_ + kManifestFile);
        store_.RemoveFolder(folder_);
        folder_.clear();
    } else {
        WriteManifest();
    }
    return std::nullopt;
}

std::optional<std::size_t> Backup::SaveFile(const std::string& path) {
    const std::optional<std::uint32_t> attributes = store_.Attributes(path);
    const std::optional<std::string> bytes = files_.ReadFileBytes(path);
    if (!attributes || !bytes) {
        return std::nullopt;
    }
    BackupItem item;
    item.kind = BackupKind::File;
    item.original = path;
    item.size = bytes->size();
    item.attributes = *attributes;
    return Store(item, *bytes);
}

std::optional<std::size_t> Backup::SaveKey(RegRoot root, const std::string& keyPath) {
    const std::string path = WithoutTrailingBackslashes(keyPath);
    const auto keys = ExportKey(reg_, root, path);
    std::string refused;
    const auto reg = keys ? WriteRegFile(*keys, refused) : std::nullopt;
    if (!reg) {
        return std::nullopt;
    }
    BackupItem item;
    item.kind = BackupKind::Key;
    item.original = RegKeyText(root, path);
    return Store(item, *reg);
}

std::optional<std::size_t> Backup::SaveValue(RegRoot root, const std::string& keyPath,
                                             const std::string& valueName) {
    const std::string path = WithoutTrailingBackslashes(keyPath);
    const auto value = reg_.QueryValue(root, path, valueName);
    std::string refused;
    const auto reg =
        value ? WriteRegFile({RegKeyBytes{root, path, {*value}}}, refused) : std::nullopt;
    if (!reg) {
        return std::nullopt;
    }
    BackupItem item;
    item.kind = BackupKind::Value;
    item.original = RegKeyText(root, path);
    item.valueName = valueName;
    return Store(item, *reg);
}

void Backup::Record(std::size_t item, Removal removal) {
    if (item >= firstNumber_ && item - firstNumber_ < items_.size()) {
        items_[item - firstNumber_].removal = removal;
        // A manifest left at "not yet removed" still holds the copy and says so honestly.
        WriteManifest();
    }
}

}  // namespace kr8
