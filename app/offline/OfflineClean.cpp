#include "app/offline/OfflineClean.h"

#include <optional>
#include <vector>

#include "app/RestoreText.h"
#include "app/Texts.h"
#include "app/offline/OfflineStore.h"
#include "remove/Backup.h"
#include "remove/RemovalStep.h"
#include "scan/AdwarePlaces.h"
#include "scan/ExitCodes.h"
#include "scan/ReportText.h"
#include "scan/ReportWords.h"
#include "sys/AsciiCase.h"
#include "sys/RegFile.h"
#include "sys/RegText.h"
#include "sys/TerminalText.h"
#include "sys/posix/PosixHandles.h"

namespace kr8 {

namespace {

bool Asked(MessageBoxes& boxes, const std::string& question) {
    return boxes.Show(question, MsgButtons::YesNoDefaultNo, MsgIcon::Exclamation, "") ==
           MsgAnswer::Yes;
}

struct Removed {
    std::string shown;
    bool gone = false;
};

// A registry item deleted from the hive in memory, looked at again once the hive is saved.
struct Pending {
    std::string shown;
    TakenItem taken;
};

}  // namespace

MsgAnswer TerminalBoxes::Show(const std::string& prompt, MsgButtons buttons, MsgIcon,
                              const std::string&) {
    const bool question = buttons != MsgButtons::Ok;
    std::fprintf(out_, "%s%s", ForTerminal(prompt).c_str(), question ? text::kAnswerSuffix : "\n");
    if (!question) {
        return MsgAnswer::Ok;
    }
    bool yes = yes_;
    if (yes_) {
        std::fputs("y\n", out_);
    } else {
        std::fflush(out_);
        // The whole line, however long, is this question's answer and no other's.
        char* line = nullptr;
        std::size_t capacity = 0;
        const ssize_t length = getline(&line, &capacity, in_);
        const Malloced<char> owned(line);
        std::string word = length > 0 ? std::string(line, static_cast<std::size_t>(length)) : "";
        word = word.substr(0, word.find_first_of("\r\n"));
        yes = EqualsIgnoringAsciiCase(word, "y") || EqualsIgnoringAsciiCase(word, "yes");
    }
    if (buttons == MsgButtons::OkCancel) {
        return yes ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    return yes ? MsgAnswer::Yes : MsgAnswer::No;
}

int CleanOffline(OfflineTarget& target, const Findings& found, MessageBoxes& boxes,
                 std::FILE* out) {
    const RegRoot hklm = RegRoot::LocalMachine;
    HiveRegistry& hive = target.Registry();
    // Checked before anything is changed, so that a refusal leaves the disk as it was.
    if (found.userAgent &&
        !hive.OthersRewritable(hklm, place::kPostPlatformKey, found.userAgent->name)) {
        std::fprintf(out, "%s\n", text::kUnsafeValueNames);
        return kExitFailed;
    }
    OfflineStore store(target.Drive(), hive);
    Backup backup(target.Drive(), hive, store, target);
    // No question here offers to go on without a backup: an item that has none is left alone.
    RemovalStep step(backup, target.Drive(), hive, [&target](const std::string& path) {
        return target.Drive().ExistsExactly(path);
    });
    std::vector<Removed> removed;
    std::vector<Pending> registry;
    std::vector<std::string> skipped;

    for (const std::string& path : found.adwareSized) {
        if (!Asked(boxes, text::kConfirmDeletePrefix + ShownInReport(path) + "?")) {
            continue;
        }
        const RemovalOutcome outcome = step.Remove(RemovalItem::File(path));
        if (outcome == RemovalOutcome::NoBackupSkipped) {
            skipped.push_back(ShownInReport(path));
        } else {
            removed.push_back({ShownInReport(path), outcome == RemovalOutcome::Removed});
        }
    }

    const auto take = [&](const RemovalItem& item, const std::string& shown) {
        if (std::optional<TakenItem> taken = step.Take(item, {})) {
            registry.push_back({shown, *taken});
        } else {
            skipped.push_back(shown);
        }
    };
    const std::string guardian = found.guardianKeyName;
    const std::string guardKey = place::kNotifyKey + guardian;
    if (!TrimBlanks(guardian).empty() &&
        Asked(boxes, text::kDeleteRegKeyPrefix + ShownInReport(guardian))) {
        take(RemovalItem::Key(hklm, guardKey), ShownInReport(RegKeyText(hklm, guardKey)));
    }
    const std::string agent = found.userAgent ? found.userAgent->name : std::string();
    if (found.userAgent && Asked(boxes, std::string(text::kDeleteUserAgent) + " " +
                                            ShownInReport(found.UserAgentText()))) {
        take(RemovalItem::Value(hklm, place::kPostPlatformKey, agent),
             ShownInReport(RegKeyText(hklm, place::kPostPlatformKey + agent)));
    }

    bool saved = true;
    if (!registry.empty()) {
        // The whole hive as it was, beside the backup of each item, before it is replaced.
        std::string why;
        saved = target.KeepHiveCopy(backup.Folder()) && target.SaveHive(&why);
        if (!saved) {
            PrintLine(out,
                      text::kHiveNotSaved + target.HivePath() + (why.empty() ? "" : ": " + why));
        }
        // Looked at again as the disk now holds it.
        HiveRegistry& again = target.Registry();
        for (const Pending& pending : registry) {
            const bool gone = saved && step.Gone(pending.taken, again);
            step.Record(pending.taken, gone ? RemovalOutcome::Removed : RemovalOutcome::NotRemoved);
            removed.push_back({pending.shown, gone});
        }
    }

    bool whole = saved && skipped.empty();
    for (const Removed& removal : removed) {
        PrintLine(out,
                  (removal.gone ? text::kRemovedPrefix : text::kNotRemovedPrefix) + removal.shown);
        whole = whole && removal.gone;
    }
    for (const std::string& shown : skipped) {
        PrintLine(out, text::kNotRemovedPrefix + shown + text::kNoBackupSkipped);
    }
    // Why a backup could not be made, where the hive or the disk said.
    for (const std::string& problem : target.Problems()) {
        PrintLine(out, problem);
    }
    return whole ? kExitNothingFound : kExitFailed;
}

int RestoreOffline(OfflineTarget& target, const std::string& folder, MessageBoxes& boxes,
                   std::FILE* out) {
    OfflineStore store(target.Drive(), target.Registry());
    const RestoreOutcome outcome =
        RestoreFromBackup(folder, target.Drive(), store, target, ReplaceAskedIn(boxes));
    // The window's words, a line at a time.
    const std::string told = RestoreOutcomeText(outcome);
    const std::string lineEnd = report::kCrLf;
    for (std::size_t at = 0, end; (end = told.find(lineEnd, at)) != std::string::npos;
         at = end + lineEnd.size()) {
        PrintLine(out, told.substr(at, end - at));
    }
    std::string why;
    if (!target.SaveHive(&why)) {
        PrintLine(out, text::kHiveNotSaved + target.HivePath() + (why.empty() ? "" : ": " + why));
        return kExitFailed;
    }
    return outcome.Whole() ? kExitNothingFound : kExitFailed;
}

}  // namespace kr8
