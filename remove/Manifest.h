// backup.txt, the manifest of one session's backup folder: what each copy is, where it was taken
// from and what became of the original. A person can read it, and the restore follows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kr8 {

// Where the sessions' folders are, under the Windows folder, and the manifest in each.
inline constexpr char kBackupFolder[] = "\\KR8 Backup";
inline constexpr char kManifestFile[] = "\\backup.txt";
// A session's folder is named by its date and time; two sessions of one second get " (2)" up
// to this.
inline constexpr int kMaxSessionFolders = 99;

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

// UTF-8 with a byte order mark, CR LF line ends, a commented header.
std::string ManifestText(const std::string& madeAt, const std::vector<BackupItem>& items);
std::optional<std::vector<BackupItem>> ReadManifest(const std::string& text);

}  // namespace kr8
