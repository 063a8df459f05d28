// The Find button's first half: the size pass over File1 and the fixed file names.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

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

// File names compare without regard to case; the fixed names are plain ASCII.
std::string LowerCase(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

std::string ScanningCaption(std::uint64_t length) {
    return text::kScanningPrefix + std::to_string(length);
}

}  // namespace

void FrmKR8::ScanFiles(std::string& report) {
    const std::string systemFolder = machine_.folders.GetSystemFolder();

    // One listing of the system folder answers every length and the existence of the fixed
    // names there; looking each up on its own costs a read of the whole folder on some file
    // systems. Whatever the listing lacks (a file renamed since File1 was read, say) is asked
    // for on its own.
    std::unordered_map<std::string, std::uint64_t> lengths;
    std::unordered_set<std::string> listedNames;
    for (const FolderEntry& entry : machine_.files.ListFolder(systemFolder, "*")) {
        if (!entry.isFolder) {
            lengths.emplace(entry.name, entry.length);
        }
        listedNames.insert(LowerCase(entry.name));
    }

    std::uint64_t lastLength = 0;
    std::optional<std::uint64_t> captionShownAt;
    std::optional<std::uint64_t> captionLength;
    for (std::size_t index = 0; index != File1.ListCount(); ++index) {
        const std::string& name = File1.List(index);
        std::optional<std::uint64_t> length;
        if (auto found = lengths.find(name); found != lengths.end()) {
            length = found->second;
        } else {
            length = machine_.files.FileLength(systemFolder + "\\" + name);
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
            controls_.AddList1(systemFolder + "\\" + name);
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
        const bool present = (!fixed.inTempFolder && !listedNames.empty())
                                 ? listedNames.count(LowerCase(fixed.name + 1)) != 0
                                 : machine_.files.Exists(path);
        if (present) {
            report += ShownInReport(path) + text::kCrLf;
        }
    }
    report += std::string(text::kBlankLine) + text::kCrLf;
}

}  // namespace kr8
