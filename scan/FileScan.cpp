// The scan's first half: the size pass over the system folder's DLLs and the fixed names.
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scan/AdwarePlaces.h"
#include "scan/Findings.h"
#include "scan/NamePattern.h"
#include "sys/AsciiCase.h"

namespace kr8 {

void ScanFiles(FileSystem& files, CommonFunction& folders, const LengthSeen& lengthSeen,
               Findings& found) {
    found.systemFolder = folders.GetSystemFolder();

    // The folder is read afresh at each scan, so a DLL that appeared after start-up is scanned
    // too. One listing of the whole folder gives every length and answers the fixed names there:
    // looking each up on its own costs a read of the whole folder on some file systems.
    std::optional<std::vector<FolderEntry>> read = files.ListFolder(found.systemFolder, "*");
    found.systemFolderRead = read.has_value();
    const std::vector<FolderEntry> listing = std::move(read).value_or(std::vector<FolderEntry>{});
    // File names compare without regard to case; the fixed names are plain ASCII.
    using place::kFixedNames;
    bool listed[std::size(kFixedNames)] = {};
    for (const FolderEntry& entry : listing) {
        if (!entry.isFolder && MatchesPattern(entry.name, place::kDllPattern)) {
            found.dlls.push_back(entry);
        }
        for (std::size_t i = 0; i != std::size(kFixedNames); ++i) {
            listed[i] = listed[i] || EqualsIgnoringAsciiCase(entry.name, kFixedNames[i].name + 1);
        }
    }

    for (const FolderEntry& file : found.dlls) {
        if (lengthSeen) {
            lengthSeen(file.length);
        }
        if (file.length == place::kAdwareLength) {
            found.adwareSized.push_back(found.systemFolder + "\\" + file.name);
        }
    }

    const std::vector<std::string> tempFolders = folders.GetTempFolders();
    found.tempFolderFound = !tempFolders.empty();
    for (std::size_t i = 0; i != std::size(kFixedNames); ++i) {
        const place::FixedName& fixed = kFixedNames[i];
        if (!fixed.inTempFolder) {
            const std::string path = found.systemFolder + fixed.name;
            if (found.systemFolderRead ? listed[i] : files.Exists(path)) {
                found.fixedFiles.push_back(path);
            }
            continue;
        }
        for (const std::string& folder : tempFolders) {
            const std::string path = folder + fixed.name;
            if (files.Exists(path)) {
                found.fixedFiles.push_back(path);
            }
        }
    }
}

}  // namespace kr8
