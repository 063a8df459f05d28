#include "remove/Backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <utility>

#include "app/Texts.h"
#include "scan/ReportText.h"
#include "sys/AsciiCase.h"
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

// Where a folder goes among the backups: a session's folder by its date and time, newest
// first, and of one second the later session (" (2)" …) first; any other folder after them,
// by name.
struct SessionOrder {
    bool other = true;
    std::string madeAt;  // inverted, so that the newest sorts first
    int session = 0;     // negated, for the same reason
    std::string name;
    bool operator<(const SessionOrder& o) const {
        return std::tie(other, madeAt, session, name) <
               std::tie(o.other, o.madeAt, o.session, o.name);
    }
};

SessionOrder OrderOf(const std::string& name) {
    // "2026-12-07 14.05.31": a digit wherever the form has a 0.
    constexpr char kForm[] = "0000-00-00 00.00.00";
    constexpr std::size_t kLength = sizeof kForm - 1;
    SessionOrder order{true, "", 0, name};
    if (name.size() < kLength) {
        return order;
    }
    for (std::size_t i = 0; i < kLength; ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(name[i])) != 0;
        if (kForm[i] == '0' ? !digit : name[i] != kForm[i]) {
            return order;
        }
    }
    int session = 1;
    const std::string rest = name.substr(kLength);
    if (!rest.empty()) {
        const std::string number = rest.size() > 3 ? rest.substr(2, rest.size() - 3) : "";
        if (rest.compare(0, 2, " (") != 0 || rest.back() != ')' || number.empty() ||
            number.size() > 2 || number.find_first_not_of("0123456789") != std::string::npos) {
            return order;
        }
        session = std::atoi(number.c_str());
    }
    for (std::size_t i = 0; i < kLength; ++i) {
        order.madeAt += static_cast<char>('9' - name[i] + '0');
    }
    order.other = false;
    order.session = -session;
    return order;
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
        if (files_.Exists(folder_)) {
            return true;
        }
        // Deleted while the program runs (the README tells how): what it held is gone, and the
        // copies from here on go to a folder of their own.
        firstNumber_ += items_.size();
        items_.clear();
        folder_.clear();
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
        files_.RemoveFile(folder_ + text::kManifestFile);
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

