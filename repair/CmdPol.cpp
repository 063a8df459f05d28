// The Restore Policy button: gives the debug privilege back to the Administrators group with the
// rights tool that the program carries.
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"

namespace kr8 {

bool FrmKR8::LoadDataIntoFile(int resourceId, const std::string& path) {
    const std::optional<std::string> stored = machine_.resources.CustomResource(resourceId);
    if (machine_.files.Exists(path)) {
        // Running a program this one did not write, with administrator rights, is what the
        // adware would want; only a byte-identical leftover of ours is run.
        if (stored && machine_.files.ReadFileBytes(path) == stored) {
            return true;
        }
        boxes_.Show(text::kForeignToolPrefix + path + text::kForeignToolSuffix, MsgButtons::Ok,
                    MsgIcon::Exclamation, text::kAdminPolicyTitle);
        return false;
    }
    if (!stored || !machine_.files.WriteFileBytes(path, *stored)) {
        // A half-written tool must not be left for the next click to find.
        machine_.files.RemoveFile(path);
        boxes_.Show(text::kToolNotWrittenPrefix + path + text::kToolNotWrittenSuffix,
                    MsgButtons::Ok, MsgIcon::Exclamation, text::kAdminPolicyTitle);
        return false;
    }
    return true;
}

void FrmKR8::CmdPol_Click() {
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
    if (!LoadDataIntoFile(text::kRightsToolResource, tool)) {
        return;
    }
    machine_.launcher.RunAndWait(machine_.folders.GetSystemFolder() + text::kRightsTool +
                                 text::kRightsToolArguments);
    machine_.files.RemoveFile(tool);
    if (boxes_.Show(text::kPolicyReboot, MsgButtons::OkCancel, MsgIcon::Exclamation,
                    text::kAdminPolicyTitle) == MsgAnswer::Ok) {
        machine_.restart.RebootWindows(true);
    }
}

}  // namespace kr8
