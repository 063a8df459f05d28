#include "remove/Backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "app/Texts.h"
#include "scan/ReportText.h"
#include "sys/RegExport.h"
#include "sys/RegFile.h"
#include "sys/Sha256.h"

namespace kr8 {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

const char* KindText(BackupKind kind) {
    switch (kind) {
        case BackupKind::File:
            return "file";
        case BackupKind::Key:
            return "key";
        case BackupKind::Value:
            return "value";
    }
    return "";
}

const char* RemovalText(Removal removal) {
    switch (removal) {
        case Removal::NotYet:
            return text::kRemovalNotYet;
        case Removal::Deleted:
            return text::kRemovalDeleted;
        case Removal::ReplacedAtRestart:
            return text::kRemovalReplaced;
        case Removal::NotRemoved:
            return text::kRemovalNotRemoved;
    }
    return "";
}

// A name on one line of its own field: the tab parts fields, line ends part items.
std::string Escaped(const std::string& name) {
    std::string out;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescaped(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size() || !std::isxdigit(static_cast<unsigned char>(field[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(field[i + 2]))) {
            return std::nullopt;
        }
        out += static_cast<char>(std::strtoul(field.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
    }
    return out;
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = line.find(separator, at);
        parts.push_back(line.substr(at, end - at));
        if (end == std::string::npos) {
            return parts;
        }
        at = end + 1;
    }
}

std::string AttributeText(std::uint32_t attributes) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%08lX %c%c%c", static_cast<unsigned long>(attributes),
                  (attributes & FileAttribute::ReadOnly) != 0 ? 'R' : '-',
                  (attributes & FileAttribute::Hidden) != 0 ? 'H' : '-',
                  (attributes & FileAttribute::System) != 0 ? 'S' : '-');
    return text;
}

std::string WithoutTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

}  // namespace

std::string ManifestText(const std::string& madeAt, const std::vector<BackupItem>& items) {
    std::string header(sizeof text::kManifestHeader + madeAt.size(), '\0');
    header.resize(static_cast<std::size_t>(
        std::snprintf(&header[0], header.size(), text::kManifestHeader, madeAt.c_str())));
    std::string out = kBom + header;
    for (const BackupItem& item : items) {
        out += std::string(KindText(item.kind)) + '\t' + RemovalText(item.removal) + '\t' +
               item.stored + '\t' + item.sha256 + '\t' + Escaped(item.original);
        if (item.kind == BackupKind::File) {
            out += '\t' + std::to_string(item.size) + '\t' + AttributeText(item.attributes);
        } else if (item.kind == BackupKind::Value) {
            out += '\t' + Escaped(item.valueName);
        }
        out += text::kCrLf;
    }
    return out;
}

std::optional<std::vector<BackupItem>> ReadManifest(const std::string& manifest) {
    std::string rest = manifest.compare(0, 3, kBom) == 0 ? manifest.substr(3) : manifest;
    std::vector<BackupItem> items;
    for (std::string line : Split(rest, '\n')) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() < 5) {
            return std::nullopt;
        }
        BackupItem item;
        std::size_t wanted = 5;
        if (fields[0] == "file") {
            item.kind = BackupKind::File;
            wanted = 7;
        } else if (fields[0] == "key") {
            item.kind = BackupKind::Key;
        } else if (fields[0] == "value") {
            item.kind = BackupKind::Value;
            wanted = 6;
        } else {
            return std::nullopt;
        }
        bool known = false;
        for (Removal removal :
             {Removal::NotYet, Removal::Deleted, Removal::ReplacedAtRestart, Removal::NotRemoved}) {
            if (fields[1] == RemovalText(removal)) {
                item.removal = removal;
                known = true;
            }
        }
        const auto original = Unescaped(fields[4]);
        // The stored name is ours: a path in it would reach outside the backup folder.
        if (!known || fields.size() != wanted || !original ||
            fields[2].find_first_of("\\/:") != std::string::npos || fields[2].empty()) {
            return std::nullopt;
        }
        item.stored = fields[2];
        item.sha256 = fields[3];
        item.original = *original;
        if (item.kind == BackupKind::File) {
            item.size = std::strtoull(fields[5].c_str(), nullptr, 10);
            item.attributes =
                static_cast<std::uint32_t>(std::strtoul(fields[6].c_str(), nullptr, 16));
        } else if (item.kind == BackupKind::Value) {
            const auto name = Unescaped(fields[5]);
            if (!name) {
                return std::nullopt;
            }
            item.valueName = *name;
        }
        items.push_back(item);
    }
    return items;
}

