// The scan's first half: the size pass over the system folder's DLLs and the fixed names.
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Texts.h"
#include "scan/Findings.h"
#include "sys/AsciiCase.h"

namespace kr8 {

namespace {

constexpr std::uint64_t kAdwareLength = 320872;

struct FixedName {
    bool inTempFolder;
    const char* name;
};

constexpr FixedName kFixedNames[] = {
    {false, "\\wincore.dll"}, {false, "\\cidrules.dll"}, {false, "\\winupd.dll"},
    {false, "\\lspak.dll"},   {false, "\\inetadpt.dll"}, {false, "\\winhost32.exe"},
    {false, "\\7k15.exe"},    {true, "\\upd126.exe"},    {true, "\\upd126new.exe"},
};

}  // namespace

void ScanFiles(FileSystem& files, CommonFunction& folders, const LengthSeen& lengthSeen,
               Findings& found) {
    found.systemFolder = folders.GetSystemFolder();

    // The folder is read afresh at each scan, so a DLL that appeared after start-up is scanned
    // too. One listing of the whole folder gives every length and answers the fixed names there:
    // looking each up on its own costs a read of the whole folder on some file systems.
    std::optional<std::vector<FolderEntry>> read = files.ListFolder(found.systemFolder, "*");
    found.systemFolderRead = read.has_value();
    const std::vector<FolderEntry> listing = std::move(read).value_or(std::vector<FolderEntry>{});
    found.dlls.Configure(found.systemFolder, text::kDllPattern);
    found.dlls.Fill(listing);
    // File names compare without regard to case; the fixed names are plain ASCII.
    bool listed[std::size(kFixedNames)] = {};
    for (const FolderEntry& entry : listing) {
        for (std::size_t i = 0; i != std::size(kFixedNames); ++i) {
            listed[i] = listed[i] || EqualsIgnoringAsciiCase(entry.name, kFixedNames[i].name + 1);
        }
    }

    for (std::size_t index = 0; index != found.dlls.ListCount(); ++index) {
        const FolderEntry& file = found.dlls.List(index);
        if (lengthSeen) {
            lengthSeen(file.length);
        }
        if (file.length == kAdwareLength) {
            found.adwareSized.push_back(found.systemFolder + "\\" + file.name);
        }
    }

    const std::vector<std::string> tempFolders = folders.GetTempFolders();
    found.tempFolderFound = !tempFolders.empty();
    for (std::size_t i = 0; i != std::size(kFixedNames); ++i) {
        const FixedName& fixed = kFixedNames[i];
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
