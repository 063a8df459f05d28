#include "remove/Restore.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "scan/AdwarePlaces.h"
#include "sys/AsciiCase.h"
#include "sys/RegFile.h"
#include "sys/Sha256.h"
#include "sys/TrailingBackslashes.h"

namespace kr8 {

namespace {

// The number the digits of text hold from at, or nothing when any of them is no digit.
std::optional<int> Digits(const std::string& text, std::size_t at, std::size_t count) {
    int number = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

int DaysIn(int month, int year) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Where a folder goes among the backups: a session's by its date and time, newest first, and of
// one second the later session (" (2)" …) first; any other folder after them, by name.
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

// A session's name is the date and time it was made, as LocalTimeName gives them
// ("2026-12-07 14.05.31"), and " (N)" for a later session of the same second.
SessionOrder OrderOf(const std::string& name) {
    constexpr std::size_t kLength = sizeof "0000-00-00 00.00.00" - 1;
    SessionOrder order{true, "", 0, name};
    const auto year = Digits(name, 0, 4), month = Digits(name, 5, 2), day = Digits(name, 8, 2);
    const auto hour = Digits(name, 11, 2), minute = Digits(name, 14, 2);
    const auto second = Digits(name, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || name[4] != '-' ||
        name[7] != '-' || name[10] != ' ' || name[13] != '.' || name[16] != '.' || *month < 1 ||
        *month > 12 || *day < 1 || *day > DaysIn(*month, *year) || *hour > 23 || *minute > 59 ||
        *second > 59) {
        return order;
    }
    int session = 1;
    const std::string rest = name.substr(kLength);
    if (!rest.empty()) {
        const std::string number = rest.size() > 3 ? rest.substr(2, rest.size() - 3) : "";
        const auto n = Digits(number, 0, number.size());
        if (rest.compare(0, 2, " (") != 0 || rest.back() != ')' || number.empty() ||
            number[0] == '0' || !n || *n < 2 || *n > kMaxSessionFolders) {
            return order;
        }
        session = *n;
    }
    for (std::size_t i = 0; i < kLength; ++i) {
        order.madeAt += static_cast<char>('9' - name[i] + '0');
    }
    order.other = false;
    order.session = -session;
    return order;
}

// Whether the folder holds its manifest as a file.
bool HoldsManifest(FileSystem& files, const std::string& folder) {
    const auto entries = files.ListFolder(folder, kManifestFile + 1);
    return entries && std::any_of(entries->begin(), entries->end(), [](const FolderEntry& entry) {
               return !entry.isFolder && EqualsIgnoringAsciiCase(entry.name, kManifestFile + 1);
           });
}

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
        item.kind == BackupKind::Key ? place::kNotifyKey : place::kPostPlatformKey);
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

// Whether path names a file right inside the Windows, system or a temporary folder.
bool InItsPlace(const std::string& path, CommonFunction& places) {
    // Every temporary folder: a system seen from outside has one for each profile.
    const std::vector<std::string> temps = places.GetTempFolders();
    return RightInside(path, places.GetWindowsFolder()) ||
           RightInside(path, places.GetSystemFolder()) ||
           std::any_of(temps.begin(), temps.end(),
                       [&](const std::string& temp) { return RightInside(path, temp); });
}

// The file a line names, on the drive the Windows folder is reached on now. A Windows on
// another disk is named by the Linux program as that Windows names it ("C:\WINDOWS\...") and
// by this program's /offline as it reached it ("E:\WINDOWS\..."); the backup lies on that disk,
// so a line that is in its place on no drive but under another letter names that disk's file.
std::string OnThisDrive(const std::string& original, CommonFunction& places) {
    const std::string windows = places.GetWindowsFolder();
    if (InItsPlace(original, places) || original.size() < 3 || original[1] != ':' ||
        original[2] != '\\' || windows.size() < 3 || windows[1] != ':') {
        return original;
    }
    const std::string moved = windows.substr(0, 2) + original.substr(2);
    return InItsPlace(moved, places) ? moved : original;
}

// Puts one file back; why it was not, or nothing.
std::optional<NotRestoredWhy> RestoreFile(const std::string& folder, const BackupItem& item,
                                          FileSystem& files, BackupStore& store,
                                          CommonFunction& places, const ReplaceQuestion& replace) {
    if (!InItsPlace(item.original, places)) {
        return NotRestoredWhy::NotItsPlace;
    }
    const std::optional<std::string> bytes = files.ReadFileBytes(folder + "\\" + item.stored);
    if (!bytes || Sha256Hex(*bytes) != item.sha256) {
        return NotRestoredWhy::CopyChanged;
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
                return NotRestoredWhy::AttributesNotSet;
            }
            if (item.removal == Removal::ReplacedAtRestart) {
                return NotRestoredWhy::StillReplacedAtRestart;
            }
            return std::nullopt;
        }
        if (!replace(item.original)) {
            return NotRestoredWhy::FileKept;
        }
        // A read-only, hidden or system file refuses to be written over. One that cannot be
        // written anyway stays as it was, its marks included.
        const std::optional<std::uint32_t> marks = store.Attributes(item.original);
        store.SetAttributes(item.original, FileAttribute::Normal);
        if (!files.WriteFileBytes(item.original, *bytes)) {
            if (marks) {
                store.SetAttributes(item.original, *marks);
            }
            return NotRestoredWhy::FileNotWritten;
        }
    } else if (!made) {
        return NotRestoredWhy::FileNotWritten;
    }
    const std::optional<std::string> written = files.ReadFileBytes(item.original);
    if (!written || *written != *bytes) {
        return NotRestoredWhy::FileNotWritten;
    }
    if (!store.SetAttributes(item.original, item.attributes)) {
        return NotRestoredWhy::AttributesNotSet;
    }
    return std::nullopt;
}

