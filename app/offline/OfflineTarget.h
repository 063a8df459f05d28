// A Windows installation seen from outside: its Windows folder on a Linux mount or in a disk
// image, its SOFTWARE hive, and the folders the scan looks in, named as that Windows names them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scan/ProfileTemps.h"
#include "sys/hive/HiveRegistry.h"
#include "sys/posix/MountedDrive.h"

namespace kr8 {

class OfflineTarget : public OtherWindowsFolders {
  public:
    // The Windows folder's Linux path, as typed (a relative one too); the drive's root is the
    // folder that holds it, and nothing above that is reached. The hive is read once, whole,
    // and opened for writing when writable. Nothing, with why (one of the texts in app/Texts.h,
    // and the path it is about), when the folder is no Windows folder or its hive cannot be
    // used.
    static std::unique_ptr<OfflineTarget> Open(const std::string& windowsFolder, bool writable,
                                               std::string* why,
                                               Confinement confinement = Confinement::Kernel);
    // The Windows folder diskName right under the root of drive, read only (a disk image's
    // file system). Nothing, with why, as above.
    static std::unique_ptr<OfflineTarget> OpenOn(std::unique_ptr<WindowsDrive> drive,
                                                 const std::string& diskName, std::string* why);

    HiveRegistry& Registry() { return *registry_; }
    // The files the scan reads.
    WindowsDrive& Files() { return *drive_; }
    // The mounted drive, which alone can be changed; only a target opened by Open() has one.
    MountedDrive& Drive() { return *mounted_; }
    // The hive file's Linux path, for messages.
    const std::string& HivePath() const { return hivePath_; }
    // Whether the hive can be replaced: its disk is mounted for writing and the file allows it.
    bool HiveWritable() { return mounted_ != nullptr && mounted_->Writable(hive_); }

    // What the user is told that does not make the scan less whole: the hive's SystemRoot names
    // another folder than the one given, which is scanned. Plain UTF-8, raw.
    const std::vector<std::string>& Warnings() const { return warnings_; }
    // What made the scan less than whole so far: what the drive refused or skipped, then what
    // the hive could not give. Plain UTF-8, raw.
    std::vector<std::string> Problems() const;

    // Copies the hive as it was read into folder (a Windows path on the drive).
    bool KeepHiveCopy(const std::string& folder);
    // Writes the changed hive to a new file beside it, flushes it and renames it over the hive,
    // so that a failure at any point leaves the old hive whole; then reads the hive anew from
    // what was written. Nothing is written when the hive file is no longer the one that was
    // read (another file, or other bytes, size or time). why: the reason, a clause to follow
    // the hive's path (HivePath()).
    bool SaveHive(std::string* why = nullptr);

  private:
    // The rest of opening, once the drive is there; folder: the Linux path shown when the
    // drive cannot spell the hive's.
    static std::unique_ptr<OfflineTarget> Opened(std::unique_ptr<OfflineTarget> target,
                                                 const std::string& name, const std::string& folder,
                                                 bool writable, std::string* why);
    void FindTempFolders();
    // The hive file as it was read or last written, and its digest.
    void Keep(FileRead read);

    std::string hive_;  // the hive's Windows path
    std::string hivePath_;
    bool writable_ = false;
    FileRead hiveRead_;
    std::string hiveSha256_;
    std::unique_ptr<HiveRegistry> registry_;
    std::vector<std::string> hiveProblems_;  // of the hives read before the last save
    std::unique_ptr<WindowsDrive> drive_;
    MountedDrive* mounted_ = nullptr;  // drive_, when it is a mounted one
    std::vector<std::string> warnings_;
};

}  // namespace kr8
