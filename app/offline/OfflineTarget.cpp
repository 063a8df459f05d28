#include "app/offline/OfflineTarget.h"

#include <cstdint>
#include <optional>
#include <unordered_set>

#include "app/Texts.h"
#include "scan/ProfileTemps.h"
#include "sys/AsciiCase.h"
#include "sys/Sha256.h"
#include "sys/TrailingBackslashes.h"
#include "sys/posix/PosixHandles.h"

namespace kr8 {

namespace {

// What the user is told of the hive beyond the report; texts of this file alone.
constexpr char kSystemRootIs[] = "The hive's SystemRoot is ";
constexpr char kNoSystemRoot[] = "The hive holds no SystemRoot";
constexpr char kGivenFolderScanned[] = "; the folder given is scanned: ";
// Why the hive was not replaced: a clause that follows the hive's path.
constexpr char kHiveChangedPrefix[] = "something else changed it since it was read (";
constexpr char kHiveChangedSuffix[] = "), so nothing was written to it";
constexpr char kHiveGone[] = "it can no longer be read as the file it was";
constexpr char kHiveNotReplaced[] = "the new hive could not be written beside it and put in place";

// How the hive file now differs from the one read; empty when it does not.
std::string Difference(const FileRead& read, const std::string& sha256, const FileRead& now) {
    if (now.st.st_dev != read.st.st_dev || now.st.st_ino != read.st.st_ino) {
        return "it is another file";
    }
    if (now.st.st_size != read.st.st_size) {
        return "its size";
    }
    if (now.st.st_mtim.tv_sec != read.st.st_mtim.tv_sec ||
        now.st.st_mtim.tv_nsec != read.st.st_mtim.tv_nsec) {
        return "its time";
    }
    if (Sha256Hex(now.bytes) != sha256) {
        return "its content";
    }
    return "";
}

}  // namespace

std::unique_ptr<OfflineTarget> OfflineTarget::Open(const std::string& windowsFolder, bool writable,
                                                   std::string* why, Confinement confinement) {
    *why = text::kNotAWindowsFolder + windowsFolder;
    // The folder as typed, wherever the shell stands; the drive's root is the folder above it.
    const Malloced<char> real(realpath(windowsFolder.c_str(), nullptr));
    const std::string folder = real ? real.get() : "";
    const std::size_t slash = folder.rfind('/');
    const std::string name = slash == std::string::npos ? "" : folder.substr(slash + 1);
    if (name.empty() || !IsWindowsName(name)) {
        return nullptr;
    }
    std::unique_ptr<OfflineTarget> target(new OfflineTarget);
    auto mounted = std::make_unique<MountedDrive>("C:", slash == 0 ? "/" : folder.substr(0, slash),
                                                  confinement);
    target->mounted_ = mounted.get();
    target->drive_ = std::move(mounted);
    return Opened(std::move(target), name, folder, writable, why);
}

std::unique_ptr<OfflineTarget> OfflineTarget::OpenOn(std::unique_ptr<WindowsDrive> drive,
                                                     const std::string& diskName,
                                                     std::string* why) {
    *why = text::kNotAWindowsFolder + diskName;
    if (!IsWindowsName(diskName)) {
        return nullptr;
    }
    std::unique_ptr<OfflineTarget> target(new OfflineTarget);
    target->drive_ = std::move(drive);
    return Opened(std::move(target), diskName, diskName, false, why);
}

std::unique_ptr<OfflineTarget> OfflineTarget::Opened(std::unique_ptr<OfflineTarget> target,
                                                     const std::string& name,
                                                     const std::string& folder, bool writable,
                                                     std::string* why) {
    WindowsDrive& drive = *target->drive_;
    drive.PinWindowsFolder("C:\\" + name, name);
    const std::optional<struct stat> isFolder = drive.Status("C:\\" + name);
    const std::string hive = "C:\\" + name + "\\system32" + text::kHiveInSystemFolder;
    if (!isFolder || !S_ISDIR(isFolder->st_mode) || !drive.Exists(hive)) {
        return nullptr;
    }
    target->hivePath_ = drive.Shown(hive).value_or(folder);
    std::optional<FileRead> read = drive.ReadRegularFile(hive);
    const HiveCheck check = read ? CheckHiveBytes(read->bytes) : HiveCheck::Missing;
    if (check == HiveCheck::PendingChanges) {
        *why = text::kHivePending + target->hivePath_;
        return nullptr;
    }
    target->registry_ =
        check == HiveCheck::Usable ? HiveRegistry::FromBytes(read->bytes, writable) : nullptr;
    if (!target->registry_) {
        *why = text::kHiveUnreadable + target->hivePath_;
        return nullptr;
    }
    why->clear();
    target->writable_ = writable;
    target->Keep(std::move(*read));

    // SystemRoot only names the drive and spells the folder for the report, as the Windows
    // program shows it; the folder scanned is the one given, whatever the hive says.
    const std::string systemRoot = WithoutTrailingBackslashes(target->registry_->ReadRegValue(
        RegRoot::LocalMachine, place::kCurrentVersionKey, place::kSystemRootValue));
    const bool onDrive = IsOnDrive(systemRoot);
    if (onDrive && EqualsIgnoringAsciiCase(systemRoot.substr(3), name)) {
        target->windowsFolder_ = systemRoot;
    } else {
        target->windowsFolder_ = (onDrive ? systemRoot.substr(0, 2) : "C:") + "\\" + name;
        target->warnings_.push_back(
            (systemRoot == kNotFound ? kNoSystemRoot : kSystemRootIs + systemRoot) +
            kGivenFolderScanned + target->windowsFolder_);
    }
    drive.PinWindowsFolder(target->windowsFolder_, name);
    target->hive_ = target->GetSystemFolder() + text::kHiveInSystemFolder;
    target->FindTempFolders();
    return target;
}

void OfflineTarget::Keep(FileRead read) {
    hiveRead_ = std::move(read);
    hiveSha256_ = Sha256Hex(hiveRead_.bytes);
}

std::vector<std::string> OfflineTarget::Problems() const {
    std::vector<std::string> problems = drive_->Problems();
    std::unordered_set<std::string> told(problems.begin(), problems.end());
    for (const std::vector<std::string>* hive : {&hiveProblems_, &registry_->Problems()}) {
        for (const std::string& problem : *hive) {
            if (told.insert(problem).second) {
                problems.push_back(problem);
            }
        }
    }
    return problems;
}

bool OfflineTarget::KeepHiveCopy(const std::string& folder) {
    return mounted_ != nullptr &&
           mounted_->CreateNewFile(folder + text::kHiveCopy, hiveRead_.bytes);
}

bool OfflineTarget::SaveHive(std::string* why) {
    std::string reason;
    const std::optional<FileRead> now = drive_->ReadRegularFile(hive_);
    const std::string difference = now ? Difference(hiveRead_, hiveSha256_, *now) : "";
    std::optional<FileRead> written;
    if (!now) {
        reason = kHiveGone;
    } else if (!difference.empty()) {
        reason = kHiveChangedPrefix + difference + kHiveChangedSuffix;
    } else if (mounted_ == nullptr ||
               !(written = mounted_->ReplaceFile(hive_, [this](const std::string& fresh) {
                   return registry_->CommitTo(fresh);
               }))) {
        reason = kHiveNotReplaced;
    } else {
        // Read anew from what was written; the hive in hand holds the same, should hivex not
        // take its own output back.
        if (auto again = HiveRegistry::FromBytes(written->bytes, writable_)) {
            // What the hive read before could not give is still missing from the scan.
            hiveProblems_.insert(hiveProblems_.end(), registry_->Problems().begin(),
                                 registry_->Problems().end());
            registry_ = std::move(again);
        }
        Keep(std::move(*written));
        return true;
    }
    if (why != nullptr) {
        *why = reason;
    }
    return false;
}

void OfflineTarget::FindTempFolders() {
    const std::vector<std::string> candidates =
        ProfileTempCandidates(*registry_, windowsFolder_.substr(0, 2), windowsFolder_);
    // Two profiles can name one folder.
    std::unordered_set<std::string> seen;
    for (const std::string& candidate : candidates) {
        const std::optional<struct stat> st = drive_->Status(candidate);
        if (st && S_ISDIR(st->st_mode) &&
            seen.insert(std::to_string(st->st_dev) + ":" + std::to_string(st->st_ino)).second) {
            tempFolders_.push_back(candidate);
        }
    }
}

}  // namespace kr8
