#include "app/offline/OfflineTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <optional>

#include "app/Texts.h"
#include "sys/AsciiCase.h"

namespace kr8 {

namespace {

// "X:\name\..." with at least one folder after the drive; the form SystemRoot takes.
bool IsFolderOnDrive(const std::string& path) {
    return path.size() > 3 && path[1] == ':' && path[2] == '\\' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string WithoutTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

std::string ReplacedIgnoringCase(std::string text, const std::string& name, const std::string& by) {
    for (std::size_t at = 0; at + name.size() <= text.size();) {
        if (EqualsIgnoringAsciiCase(std::string_view(text).substr(at, name.size()), name)) {
            text.replace(at, name.size(), by);
            at += by.size();
        } else {
            ++at;
        }
    }
    return text;
}

bool IsFolder(const std::optional<std::string>& local) {
    struct stat st;
    return local && stat(local->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::unique_ptr<OfflineTarget> OfflineTarget::Open(const std::string& windowsFolder, bool writable,
                                                   std::string* why) {
    std::string local = windowsFolder;
    while (local.size() > 1 && local.back() == '/') {
        local.pop_back();
    }
    // The folder itself as a drive of its own, until the hive says which drive it is on. A hive
    // that will be replaced is reached through no link, which could point off the disk.
    const MountedDrive folderOnly("X:", local);
    const std::optional<std::string> hive =
        IsFolder(local) ? folderOnly.Local(std::string("X:\\system32") + text::kHiveInSystemFolder,
                                           true, !writable)
                        : std::nullopt;
    if (!hive) {
        *why = text::kNotAWindowsFolder + windowsFolder;
        return nullptr;
    }
    switch (CheckHiveFile(*hive)) {
        case HiveCheck::Usable:
            break;
        case HiveCheck::PendingChanges:
            *why = text::kHivePending + *hive;
            return nullptr;
        case HiveCheck::Missing:
        case HiveCheck::NotAHive:
            *why = text::kHiveUnreadable + *hive;
            return nullptr;
    }
    std::unique_ptr<HiveRegistry> registry = HiveRegistry::Open(*hive, writable);
    if (!registry) {
        *why = text::kHiveUnreadable + *hive;
        return nullptr;
    }

    std::unique_ptr<OfflineTarget> target(new OfflineTarget);
    target->hivePath_ = *hive;
    target->writable_ = writable;
    target->registry_ = std::move(registry);
    std::string systemRoot = WithoutTrailingBackslashes(target->registry_->ReadRegValue(
        RegRoot::LocalMachine, text::kCurrentVersionKey, text::kSystemRootValue));
    if (!IsFolderOnDrive(systemRoot)) {
        const std::size_t slash = local.rfind('/');
        systemRoot = "C:\\" + local.substr(slash == std::string::npos ? 0 : slash + 1);
    }
    target->windowsFolder_ = systemRoot;
    // The drive's root lies as many folders up as the Windows folder lies below it.
    std::string root = local;
    for (std::size_t at = 2; at != std::string::npos; at = systemRoot.find('\\', at + 1)) {
        const std::size_t slash = root.rfind('/');
        root = slash == std::string::npos || slash == 0 ? "/" : root.substr(0, slash);
    }
    target->drive_ = std::make_unique<MountedDrive>(systemRoot.substr(0, 2), root);
    target->FindTempFolders();
    return target;
}

bool OfflineTarget::KeepHiveCopy(const std::string& folder) {
    std::FILE* file = std::fopen(hivePath_.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::string content;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        content.append(buffer, n);
    }
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read && drive_->CreateNewFile(folder + text::kHiveCopy, content);
}

bool OfflineTarget::SaveHive() {
    const std::string fresh = hivePath_ + text::kNewHiveSuffix;
    unlink(fresh.c_str());
    if (!registry_->CommitTo(fresh)) {
        unlink(fresh.c_str());
        return false;
    }
    // hivex writes without flushing: the new hive is on the disk before it takes the old one's
    // name, and the rename is on the disk before the caller says the hive was changed.
    const int fd = open(fresh.c_str(), O_RDONLY | O_CLOEXEC);
    const bool flushed = fd >= 0 && fsync(fd) == 0;
    if (fd >= 0) {
        close(fd);
    }
    if (!flushed || rename(fresh.c_str(), hivePath_.c_str()) != 0) {
        unlink(fresh.c_str());
        return false;
    }
    const std::size_t slash = hivePath_.rfind('/');
    const int dir = open(slash == std::string::npos ? "." : hivePath_.substr(0, slash).c_str(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = dir >= 0 && fsync(dir) == 0;
    if (dir >= 0) {
        close(dir);
    }
    std::unique_ptr<HiveRegistry> again = HiveRegistry::Open(hivePath_, writable_);
    if (!again) {
        return false;
    }
    registry_ = std::move(again);
    return synced;
}

std::string OfflineTarget::GetTempFolder() {
    return tempFolders_.empty() ? std::string() : tempFolders_.front();
}

std::string OfflineTarget::Expanded(const std::string& path) const {
    std::string expanded = ReplacedIgnoringCase(path, "%SystemDrive%", windowsFolder_.substr(0, 2));
    expanded = ReplacedIgnoringCase(expanded, "%SystemRoot%", windowsFolder_);
    return ReplacedIgnoringCase(expanded, "%windir%", windowsFolder_);
}

void OfflineTarget::FindTempFolders() {
    std::vector<std::string> candidates;
    for (std::int32_t index = 0;; ++index) {
        const std::optional<std::string> sid =
            registry_->GetSubKeyName(RegRoot::LocalMachine, text::kProfileListKey, index);
        if (!sid) {
            break;
        }
        const std::string profile = registry_->ReadRegValue(
            RegRoot::LocalMachine, text::kProfileListKey + *sid + "\\", text::kProfilePathValue);
        if (profile == kNotFound) {
            continue;
        }
        for (const char* temp : text::kProfileTempFolders) {
            candidates.push_back(WithoutTrailingBackslashes(Expanded(profile)) + temp);
        }
    }
    candidates.push_back(windowsFolder_ + text::kWindowsTempFolder);
    for (const std::string& candidate : candidates) {
        // Two profiles can name one folder; a profile on another drive is out of reach here.
        const std::optional<std::string> local = drive_->Local(candidate);
        bool seen = false;
        for (const std::string& taken : tempFolders_) {
            seen = seen || drive_->Local(taken) == local;
        }
        if (!seen && IsFolder(local)) {
            tempFolders_.push_back(candidate);
        }
    }
}

}  // namespace kr8
