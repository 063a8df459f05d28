// The Find button's first half: the size pass over File1 and the fixed file names.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "scan/ReportText.h"

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

    // One listing of the folder gives every length at once; a file that is not in it (renamed
    // since File1 was read, say) is asked for on its own.
    std::unordered_map<std::string, std::uint64_t> lengths;
    for (const FolderFile& file : machine_.files.ListFiles(systemFolder, File1.Pattern())) {
        lengths.emplace(file.name, file.length);
    }

    std::uint64_t lastLength = 0;
    std::optional<std::uint64_t> captionShownAt;
    std::optional<std::uint64_t> captionLength;
    for (std::size_t index = 0; index != File1.ListCount(); ++index) {
        const std::string& name = File1.List(index);
        const std::string path = systemFolder + "\\" + name;
        std::optional<std::uint64_t> length;
        if (auto found = lengths.find(name); found != lengths.end()) {
            length = found->second;
        } else {
            length = machine_.files.FileLength(path);
        }
        if (length) {
            lastLength = *length;
        }

        const std::uint64_t now = machine_.clock.NowMs();
        if (!captionShownAt || now - *captionShownAt >= kCaptionIntervalMs) {
            controls_.SetCaption(ScanningCaption(lastLength));
            captionShownAt = now;
            captionLength = lastLength;
        }

        if (length == kAdwareLength) {
            controls_.AddList1(path);
            report += ShownInReport(File1.Path() + "\\" + name) + text::kCrLf;
        }
    }
    if (captionShownAt && captionLength != lastLength) {
        controls_.SetCaption(ScanningCaption(lastLength));
    }

    report += std::string(text::kBlankLine) + text::kCrLf;
    report += std::string(text::kAdditionalFiles) + text::kCrLf;
    for (const FixedName& fixed : kFixedNames) {
        const std::string folder = fixed.inTempFolder ? machine_.folders.GetTempFolder()
                                                      : machine_.folders.GetSystemFolder();
        const std::string path = folder + fixed.name;
        if (machine_.files.PathFileExists(path)) {
            report += ShownInReport(path) + text::kCrLf;
        }
    }
    report += std::string(text::kBlankLine) + text::kCrLf;
}

}  // namespace kr8
