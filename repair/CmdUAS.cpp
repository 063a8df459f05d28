// The User Agent$ button: deletes the user-agent entry that the scan found, then scans again.
#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "remove/RemovalStep.h"
#include "scan/AdwarePlaces.h"
#include "scan/ReportText.h"

namespace kr8 {

void FrmKR8::CmdUAS_Click() {
    // Gone since the Find (another tool removed it): a question about it, and the word that no
    // backup could be made, would both be untrue.
    if (!machine_.reg.ValueExists(RegRoot::LocalMachine, place::kPostPlatformKey,
                                  UserAgentValueName)) {
        CmdFind_Click();
        return;
    }
    if (boxes_.Show(text::kDeleteUserAgent, MsgButtons::YesNo, MsgIcon::Exclamation,
                    text::kUserAgentTitle) != MsgAnswer::Yes) {
        return;
    }
    // The value's own name: the shown text joins name and data, and no value is called that.
    RemovalAsks asks;
    asks.withoutBackup = [&] {
        return RemoveWithoutBackup(text::kNoValueBackupPrefix, UserAgentValueName);
    };
    const RemovalItem item =
        RemovalItem::Value(RegRoot::LocalMachine, place::kPostPlatformKey, UserAgentValueName);
    if (RemovalStep(backup_, machine_.files, machine_.reg).Remove(item, asks) ==
        RemovalOutcome::NotRemoved) {
        boxes_.Show(text::kUserAgentNotDeletedPrefix + ShownInReport(UserAgentValueName),
                    MsgButtons::Ok, MsgIcon::Exclamation, text::kUserAgentTitle);
    }
    UserAgentString.clear();
    UserAgentValueName.clear();
    CmdFind_Click();
}

}  // namespace kr8