Backup::Backup(FileSystem& files, EllReg& reg, BackupStore& store, CommonFunction& folders)
    : files_(files), reg_(reg), store_(store), folders_(folders) {}

bool Backup::MakeFolder() {
    if (!folder_.empty()) {
        return true;
    }
    const std::string parent = folders_.GetWindowsFolder() + text::kBackupFolder;
    // Made by an earlier session, usually.
    store_.CreateFolder(parent);
    const std::string madeAt = store_.LocalTimeName();
    // Two sessions in one second get folders of their own.
    for (int n = 1; n <= text::kMaxSessionFolders; ++n) {
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
    return files_.WriteFileBytes(folder_ + text::kManifestFile, ManifestText(madeAt_, items_));
}

std::optional<std::size_t> Backup::Store(BackupItem item, const std::string& bytes) {
    if (!MakeFolder()) {
        return std::nullopt;
    }
    const std::size_t number = items_.size() + 1;
    const bool isFile = item.kind == BackupKind::File;
    item.stored = std::string(isFile                         ? text::kStoredFile
                              : item.kind == BackupKind::Key ? text::kStoredKey
                                                             : text::kStoredValue) +
                  std::to_string(number) +
                  (isFile ? text::kStoredFileExtension : text::kStoredRegExtension);
    item.sha256 = Sha256Hex(bytes);
    const std::string copy = folder_ + "\\" + item.stored;
    if (!files_.CreateNewFile(copy, bytes)) {
        return std::nullopt;
    }
    const std::optional<std::string> readBack = files_.ReadFileBytes(copy);
    if (!readBack || *readBack != bytes ||
        !store_.SetAttributes(copy, FileAttribute::ReadOnly | FileAttribute::Archive)) {
        return std::nullopt;
    }
    items_.push_back(item);
    if (!WriteManifest()) {
        items_.pop_back();
        return std::nullopt;
    }
    return items_.size() - 1;
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
    if (item < items_.size()) {
        items_[item].removal = removal;
        // A manifest left at "not yet removed" still holds the copy and says so honestly.
        WriteManifest();
    }
}

std::vector<std::string> BackupFolders(FileSystem& files, CommonFunction& folders) {
    const std::string parent = folders.GetWindowsFolder() + text::kBackupFolder;
    std::vector<std::string> found;
    for (const FolderEntry& entry :
         files.ListFolder(parent, "*").value_or(std::vector<FolderEntry>{})) {
        if (entry.isFolder) {
            found.push_back(parent + "\\" + entry.name);
        }
    }
    // The names begin with the date and time, so their order is the order they were made in.
    std::sort(found.rbegin(), found.rend());
    return found;
}

namespace {

// Puts one file back; the failure's text, or nothing.
std::optional<std::string> RestoreFile(const std::string& folder, const BackupItem& item,
                                       FileSystem& files, BackupStore& store, MessageBoxes& boxes) {
    const std::string shown = ShownInReport(item.original);
    const std::optional<std::string> bytes = files.ReadFileBytes(folder + "\\" + item.stored);
    if (!bytes || Sha256Hex(*bytes) != item.sha256) {
        return shown + text::kCopyChanged;
    }
    if (files.Exists(item.original)) {
        const std::optional<std::string> now = files.ReadFileBytes(item.original);
        if (now && *now == *bytes) {
            // Still the file that was backed up: nothing to write over, only its marks to put
            // back. A replacement at restart may still be waiting for it, and the user is told.
            if (!store.SetAttributes(item.original, item.attributes)) {
                return shown + text::kAttributesNotSet;
            }
            if (item.removal == Removal::ReplacedAtRestart) {
                return shown + text::kStillReplacedAtRestart;
            }
            return std::nullopt;
        }
        if (boxes.Show(text::kReplaceFilePrefix + shown + text::kReplaceFileSuffix,
                       MsgButtons::YesNoDefaultNo, MsgIcon::Exclamation,
                       text::kRestoreTitle) != MsgAnswer::Yes) {
            return shown + text::kFileKept;
        }
        // A read-only, hidden or system file refuses to be written over.
        store.SetAttributes(item.original, FileAttribute::Normal);
        if (!files.WriteFileBytes(item.original, *bytes)) {
            return shown + text::kFileNotWritten;
        }
    } else if (!files.CreateNewFile(item.original, *bytes)) {
        return shown + text::kFileNotWritten;
    }
    const std::optional<std::string> written = files.ReadFileBytes(item.original);
    if (!written || *written != *bytes) {
        return shown + text::kFileNotWritten;
    }
    if (!store.SetAttributes(item.original, item.attributes)) {
        return shown + text::kAttributesNotSet;
    }
    return std::nullopt;
}

// Puts the keys and values of one .reg file back; the failures' texts.
std::vector<std::string> RestoreRegistry(const std::string& folder, const BackupItem& item,
                                         FileSystem& files, BackupStore& store) {
    const std::string shown = ShownInReport(item.original);
    const std::optional<std::string> bytes = files.ReadFileBytes(folder + "\\" + item.stored);
    if (!bytes || Sha256Hex(*bytes) != item.sha256) {
        return {shown + text::kCopyChanged};
    }
    std::string error;
    const auto keys = ReadRegFile(*bytes, error);
    if (!keys) {
        return {shown + text::kRegFileUnreadable + error};
    }
    std::vector<std::string> failures;
    for (const RegKeyBytes& key : *keys) {
        const std::string keyShown = ShownInReport(RegKeyText(key.root, key.path));
        if (!store.CreateKey(key.root, key.path)) {
            failures.push_back(keyShown + text::kKeyNotCreated);
            continue;
        }
        for (const RegValueBytes& value : key.values) {
            if (!store.SetValue(key.root, key.path, value)) {
                failures.push_back(keyShown + text::kValueNotWrittenPrefix +
                                   ShownInReport(value.name));
            }
        }
    }
    return failures;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line + text::kCrLf;
    }
    return out;
}

}  // namespace

