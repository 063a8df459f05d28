// The Make Log button: the report as it stands on screen, saved for a help forum and opened.
#include <string>

#include "app/FrmKR8.h"
#include "app/LogFile.h"
#include "app/Texts.h"

namespace kr8 {

void FrmKR8::CmdLog_Click() {
    // The log is the user's, for this Windows' Notepad and forum post, never that disk's.
    const std::string folder = OnOtherWindows() ? ownTempFolder_ : machine_.folders.GetTempFolder();
    // Without a temporary folder the path would fall back to the drive's root.
    if (folder.empty()) {
        boxes_.Show(text::kLogNoTempFolder, MsgButtons::Ok, MsgIcon::Exclamation, "");
        return;
    }
    const std::string path = folder + text::kLogFile;
    if (!machine_.files.WriteFileBytes(path, LogFileBytes(controls_.GetText1()))) {
        boxes_.Show(text::kLogNotWrittenPrefix + path + text::kLogNotWrittenSuffix, MsgButtons::Ok,
                    MsgIcon::Exclamation, "");
        return;
    }
    machine_.shell.Open(path, "", folder);
}

}  // namespace kr8
