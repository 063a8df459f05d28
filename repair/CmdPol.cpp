// The Restore Policy button: gives the debug privilege back to the Administrators group with the
// rights tool that the program carries.
#include <memory>
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"

namespace kr8 {

std::unique_ptr<HeldFile> FrmKR8::LoadDataIntoFile(int resourceId, const std::string& path) {
    const std::optional<std::string> stored = machine_.resources.CustomResource(resourceId);
    // A new file only: a name that is taken stays as it is, and a failed write leaves nothing.
    if (!stored || (!machine_.files.CreateNewFile(path, *stored) && !machine_.files.Exists(path))) {
        boxes_.Show(text::kToolNotWrittenPrefix + path + text::kToolNotWrittenSuffix,
                    MsgButtons::Ok, MsgIcon::Exclamation, text::kAdminPolicyTitle);
        return nullptr;
    }
    // Running a program this one did not write, with administrator rights, is what the adware
    // would want. What is checked is held unchanged until it has run, so what runs is what was
    // checked; a byte-identical leftover of ours passes too.
    std::unique_ptr<HeldFile> held = machine_.files.Hold(path);
    if (held && held->Bytes() == stored) {
        return held;
    }
    boxes_.Show(text::kForeignToolPrefix + path + text::kForeignToolSuffix, MsgButtons::Ok,
                MsgIcon::Exclamation, text::kAdminPolicyTitle);
    return nullptr;
}

void FrmKR8::CmdPol_Click() {
    // The policy is the running Windows' own, and the tool would be written to that disk.
    if (OnOtherWindows()) {
        return;
    }
    const std::int32_t platform = machine_.os.GetPlatformId();
    if (platform == kPlatformWindows9x) {
        boxes_.Show(text::kPolicyRefusal, MsgButtons::Ok, MsgIcon::Exclamation, text::kPolicyTitle);
        return;
    }
    if (platform != kPlatformNT) {
        return;
    }
    if (boxes_.Show(text::kPolicyConfirm, MsgButtons::OkCancel, MsgIcon::Exclamation,
                    text::kAdminPolicyTitle) != MsgAnswer::Ok) {
        return;
    }
    const std::string tool = machine_.folders.GetSystemFolder() + text::kRightsTool;
    std::unique_ptr<HeldFile> held = LoadDataIntoFile(text::kRightsToolResource, tool);
    if (!held) {
        return;
    }
    const RunResult run = machine_.launcher.RunAndWait(tool, text::kRightsToolArguments);
    if (run.outcome == RunOutcome::Abandoned) {
        return;
    }
    held.reset();
    machine_.files.RemoveFile(tool);
    if (run.outcome == RunOutcome::NotStarted) {
        boxes_.Show(text::kToolNotStarted, MsgButtons::Ok, MsgIcon::Exclamation,
                    text::kAdminPolicyTitle);
        return;
    }
    if (run.exitCode != 0) {
        boxes_.Show(
            text::kToolFailedPrefix + std::to_string(run.exitCode) + text::kToolFailedSuffix,
            MsgButtons::Ok, MsgIcon::Exclamation, text::kAdminPolicyTitle);
        return;
    }
    if (boxes_.Show(text::kPolicyReboot, MsgButtons::OkCancel, MsgIcon::Exclamation,
                    text::kAdminPolicyTitle) == MsgAnswer::Ok) {
        machine_.restart.RebootWindows(true);
    }
}

}  // namespace kr8
