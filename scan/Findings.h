// What one scan of a machine found, as data: the window, the unattended scan and the offline
// command each present the same findings in their own way.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sys/CommonFunction.h"
#include "sys/EllReg.h"
#include "sys/FileSystem.h"

namespace kr8 {

struct Findings {
    std::string systemFolder;
    // False when the system folder could not be listed: its files were not checked.
    bool systemFolderRead = false;
    // The system folder's "*.dll" files, each with its length, in the listing's order.
    std::vector<FolderEntry> dlls;
    // Full paths, as the system holds them, of the files of the adware's length.
    std::vector<std::string> adwareSized;
    // Full paths of the adware's fixed file names that exist.
    std::vector<std::string> fixedFiles;
    // False when no temporary folder was found: the names looked for there were not checked.
    bool tempFolderFound = false;
    std::vector<std::string> notifyKeys;
    // The guardian key's name (no path), or empty when no sub-key passed a test.
    std::string guardianKeyName;
    // The guardian key's values; with no guardian, the Notify key's own.
    std::vector<ValueEntry> guardianValues;
    // The last entry under Post Platform, as the registry holds it.
    std::optional<ValueEntry> userAgent;

    bool AnythingFound() const;
    // Whether every place was looked at; a scan that left one out is no clean bill.
    bool Whole() const { return systemFolderRead && tempFolderFound; }
    // The user-agent entry as the report shows it: its name, one space and its data.
    std::string UserAgentText() const;
};

// Called with the length of each listed DLL as the scan walks them, for a progress display.
using LengthSeen = std::function<void(std::uint64_t length)>;

// Reads the machine through the seams once; changes nothing.
Findings ScanMachine(EllReg& reg, FileSystem& files, CommonFunction& folders,
                     const LengthSeen& lengthSeen = nullptr);

// The two halves of ScanMachine.
void ScanFiles(FileSystem& files, CommonFunction& folders, const LengthSeen& lengthSeen,
               Findings& found);
void ScanRegistry(EllReg& reg, Findings& found);

// The findings report, section by section, with CR LF line ends and no line end after the last.
std::string ReportText(const Findings& found);

}  // namespace kr8