std::vector<std::string> BackupFolders(FileSystem& files, CommonFunction& folders) {
    const std::string parent = folders.GetWindowsFolder() + text::kBackupFolder;
    std::vector<std::pair<SessionOrder, std::string>> found;
    for (const FolderEntry& entry :
         files.ListFolder(parent, "*").value_or(std::vector<FolderEntry>{})) {
        if (entry.isFolder) {
            found.emplace_back(OrderOf(entry.name), parent + "\\" + entry.name);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (const auto& folder : found) {
        paths.push_back(folder.second);
    }
    return paths;
}

namespace {

// Whether path names a file right inside folder, as the files the program removes are: no
// sub-folder, no way up, no stream of another file. A relative path says nowhere.
bool RightInside(const std::string& path, std::string folder) {
    folder = WithoutTrailingBackslashes(folder);
    if (folder.empty() || path.size() <= folder.size() + 1 ||
        !StartsWithIgnoringAsciiCase(path, folder) || path[folder.size()] != '\\') {
        return false;
    }
    const std::string name = path.substr(folder.size() + 1);
    return name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

// The key a key or value line names, as the .reg file must name it; nothing when the line
// names no key that the program removes.
std::optional<std::string> KeyInPlace(const BackupItem& item) {
    const std::string root = RegKeyText(RegRoot::LocalMachine, "");
    const std::string parent = WithoutTrailingBackslashes(
        item.kind == BackupKind::Key ? text::kNotifyKey : text::kPostPlatformKey);
    if (!StartsWithIgnoringAsciiCase(item.original, root + parent)) {
        return std::nullopt;
    }
    const std::string rest = item.original.substr(root.size() + parent.size());
    if (item.kind == BackupKind::Value) {
        return rest.empty() ? std::optional(item.original.substr(root.size())) : std::nullopt;
    }
    // One guardian, by its own name: not Notify itself, nothing deeper.
    if (rest.size() < 2 || rest[0] != '\\' || rest.find('\\', 1) != std::string::npos) {
        return std::nullopt;
    }
    return item.original.substr(root.size());
}

// Whether the .reg file holds exactly what the line names: the key and keys under it, or the
// one value, and nothing beside.
bool HoldsOnly(const std::vector<RegKeyBytes>& keys, const BackupItem& item,
               const std::string& keyPath) {
    if (keys.empty() || keys[0].root != RegRoot::LocalMachine || keys[0].path != keyPath) {
        return false;
    }
    if (item.kind == BackupKind::Value) {
        return keys.size() == 1 && keys[0].values.size() == 1 &&
               keys[0].values[0].name == item.valueName;
    }
    return std::all_of(keys.begin() + 1, keys.end(), [&](const RegKeyBytes& key) {
        const std::string under = keyPath + "\\";
        return key.root == RegRoot::LocalMachine && key.path.size() > under.size() &&
               key.path.compare(0, under.size(), under) == 0 &&
               key.path.find("\\\\") == std::string::npos && key.path.back() != '\\';
    });
}

// Puts one file back; the failure's text, or nothing.
std::optional<std::string> RestoreFile(const std::string& folder, const BackupItem& item,
                                       FileSystem& files, BackupStore& store,
                                       CommonFunction& places, MessageBoxes& boxes) {
    const std::string shown = ShownInReport(item.original);
    // Every temporary folder: a system seen from outside has one for each profile.
    const std::vector<std::string> temps = places.GetTempFolders();
    if (!RightInside(item.original, places.GetWindowsFolder()) &&
        !RightInside(item.original, places.GetSystemFolder()) &&
        std::none_of(temps.begin(), temps.end(),
                     [&](const std::string& temp) { return RightInside(item.original, temp); })) {
        return shown + text::kNotItsPlace;
    }
    const std::optional<std::string> bytes = files.ReadFileBytes(folder + "\\" + item.stored);
    if (!bytes || Sha256Hex(*bytes) != item.sha256) {
        return shown + text::kCopyChanged;
    }
    // A missing file is made anew before anything is asked: a case-sensitive disk may hold the
    // name in another case, which is another file there and no file to replace.
    const bool made = files.CreateNewFile(item.original, *bytes);
    if (!made && files.Exists(item.original)) {
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
        // A read-only, hidden or system file refuses to be written over. One that cannot be
        // written anyway stays as it was, its marks included.
        const std::optional<std::uint32_t> marks = store.Attributes(item.original);
        store.SetAttributes(item.original, FileAttribute::Normal);
        if (!files.WriteFileBytes(item.original, *bytes)) {
            if (marks) {
                store.SetAttributes(item.original, *marks);
            }
            return shown + text::kFileNotWritten;
        }
    } else if (!made) {
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
    const std::optional<std::string> keyPath = KeyInPlace(item);
    if (!keyPath) {
        return {shown + text::kNotItsPlace};
    }
    const std::optional<std::string> bytes = files.ReadFileBytes(folder + "\\" + item.stored);
    if (!bytes || Sha256Hex(*bytes) != item.sha256) {
        return {shown + text::kCopyChanged};
    }
    std::string error;
    const auto keys = ReadRegFile(*bytes, error);
    if (!keys) {
        return {shown + text::kRegFileUnreadable + error};
    }
    if (!HoldsOnly(*keys, item, *keyPath)) {
        return {shown + text::kRegFileHoldsMore};
    }
    std::vector<std::string> failures;
    for (const RegKeyBytes& key : *keys) {
        const std::string keyShown = ShownInReport(RegKeyText(key.root, key.path));
        if (!store.Registry().CreateKey(key.root, key.path)) {
            failures.push_back(keyShown + text::kKeyNotCreated);
            continue;
        }
        for (const RegValueBytes& value : key.values) {
            if (!store.Registry().SetValue(key.root, key.path, value)) {
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
                                           BackupStore& store, CommonFunction& places,
                                           MessageBoxes& boxes) {
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
                if (auto failure = RestoreFile(folder, item, files, store, places, boxes)) {
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
