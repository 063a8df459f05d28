// The Delete button: removes the ticked files one by one after the user has confirmed each, and
// has the system overwrite at the next restart what cannot be deleted now.
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "remove/RemovalStep.h"
#include "scan/ReportText.h"

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

// Windows' own longest path: attrib is not given a longer one (some attribs hang on it).
constexpr std::size_t kLongestCommandLinePath = 259;

// Whether attrib reads path as exactly this one file. A wildcard would make it act on others, a
// quote would end the argument early, a trailing blank or dot would be trimmed into another
// file's name, and a character outside ASCII may be turned into any of these on the way. Such a
// file still has its marks cleared below, through its own name.
bool SafeOnCommandLine(const std::string& path) {
    if (path.empty() || path.size() > kLongestCommandLinePath || path.back() == ' ' ||
        path.back() == '.') {
        return false;
    }
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '*' || c == '?' || c == '"') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool FrmKR8::RemoveWithoutBackup(const char* prefix, const std::string& name) {
    return boxes_.Show(prefix + ShownInReport(name) + text::kNoBackupSuffix,
                       MsgButtons::YesNoDefaultNo, MsgIcon::Exclamation,
                       text::kNoBackupTitle) == MsgAnswer::Yes;
}

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

    // Another disk's Windows runs nothing: every rundll32 is this Windows' own.
    for (int round = 0; round < kProcessEndingRounds && !OnOtherWindows(); ++round) {
        machine_.processes.KillProcessByName(text::kRundll32);
    }

    bool scheduled = false;
    for (int index = FirstTicked(controls_); index >= 0; index = FirstTicked(controls_)) {
        controls_.SetList1Current(index);
        const std::string path = controls_.List1Entry(index);
        if (boxes_.Show(text::kConfirmDeletePrefix + path, MsgButtons::YesNo, MsgIcon::Exclamation,
                        text::kConfirmDeleteTitle) != MsgAnswer::Yes) {
            return;
        }
        if (!machine_.files.FileLength(path)) {
            // Gone since the scan, or a folder in its place: there is nothing to back up or
            // delete, and replacing a folder at restart is not ours to do.
            if (machine_.files.Exists(path)) {
                boxes_.Show(text::kNotAFilePrefix + path, MsgButtons::Ok, MsgIcon::Exclamation, "");
            }
            controls_.RemoveList1(index);
            continue;
        }
        RemovalAsks asks;
        asks.withoutBackup = [&] { return RemoveWithoutBackup(text::kNoFileBackupPrefix, path); };
        asks.beforeDelete = [&] {
            // Its attrib is a program of that disk, which is not run.
            if (!SafeOnCommandLine(path) || OnOtherWindows()) {
                return true;
            }
            const RunResult attrib =
                machine_.launcher.RunAndWait(machine_.folders.GetSystemFolder() + text::kAttribExe,
                                             text::kAttribArguments + ("\"" + path + "\""));
            return attrib.outcome != RunOutcome::Abandoned;
        };
        asks.stayed = [&] {
            if (!machine_.files.FileLength(path)) {
                // A folder put in the file's place: replacing it at restart is not ours to do.
                boxes_.Show(text::kNotAFilePrefix + path, MsgButtons::Ok, MsgIcon::Exclamation, "");
                return RemovalOutcome::NotRemoved;
            }
            // Nothing holds a file of a Windows that is not running, and a restart would be
            // this Windows' own.
            if (OnOtherWindows()) {
                boxes_.Show(text::kOfflineNotDeletedPrefix + path, MsgButtons::Ok,
                            MsgIcon::Exclamation, "");
                return RemovalOutcome::NotRemoved;
            }
            boxes_.Show(text::kCannotDelete, MsgButtons::Ok, MsgIcon::None, "");
            if (!ScheduleReplacement(path)) {
                boxes_.Show(text::kNotScheduledPrefix + path, MsgButtons::Ok, MsgIcon::Exclamation,
                            "");
                return RemovalOutcome::NotRemoved;
            }
            boxes_.Show(text::kChangesAfterReboot, MsgButtons::Ok, MsgIcon::None, "");
            return RemovalOutcome::ReplacedAtRestart;
        };
        // Not every attrib clears several flags in one call; the step clears whatever it left.
        const RemovalOutcome outcome = RemovalStep(backup_, machine_.files, machine_.reg)
                                           .Remove(RemovalItem::File(path), asks);
        if (outcome == RemovalOutcome::Stopped) {
            return;
        }
        if (outcome == RemovalOutcome::NoBackupSkipped) {
            controls_.SetList1Checked(index, false);
            continue;
        }
        scheduled = scheduled || outcome == RemovalOutcome::ReplacedAtRestart;
        controls_.RemoveList1(index);
        machine_.clock.Pause(kPauseAfterEachFileMs);
    }

    Form_Load();
    CmdFind_Click();

    // A restart does something only for what this Delete has handed to it.
    if (scheduled && controls_.List1Count() == 1 &&
        boxes_.Show(text::kRebootNow, MsgButtons::OkCancel, MsgIcon::Exclamation,
                    text::kRebootNoticeTitle) == MsgAnswer::Ok) {
        machine_.restart.RebootWindows(true);
    }
}

}  // namespace kr8
