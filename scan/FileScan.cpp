// The Find button's first half: the size pass over File1 and the fixed file names.
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "scan/ReportText.h"
#include "sys/AsciiCase.h"

namespace kr8 {

namespace {

constexpr std::uint64_t kAdwareLength = 320872;

// Setting the caption costs far more than reading a length, so the size pass shows progress no
// more often than a person can follow it.
constexpr std::uint64_t kCaptionIntervalMs = 30;

struct FixedName {
    bool inTempFolder;
    const char* name;
};

constexpr FixedName kFixedNames[] = {
    {false, "\\wincore.dll"}, {false, "\\cidrules.dll"}, {false, "\\winupd.dll"},
    {false, "\\lspak.dll"},   {false, "\\inetadpt.dll"}, {false, "\\winhost32.exe"},
    {false, "\\7k15.exe"},    {true, "\\upd126.exe"},    {true, "\\upd126new.exe"},
};

std::string ScanningCaption(std::uint64_t length) {
    return text::kScanningPrefix + std::to_string(length);
}

}  // namespace

void FrmKR8::ScanFiles(std::string& report) {
    const std::string systemFolder = machine_.folders.GetSystemFolder();

    // File1 is read afresh at each Find, so a DLL that appeared after start-up is scanned too.
    // One listing of the whole folder gives every length and answers the fixed names there:
    // looking each up on its own costs a read of the whole folder on some file systems.
    std::optional<std::vector<FolderEntry>> read = machine_.files.ListFolder(systemFolder, "*");
    SystemFolderRead = read.has_value();
    const std::vector<FolderEntry> listing = std::move(read).value_or(std::vector<FolderEntry>{});
    File1.Configure(systemFolder, text::kDllPattern);
    File1.Fill(listing);
    // File names compare without regard to case; the fixed names are plain ASCII.
    bool listed[std::size(kFixedNames)] = {};
    for (const FolderEntry& entry : listing) {
        for (std::size_t i = 0; i != std::size(kFixedNames); ++i) {
            listed[i] = listed[i] || EqualsIgnoringAsciiCase(entry.name, kFixedNames[i].name + 1);
        }
    }

    std::uint64_t lastLength = 0;
    std::optional<std::uint64_t> captionShownAt;
    std::optional<std::uint64_t> captionLength;
    for (std::size_t index = 0; index != File1.ListCount(); ++index) {
        const FolderEntry& file = File1.List(index);
        lastLength = file.length;

        const std::uint64_t now = machine_.clock.NowMs();
        if (!captionShownAt || now - *captionShownAt >= kCaptionIntervalMs) {
            controls_.SetCaption(ScanningCaption(lastLength));
            captionShownAt = now;
            captionLength = lastLength;
        }

        if (file.length == kAdwareLength) {
            controls_.AddList1(systemFolder + "\\" + file.name);
            report += ShownInReport(File1.Path() + "\\" + file.name) + text::kCrLf;
        }
    }
    if (captionShownAt && captionLength != lastLength) {
        controls_.SetCaption(ScanningCaption(lastLength));
    }
    if (!SystemFolderRead) {
        // An empty section would read as a clean machine.
        report += std::string(text::kSystemFolderUnreadable) + text::kCrLf;
    }

    report += std::string(text::kBlankLine) + text::kCrLf;
    report += std::string(text::kAdditionalFiles) + text::kCrLf;
    const std::string tempFolder = machine_.folders.GetTempFolder();
    TempFolderFound = !tempFolder.empty();
    bool tempFolderReported = false;
    FixedNamesFound = 0;
    for (std::size_t i = 0; i != std::size(kFixedNames); ++i) {
        const FixedName& fixed = kFixedNames[i];
        if (fixed.inTempFolder && tempFolder.empty()) {
            // Without it the names would be looked for at the root of the drive.
            if (!tempFolderReported) {
                report += std::string(text::kTempFolderMissing) + text::kCrLf;
                tempFolderReported = true;
            }
            continue;
        }
        const std::string path = (fixed.inTempFolder ? tempFolder : systemFolder) + fixed.name;
        const bool present =
            (!fixed.inTempFolder && SystemFolderRead) ? listed[i] : machine_.files.Exists(path);
        if (present) {
            report += ShownInReport(path) + text::kCrLf;
            ++FixedNamesFound;
        }
    }
    report += std::string(text::kBlankLine) + text::kCrLf;
}

}  // namespace kr8
