#include "app/FrmKR8.h"

#include "app/RestoreText.h"
#include "app/Texts.h"
#include "scan/AdwarePlaces.h"

namespace kr8 {

namespace {

// Cleared however the handler ends, so that a failure cannot leave every button dead.
struct BusyWhileHere {
    bool& busy;
    explicit BusyWhileHere(bool& flag) : busy(flag) { busy = true; }
    ~BusyWhileHere() { busy = false; }
};

}  // namespace

FrmKR8::FrmKR8(WindowControls& controls, MessageBoxes& boxes, const Machine& machine)
    : controls_(controls), boxes_(boxes), machine_(machine) {}

bool FrmKR8::AcceptsPlatform() {
    if (machine_.os.GetPlatformId() != kPlatformNT) {
        boxes_.Show(text::kNotNtRefusal, MsgButtons::Ok, MsgIcon::None, "");
        return false;
    }
    return true;
}

void FrmKR8::ActOnOtherWindows(const std::string& ownWindowsFolder,
                               const std::string& ownTempFolder) {
    ownWindowsFolder_ = ownWindowsFolder;
    ownTempFolder_ = ownTempFolder;
}

std::string FrmKR8::Caption() const {
    return OnOtherWindows() ? text::kOfflineCaptionPrefix + machine_.folders.GetWindowsFolder()
                            : std::string(text::kCaption);
}

bool FrmKR8::Form_Load() {
    if (!AcceptsPlatform()) {
        return false;
    }
    controls_.SetEnabled(Button::CmdUAS, false);
    controls_.SetEnabled(Button::CmdGuard, false);
    controls_.SetEnabled(Button::CmdLog, false);
    controls_.SetEnabled(Button::CmdRegedit, false);
    if (OnOtherWindows()) {
        controls_.SetEnabled(Button::CmdPol, false);
        controls_.SetText1(text::kOfflineOpeningPrefix + machine_.folders.GetWindowsFolder() +
                           text::kOfflineOpeningSuffix + text::kOpeningText);
    } else {
        controls_.SetText1(text::kOpeningText);
    }
    File1.Configure(machine_.folders.GetSystemFolder(), place::kDllPattern);
    return true;
}

void FrmKR8::Click(Button button) {
    if (busy_) {
        return;
    }
    const BusyWhileHere guard(busy_);
    switch (button) {
        case Button::CmdFind:
            CmdFind_Click();
            break;
        case Button::CmdFix:
            CmdFix_Click();
            break;
        case Button::CmdLog:
            CmdLog_Click();
            break;
        case Button::CmdGuard:
            CmdGuard_Click();
            break;
        case Button::CmdUAS:
            CmdUAS_Click();
            break;
        case Button::CmdPol:
            CmdPol_Click();
            break;
        case Button::CmdHosts:
            CmdHosts_Click();
            break;
        case Button::CmdRegedit:
            CmdRegedit_Click();
            break;
        case Button::CmdExit:
            break;  // the window itself ends the process
    }
}

void FrmKR8::RestoreFromMenu(const BackupPicker& pick) {
    if (busy_) {
        return;
    }
    const BusyWhileHere guard(busy_);
    const std::vector<BackupFolder> folders = BackupFolders(machine_.files, machine_.folders);
    if (folders.empty()) {
        boxes_.Show(text::kNoBackupsPrefix + machine_.folders.GetWindowsFolder() + kBackupFolder,
                    MsgButtons::Ok, MsgIcon::None, text::kRestoreTitle);
        return;
    }
    const std::optional<std::string> folder = pick(folders);
    if (!folder) {
        return;
    }
    RestoreAndTell(*folder, machine_.files, machine_.store, machine_.folders, boxes_);
    CmdFind_Click();
}

}  // namespace kr8
