// The Find button's second half: the Winlogon Notify sub-keys, the guardian key, the user-agent
// entry, the registry editor's remembered key and the button states.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "scan/ReportText.h"
#include "sys/AsciiCase.h"

namespace kr8 {

void FrmKR8::ScanRegistry(std::string& report) {
    EllReg& reg = machine_.reg;
    const RegRoot hklm = RegRoot::LocalMachine;
    const std::string notifyKey = text::kNotifyKey;
    const std::string postPlatformKey = text::kPostPlatformKey;

    report += std::string(text::kKeysUnderNotify) + text::kCrLf;
    for (std::int32_t index = 0;; ++index) {
        const auto name = reg.GetSubKeyName(hklm, notifyKey, index);
        if (!name) {
            break;
        }
        report += ShownInReport(*name) + text::kCrLf;
        const std::string version =
            reg.ReadRegValue(hklm, notifyKey + *name + "\\", text::kVersionValue);
        if (StartsWithIgnoringAsciiCase(version, text::kGuardianVersionPrefix)) {
            GuardianKeyName = *name;
        }
    }
    for (std::int32_t index = 0;; ++index) {
        const auto name = reg.GetSubKeyName(hklm, notifyKey, index);
        if (!name) {
            break;
        }
        if (StartsWithIgnoringAsciiCase(*name, text::kGuardianNamePrefix)) {
            GuardianKeyName = *name;
        }
    }

    report += std::string(text::kCrLf) + text::kCrLf + text::kGuardianLine +
              ShownInReport(GuardianKeyName);
    for (std::int32_t index = 0;; ++index) {
        const auto entry = reg.GetValueEntry(hklm, notifyKey + GuardianKeyName, index);
        if (!entry) {
            break;
        }
        report += text::kCrLf + ShownInReport(entry->name) + " " + ShownInReport(entry->data);
    }

    report += std::string(text::kCrLf) + text::kCrLf + text::kUserAgentSection + text::kCrLf;
    for (std::int32_t index = 0;; ++index) {
        const auto entry = reg.GetValueEntry(hklm, postPlatformKey, index);
        if (!entry) {
            break;
        }
        UserAgentString = entry->name + " " + entry->data;
        UserAgentValueName = entry->name;
    }
    report += ShownInReport(UserAgentString);
    controls_.SetText1(report);

    controls_.SetEnabled(Button::CmdLog, true);
    controls_.SetEnabled(Button::CmdUAS, !UserAgentString.empty());
    if (SetsRegeditLastKey) {
        const std::string lastKey =
            GuardianKeyName.empty() ? std::string(text::kLastKeyNotify)
                                    : std::string(text::kLastKeyNotify) + "\\" + GuardianKeyName;
        reg.WriteRegValue(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue, RegType::Sz,
                          lastKey);
    }
    controls_.SetEnabled(Button::CmdGuard, !GuardianKeyName.empty());
    if (controls_.List1Count() > 0) {
        controls_.SetEnabled(Button::CmdFix, true);
        controls_.SetList1Current(-1);
    }
    controls_.SetEnabled(Button::CmdRegedit, true);
    controls_.SetCaption(text::kCaption);
}

}  // namespace kr8