std::vector<std::string> RestoreFromBackup(const std::string& folder, FileSystem& files,
                                           BackupStore& store, MessageBoxes& boxes) {
    const std::optional<std::string> manifest = files.ReadFileBytes(folder + text::kManifestFile);
    const auto items = manifest ? ReadManifest(*manifest) : std::nullopt;
    std::vector<std::string> failures;
    std::vector<std::string> restored;
    if (!items) {
        failures.push_back(text::kManifestUnreadable + ShownInReport(folder));
    } else {
        for (const BackupItem& item : *items) {
            std::vector<std::string> failed;
            if (item.kind == BackupKind::File) {
                if (auto failure = RestoreFile(folder, item, files, store, boxes)) {
                    failed.push_back(*failure);
                }
            } else {
                failed = RestoreRegistry(folder, item, files, store);
            }
            if (failed.empty()) {
                restored.push_back(ShownInReport(item.original) +
                                   (item.kind == BackupKind::Value
                                        ? " : " + ShownInReport(item.valueName)
                                        : std::string()));
            }
            failures.insert(failures.end(), failed.begin(), failed.end());
        }
    }
    if (failures.empty()) {
        boxes.Show(text::kRestoredAllPrefix + Joined(restored), MsgButtons::Ok, MsgIcon::None,
                   text::kRestoreTitle);
    } else {
        boxes.Show(text::kRestoreFailedPrefix + Joined(failures), MsgButtons::Ok,
                   MsgIcon::Exclamation, text::kRestoreTitle);
    }
    return failures;
}

}  // namespace kr8
