// The files of a Windows drive mounted on Linux, addressed by the Windows paths the handlers use
// ("C:\WINDOWS\system32\x.dll"). The disk was written by whoever we are cleaning up after: the
// drive's root is opened once, and every path is walked from that descriptor one name at a
// time, by the kernel's rules (no symbolic link, no magic link, no other mount, nothing above
// the root), so that nothing outside the tree can be read or changed whatever the disk holds.
// Each step is the name the disk holds, else the first listed name that matches it without
// regard to ASCII case: a case-sensitive mount (ntfs-3g) holds "System32" where Windows is asked
// for "system32". Only regular files are read or written; a FIFO, device, socket or link where
// a file is wanted is refused without being opened for reading.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sys/posix/PosixHandles.h"
#include "sys/posix/WindowsDrive.h"

namespace kr8 {

// How a name is looked up below the root: by openat2's confinement (Linux 5.6 and later), or
// where the kernel lacks it, by openat with O_NOFOLLOW and a check of each step's device.
enum class Confinement { Kernel, StepByStep };

class MountedDrive : public WindowsDrive {
  public:
    // drive: "C:"; mountRoot: the Linux folder that holds the drive's root, resolved once here.
    // Confinement::Kernel falls back to StepByStep where the kernel has no openat2.
    MountedDrive(std::string drive, const std::string& mountRoot,
                 Confinement confinement = Confinement::Kernel);

    // False when the root could not be opened as a folder: every path then names nothing.
    bool Opened() const { return static_cast<bool>(root_); }
    // The root as resolved once here: the tree nothing outside of is reached.
    const std::string& RootPath() const { return rootPath_; }
    Confinement Confined() const { return confinement_; }

    // The drive is the one windowsFolder ("D:\WINNT") names, and its Windows folder is the
    // folder diskName right under the root, whatever else is spelled like it without regard to
    // ASCII case: the folder given on the command line, where the disk may hold "WINDOWS" and
    // "windows" both.
    void PinWindowsFolder(const std::string& windowsFolder, const std::string& diskName) override;

    bool Exists(const std::string& path) override;
    // Whether the last step is there spelled exactly so, not only in another case: after a
    // delete, a case twin of the name is no sign that the delete failed.
    bool ExistsExactly(const std::string& path);
    // What is at path itself, a link not followed.
    std::optional<struct stat> Status(const std::string& path) override;
    // The Linux path of what path names, spelled as on the disk, for a message only: anything
    // done with it would leave the drive's confinement.
    std::optional<std::string> Shown(const std::string& path) override;
    // Whether the regular file at path could be written: its disk is mounted for writing, and
    // its permissions allow it (ntfs-3g mounts a hibernated Windows read-only).
    bool Writable(const std::string& path);
    // A regular file's length; a link has none.
    std::optional<std::uint64_t> FileLength(const std::string& path) override;
    // Names Windows could not hold (a backslash, a control character, no UTF-8) are left out:
    // joined into a Windows path they would name another file. Each is told in Problems().
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                       const std::string& pattern) override;
    std::optional<std::string> ReadFileBytes(const std::string& path) override;
    // The bytes and identity of a regular file, read through one descriptor.
    std::optional<FileRead> ReadRegularFile(const std::string& path) override;
    void ClearReadOnlyHiddenSystem(const std::string& path) override;
    // The file's Windows attributes: NTFS's own as ntfs-3g shows them, or on a disk without
    // them, read-only from the write permission alone.
    std::optional<std::uint32_t> Attributes(const std::string& path);
    bool SetAttributes(const std::string& path, std::uint32_t attributes);
    // The Windows path of a Linux path on the drive, or nothing when it lies elsewhere.
    std::optional<std::string> WindowsPath(const std::string& local) const;
    // Creates the folder; false when it could not, or when something was there already in any
    // spelling, as on Windows.
    bool CreateFolder(const std::string& path);
    // Removes the folder when it is empty.
    bool RemoveFolder(const std::string& path);

    // The changes below act on the last step spelled exactly as given, never on a name that
    // only matches it in another case: on a case-sensitive disk that is another file.
    bool RemoveFile(const std::string& path) override;
    bool WriteFileBytes(const std::string& path, const std::string& bytes) override;
    // A case twin of the name does not take it: the new file is made beside the twin.
    bool CreateNewFile(const std::string& path, const std::string& bytes) override;
    std::unique_ptr<HeldFile> Hold(const std::string& path) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    // Nothing runs at the restart of a system seen from outside.
    bool ReplaceAtRestart(const std::string&, const std::string&) override { return false; }

    // Replaces the regular file at path by a fresh one that write fills in: the fresh file is
    // made beside it under a name of its own (O_EXCL), written through "/proc/self/fd/N",
    // flushed, renamed over path within the folder and the folder flushed; on any failure it is
    // removed and path is untouched. The new file as written, or nothing.
    std::optional<FileRead> ReplaceFile(const std::string& path,
                                        const std::function<bool(const std::string&)>& write);

    // What the drive refused or skipped (a name Windows cannot hold, something that is no
    // regular file where a file was wanted), each once, in plain English; the scan is not whole.
    const std::vector<std::string>& Problems() const override { return problems_; }

  private:
    struct Place;
    std::optional<Place> Find(const std::string& path, bool lastMustExist, bool exactLast);
    UniqueFd OpenStep(int folder, const std::string& name, int flags, mode_t mode = 0);
    std::optional<std::string> NameIn(int folder, const std::string& step);
    UniqueFd OpenRegular(const Place& place, int flags, struct stat* st);
    void Changed() { folded_.clear(); }
    void Problem(const std::string& text);

    std::string drive_;
    std::string rootPath_;
    UniqueFd root_;
    dev_t device_ = 0;
    Confinement confinement_;
    std::string pinnedWindows_, pinnedDisk_;
    // Per folder (device, inode): each listed name by its lower-case form, the first listed
    // kept. Dropped at any change this drive makes.
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> folded_;
    std::vector<std::string> problems_;
    std::unordered_set<std::string> told_;
};

}  // namespace kr8
