// The Guardian .reg button: deletes the guardian key that the scan found, then scans again.
#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "remove/RemovalStep.h"
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
        const RemovalItem item = RemovalItem::Key(RegRoot::LocalMachine, place::kNotifyKey + name);
        RemovalAsks asks;
        asks.withoutBackup = [&] { return RemoveWithoutBackup(text::kNoKeyBackupPrefix, name); };
        if (RemovalStep(backup_, machine_.files, machine_.reg).Remove(item, asks) ==
            RemovalOutcome::NotRemoved) {
            boxes_.Show(text::kRegKeyNotDeletedPrefix + ShownInReport(name), MsgButtons::Ok,
                        MsgIcon::Exclamation, "");
        }
    }
    GuardianKeyName.clear();
    machine_.clock.Pause(text::kPauseAfterGuardMs);
    CmdFind_Click();
}

}  // namespace kr8
