// The Guardian .reg button: deletes the guardian key that the scan found, then scans again.
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "scan/AdwarePlaces.h"
#include "scan/ReportText.h"
#include "sys/RegText.h"

namespace kr8 {

void FrmKR8::CmdGuard_Click() {
    const std::string name = GuardianKeyName;
    if (boxes_.Show(text::kDeleteRegKeyPrefix + name, MsgButtons::YesNo, MsgIcon::Exclamation,
                    name) == MsgAnswer::Yes &&
        !TrimBlanks(name).empty()) {
        // The exact name the scan found: with blanks trimmed it could name another key, and
        // with nothing left it would name the Notify key itself.
        const std::string key = place::kNotifyKey + name;
        const std::optional<std::size_t> saved = backup_.SaveKey(RegRoot::LocalMachine, key);
        if (saved || RemoveWithoutBackup(text::kNoKeyBackupPrefix, name)) {
            machine_.reg.DeleteRegKey(RegRoot::LocalMachine, key);
            const bool kept = machine_.reg.KeyExists(RegRoot::LocalMachine, key);
            if (kept) {
                boxes_.Show(text::kRegKeyNotDeletedPrefix + ShownInReport(name), MsgButtons::Ok,
                            MsgIcon::Exclamation, "");
            }
            if (saved) {
                backup_.Record(*saved, kept ? Removal::NotRemoved : Removal::Deleted);
            }
        }
    }
    GuardianKeyName.clear();
    machine_.clock.Pause(text::kPauseAfterGuardMs);
    CmdFind_Click();
}

}  // namespace kr8
