#include "app/RestoreText.h"

#include "app/Texts.h"
#include "scan/ReportText.h"
#include "scan/ReportWords.h"

namespace kr8 {

namespace {

std::string Shown(const BackupItem& item) {
    return ShownInReport(item.original) +
           (item.kind == BackupKind::Value ? " : " + ShownInReport(item.valueName) : "");
}

std::string Shown(const NotRestored& failure) {
    const std::string what = ShownInReport(failure.what);
    switch (failure.why) {
        case NotRestoredWhy::ManifestUnreadable:
            return text::kManifestUnreadable + what;
        case NotRestoredWhy::NotItsPlace:
            return what + text::kNotItsPlace;
        case NotRestoredWhy::CopyChanged:
            return what + text::kCopyChanged;
        case NotRestoredWhy::StillReplacedAtRestart:
            return what + text::kStillReplacedAtRestart;
        case NotRestoredWhy::FileKept:
            return what + text::kFileKept;
        case NotRestoredWhy::FileNotWritten:
            return what + text::kFileNotWritten;
        case NotRestoredWhy::AttributesNotSet:
            return what + text::kAttributesNotSet;
        case NotRestoredWhy::RegFileUnreadable:
            return what + text::kRegFileUnreadable + failure.detail;
        case NotRestoredWhy::RegFileHoldsMore:
            return what + text::kRegFileHoldsMore;
        case NotRestoredWhy::KeyNotCreated:
            return what + text::kKeyNotCreated;
        case NotRestoredWhy::ValueNotWritten:
            return what + text::kValueNotWrittenPrefix + ShownInReport(failure.detail);
    }
    return what;
}

}  // namespace

ReplaceQuestion ReplaceAskedIn(MessageBoxes& boxes) {
    return [&boxes](const std::string& original) {
        return boxes.Show(
                   text::kReplaceFilePrefix + ShownInReport(original) + text::kReplaceFileSuffix,
                   MsgButtons::YesNoDefaultNo, MsgIcon::Exclamation,
                   text::kRestoreTitle) == MsgAnswer::Yes;
    };
}

std::string RestoreOutcomeText(const RestoreOutcome& outcome) {
    std::string out = outcome.Whole() ? text::kRestoredAllPrefix : text::kRestoreFailedPrefix;
    if (outcome.Whole()) {
        for (const BackupItem& item : outcome.restored) {
            out += Shown(item) + report::kCrLf;
        }
    }
    for (const NotRestored& failure : outcome.notRestored) {
        out += Shown(failure) + report::kCrLf;
    }
    return out;
}

bool RestoreAndTell(const std::string& folder, FileSystem& files, BackupStore& store,
                    CommonFunction& folders, MessageBoxes& boxes) {
    const RestoreOutcome outcome =
        RestoreFromBackup(folder, files, store, folders, ReplaceAskedIn(boxes));
    boxes.Show(RestoreOutcomeText(outcome), MsgButtons::Ok,
               outcome.Whole() ? MsgIcon::None : MsgIcon::Exclamation, text::kRestoreTitle);
    return outcome.Whole();
}

}  // namespace kr8
