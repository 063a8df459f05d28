// The Find button: one scan of the machine, shown in the window.
#include <cstdint>
#include <optional>
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "scan/AdwarePlaces.h"

namespace kr8 {

namespace {

// Setting the caption costs far more than reading a length, so the size pass shows progress no
// more often than a person can follow it.
constexpr std::uint64_t kCaptionIntervalMs = 30;

std::string ScanningCaption(std::uint64_t length) {
    return text::kScanningPrefix + std::to_string(length);
}

}  // namespace

void FrmKR8::CmdFind_Click() {
    controls_.ClearList1();
    std::uint64_t lastLength = 0;
    std::optional<std::uint64_t> captionShownAt;
    std::optional<std::uint64_t> captionLength;
    const Findings found =
        ScanMachine(machine_.reg, machine_.files, machine_.folders, [&](std::uint64_t length) {
            lastLength = length;
            const std::uint64_t now = machine_.clock.NowMs();
            if (!captionShownAt || now - *captionShownAt >= kCaptionIntervalMs) {
                controls_.SetCaption(ScanningCaption(length));
                captionShownAt = now;
                captionLength = length;
            }
        });
    if (captionShownAt && captionLength != lastLength) {
        controls_.SetCaption(ScanningCaption(lastLength));
    }
    ShowFindings(found);
    File1.Configure(found.systemFolder, place::kDllPattern);
    File1.Fill(found.dlls);
}

void FrmKR8::ShowFindings(const Findings& found) {
    for (const std::string& path : found.adwareSized) {
        controls_.AddList1(path);
    }
    // Only what this scan saw: a key or value that is gone is neither shown nor acted on.
    GuardianKeyName = found.guardianKeyName;
    UserAgentString = found.UserAgentText();
    UserAgentValueName = found.userAgent ? found.userAgent->name : std::string();
    controls_.SetText1(ReportText(found));

    controls_.SetEnabled(Button::CmdLog, true);
    controls_.SetEnabled(Button::CmdUAS, found.userAgent.has_value());
    // The editor would open this Windows' registry, where that key is not.
    if (!OnOtherWindows()) {
        const std::string lastKey =
            GuardianKeyName.empty() ? std::string(text::kLastKeyNotify)
                                    : std::string(text::kLastKeyNotify) + "\\" + GuardianKeyName;
        machine_.reg.WriteRegValue(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue,
                                   lastKey);
    }
    controls_.SetEnabled(Button::CmdGuard, !GuardianKeyName.empty());
    if (controls_.List1Count() > 0) {
        controls_.SetEnabled(Button::CmdFix, true);
        controls_.SetList1Current(-1);
    }
    controls_.SetEnabled(Button::CmdRegedit, !OnOtherWindows());
    controls_.SetCaption(Caption());
}

}  // namespace kr8