// Puts the keys and values of one .reg file back; what was not, and why.
std::vector<NotRestored> RestoreRegistry(const std::string& folder, const BackupItem& item,
                                         FileSystem& files, BackupStore& store) {
    const std::optional<std::string> keyPath = KeyInPlace(item);
    if (!keyPath) {
        return {{NotRestoredWhy::NotItsPlace, item.original, ""}};
    }
    const std::optional<std::string> bytes = files.ReadFileBytes(folder + "\\" + item.stored);
    if (!bytes || Sha256Hex(*bytes) != item.sha256) {
        return {{NotRestoredWhy::CopyChanged, item.original, ""}};
    }
    std::string error;
    const auto keys = ReadRegFile(*bytes, error);
    if (!keys) {
        return {{NotRestoredWhy::RegFileUnreadable, item.original, error}};
    }
    if (!HoldsOnly(*keys, item, *keyPath)) {
        return {{NotRestoredWhy::RegFileHoldsMore, item.original, ""}};
    }
    std::vector<NotRestored> failures;
    for (const RegKeyBytes& key : *keys) {
        const std::string keyText = RegKeyText(key.root, key.path);
        if (!store.Registry().CreateKey(key.root, key.path)) {
            failures.push_back({NotRestoredWhy::KeyNotCreated, keyText, ""});
            continue;
        }
        for (const RegValueBytes& value : key.values) {
            if (!store.Registry().SetValue(key.root, key.path, value)) {
                failures.push_back({NotRestoredWhy::ValueNotWritten, keyText, value.name});
            }
        }
    }
    return failures;
}

}  // namespace

std::vector<BackupFolder> BackupFolders(FileSystem& files, CommonFunction& folders) {
    const std::string parent = folders.GetWindowsFolder() + kBackupFolder;
    std::vector<std::pair<SessionOrder, BackupFolder>> found;
    for (const FolderEntry& entry :
         files.ListFolder(parent, "*").value_or(std::vector<FolderEntry>{})) {
        if (!entry.isFolder) {
            continue;
        }
        const std::string path = parent + "\\" + entry.name;
        SessionOrder order = OrderOf(entry.name);
        // A session's name on a folder without its manifest is no backup to offer first.
        if (!order.other && !HoldsManifest(files, path)) {
            order = SessionOrder{true, "", 0, entry.name};
        }
        found.push_back({order, {path, !order.other}});
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<BackupFolder> sorted;
    for (const auto& folder : found) {
        sorted.push_back(folder.second);
    }
    return sorted;
}

RestoreOutcome RestoreFromBackup(const std::string& folder, FileSystem& files, BackupStore& store,
                                 CommonFunction& places, const ReplaceQuestion& replace) {
    const std::optional<std::string> manifest = files.ReadFileBytes(folder + kManifestFile);
    const auto items = manifest ? ReadManifest(*manifest) : std::nullopt;
    RestoreOutcome outcome;
    if (!items) {
        outcome.notRestored.push_back({NotRestoredWhy::ManifestUnreadable, folder, ""});
        return outcome;
    }
    for (BackupItem item : *items) {
        std::vector<NotRestored> failed;
        if (item.kind == BackupKind::File) {
            item.original = OnThisDrive(item.original, places);
            if (auto why = RestoreFile(folder, item, files, store, places, replace)) {
                failed.push_back({*why, item.original, ""});
            }
        } else {
            failed = RestoreRegistry(folder, item, files, store);
        }
        if (failed.empty()) {
            outcome.restored.push_back(item);
        }
        outcome.notRestored.insert(outcome.notRestored.end(), failed.begin(), failed.end());
    }
    return outcome;
}

}  // namespace kr8
