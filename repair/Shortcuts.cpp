// The Hosts Log and Open Regedit buttons: standard programs started for the user.
#include "app/FrmKR8.h"
#include "app/Texts.h"

namespace kr8 {

void FrmKR8::CmdHosts_Click() {
    // Notepad would follow a link on that disk wherever it leads; the seam reaches the file only
    // as itself.
    const std::string hosts = machine_.folders.GetSystemFolder() + text::kHostsFile;
    if (OnOtherWindows() && !machine_.files.ReadFileBytes(hosts)) {
        boxes_.Show(text::kOfflineHostsUnreachable + hosts, MsgButtons::Ok, MsgIcon::Exclamation,
                    "");
        return;
    }
    // Never a program of the other disk's: this Windows' Notepad opens that Windows' file.
    machine_.shell.Open(
        ownWindowsFolder_.value_or(machine_.folders.GetWindowsFolder()) + text::kNotepad,
        // Quoted: the system folder's path may hold blanks.
        "\"" + hosts + "\"", machine_.folders.GetSystemFolder() + text::kHostsFolder);
}

// The editor opens at the key that the last scan stored as its LastKey.
void FrmKR8::CmdRegedit_Click() {
    if (OnOtherWindows()) {
        return;
    }
    machine_.shell.Open(machine_.folders.GetWindowsFolder() + text::kRegeditExe, "",
                        machine_.folders.GetWindowsFolder());
}

}  // namespace kr8
