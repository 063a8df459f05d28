// The Make Log button: the report as it stands on screen, saved for a help forum and opened.
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"

namespace kr8 {

void FrmKR8::CmdLog_Click() {
    const std::string path = machine_.folders.GetTempFolder() + text::kLogFile;
    const std::string log = std::string(text::kLogHeader) + text::kCrLf + text::kCrLf +
                            controls_.GetText1() + text::kCrLf;
    if (!machine_.files.WriteFileBytes(path, log)) {
        boxes_.Show(text::kLogNotWrittenPrefix + path + text::kLogNotWrittenSuffix, MsgButtons::Ok,
                    MsgIcon::Exclamation, "");
        return;
    }
    machine_.shell.Open(path, "", machine_.folders.GetTempFolder());
}

}  // namespace kr8
