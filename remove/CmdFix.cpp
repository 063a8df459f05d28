// The Delete button: removes the ticked files one by one after the user has confirmed each, and
// has the system overwrite at the next restart what cannot be deleted now.
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"

namespace kr8 {

namespace {

constexpr int kProcessEndingRounds = 3;
constexpr unsigned kPauseAfterEachFileMs = 500;

int FirstTicked(WindowControls& controls) {
    const int count = controls.List1Count();
    for (int index = 0; index < count; ++index) {
        if (controls.List1Checked(index)) {
            return index;
        }
    }
    return -1;
}

}  // namespace

bool FrmKR8::ScheduleReplacement(const std::string& path) {
    const std::string windows = machine_.folders.GetWindowsFolder();
    // Every replacement needs a source of its own until the restart consumes it, so a name that
    // is taken (by an earlier replacement still pending) is skipped.
    std::string dummy = windows + text::kDummyDll;
    for (int n = 2; machine_.files.Exists(dummy); ++n) {
        if (n > text::kMaxDummyFiles) {
            return false;
        }
        dummy = windows + text::kDummyStem + std::to_string(n) + text::kDummyExtension;
    }
    const std::string draft = windows + text::kDummyTxt;
    if (!machine_.files.WriteFileBytes(draft, text::kDummyContent) ||
        !machine_.files.RenameFile(draft, dummy)) {
        return false;
    }
    const std::string shortDummy = machine_.folders.GetShortPath(dummy);
    const std::string shortTarget = machine_.folders.GetShortPath(path);
    if (shortDummy.empty() || shortTarget.empty()) {
        return false;
    }
    return machine_.files.ReplaceAtRestart(shortDummy, shortTarget);
}

void FrmKR8::CmdFix_Click() {
    if (FirstTicked(controls_) < 0) {
        if (boxes_.Show(text::kSelectError, MsgButtons::OkCancel, MsgIcon::Exclamation,
                        text::kSelectErrorTitle) != MsgAnswer::Ok) {
            return;
        }
        for (int index = 0; index < controls_.List1Count(); ++index) {
            controls_.SetList1Current(index);
            controls_.SetList1Checked(index, true);
        }
    }

    for (int round = 0; round < kProcessEndingRounds; ++round) {
        machine_.processes.KillProcessByName(text::kRundll32);
    }

    for (int index = FirstTicked(controls_); index >= 0; index = FirstTicked(controls_)) {
        controls_.SetList1Current(index);
        const std::string path = controls_.List1Entry(index);
        if (boxes_.Show(text::kConfirmDeletePrefix + path, MsgButtons::YesNo, MsgIcon::Exclamation,
                        text::kConfirmDeleteTitle) != MsgAnswer::Yes) {
            return;
        }
        machine_.launcher.RunAndWait(machine_.folders.GetSystemFolder() + text::kAttribCommand +
                                     "\"" + path + "\"");
        // Not every attrib clears several flags in one call; whatever it left is cleared here.
        machine_.files.ClearReadOnlyHiddenSystem(path);
        machine_.files.RemoveFile(path);
        if (machine_.files.Exists(path)) {
            boxes_.Show(text::kCannotDelete, MsgButtons::Ok, MsgIcon::None, "");
            if (ScheduleReplacement(path)) {
                boxes_.Show(text::kChangesAfterReboot, MsgButtons::Ok, MsgIcon::None, "");
            } else {
                boxes_.Show(text::kNotScheduledPrefix + path, MsgButtons::Ok, MsgIcon::Exclamation,
                            "");
            }
        }
        controls_.RemoveList1(index);
        machine_.clock.Pause(kPauseAfterEachFileMs);
    }

    File1.Refresh();
    Form_Load();
    CmdFind_Click();

    if (controls_.List1Count() == 1 &&
        boxes_.Show(text::kRebootNow, MsgButtons::OkCancel, MsgIcon::Exclamation,
                    text::kRebootNoticeTitle) == MsgAnswer::Ok) {
        machine_.restart.RebootWindows(true);
    }
}

}  // namespace kr8
