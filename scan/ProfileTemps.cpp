#include "scan/ProfileTemps.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "sys/AsciiCase.h"
#include "sys/TrailingBackslashes.h"

namespace kr8 {

namespace {

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

}  // namespace

bool IsOnDrive(const std::string& path) {
    return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::vector<std::string> ProfileTempCandidates(EllReg& reg, const std::string& systemDrive,
                                               const std::string& windowsFolder) {
    const std::string drive = windowsFolder.substr(0, 2);
    std::vector<std::string> candidates;
    for (std::int32_t index = 0;; ++index) {
        const std::optional<std::string> sid =
            reg.GetSubKeyName(RegRoot::LocalMachine, place::kProfileListKey, index);
        if (!sid) {
            break;
        }
        const std::string profile = reg.ReadRegValue(
            RegRoot::LocalMachine, place::kProfileListKey + *sid + "\\", place::kProfilePathValue);
        if (profile == kNotFound) {
            continue;
        }
        // Filled in as that Windows would, on its own drive, then moved to the drive reached.
        const std::string ownWindowsFolder = systemDrive + windowsFolder.substr(2);
        std::string expanded = ReplacedIgnoringCase(profile, "%SystemDrive%", systemDrive);
        expanded = ReplacedIgnoringCase(expanded, "%SystemRoot%", ownWindowsFolder);
        expanded = WithoutTrailingBackslashes(
            ReplacedIgnoringCase(expanded, "%windir%", ownWindowsFolder));
        // Another drive of that machine is no drive of this one, whatever letter it has here.
        if (!IsOnDrive(expanded) || !EqualsIgnoringAsciiCase(expanded.substr(0, 2), systemDrive)) {
            continue;
        }
        for (const char* temp : place::kProfileTempFolders) {
            candidates.push_back(drive + expanded.substr(2) + temp);
        }
    }
    candidates.push_back(windowsFolder + place::kWindowsTempFolder);
    return candidates;
}

}  // namespace kr8
