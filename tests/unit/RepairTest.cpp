#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/LogFile.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

TEST(CmdLog, WritesTheReportAsOnScreenAndOpensItOrSaysWhyNot) {
    Harness h;
    h.controls.text1 = "edited by the user";
    h.form.CmdLog_Click();
    EXPECT_EQ(h.files.Content(TempPath("kr8.log")), LogFileBytes("edited by the user"));
    EXPECT_EQ(h.shell.requests, Strings{TempPath("kr8.log") + " |  | " + fake::kTemp});
    h.files.failWrites = true;
    h.form.CmdLog_Click();
    EXPECT_EQ(h.shell.requests.size(), 1u) << "nothing opened";
    EXPECT_EQ(h.boxes.Prompts(), Strings{text::kLogNotWrittenPrefix + TempPath("kr8.log") +
                                         text::kLogNotWrittenSuffix});
}

// Yes deletes the key by its exact name, trailing blank included (never the innocent key the
// trimmed name would hit), No keeps it; either way the scan runs again.
TEST(CmdGuard, DeletesOnlyTheKeyOfTheExactNameAndRescans) {
    for (const MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::No}) {
        Harness h;
        h.reg.AddKey(kNotifyPath + "\\x");
        h.reg.SetString(kNotifyPath + "\\x ", "Version", "126");
        h.Infect({});
        h.boxes.answers = {answer};
        h.controls.text1 = "edited";
        h.form.CmdGuard_Click();
        EXPECT_EQ(h.boxes.Prompts(), Strings{"Delete the Registry key x "});
        EXPECT_EQ(h.reg.HasKey(kNotifyPath + "\\x "), answer == MsgAnswer::No);
        EXPECT_TRUE(h.reg.HasKey(kNotifyPath + "\\x"));
        EXPECT_EQ(h.controls.text1.rfind(text::kFilesFound, 0), 0u) << "rescanned";
    }
    // With no guardian found the name is empty, which would name the Notify key itself.
    Harness h;
    h.reg.AddKey(kNotifyPath);
    h.form.GuardianKeyName = "";
    h.form.CmdGuard_Click();
    EXPECT_TRUE(h.reg.HasKey(kNotifyPath));
}

// The value goes by its own name, whatever its data; a key or value still there after its delete
// is named, never passed over in silence.
TEST(Repair, DeletesTheUserAgentValueByNameAndNamesWhatStayed) {
    for (const bool fail : {false, true}) {
        Harness h;
        h.reg.AddKey(kNotifyPath + "\\GuardSvc");
        h.reg.SetString(kPostPlatformPath, "first", "1");
        h.reg.SetString(kPostPlatformPath, "msgд126", "data");
        h.Infect({});
        h.reg.failDeletes = fail;
        h.form.CmdGuard_Click();
        h.form.CmdUAS_Click();
        const Strings asked{"Delete the Registry key GuardSvc", "Delete the User Agent String?"};
        EXPECT_EQ(h.boxes.Prompts(),
                  fail ? (Strings{asked[0], "The Registry key could not be deleted: GuardSvc",
                                  asked[1], "The User Agent String could not be deleted: msgд126"})
                       : asked);
        EXPECT_EQ(h.reg.Get(kPostPlatformPath, "msgд126").has_value(), fail);
        EXPECT_TRUE(h.reg.Get(kPostPlatformPath, "first")) << "only the last entry goes";
        EXPECT_EQ(h.form.UserAgentString, fail ? "msgд126 data" : "first 1") << "rescanned";
    }
}

const RunResult kEnded{RunOutcome::Ended, 0};
const std::string kTool = SystemPath("NTrights.exe");
const std::string kToolBytes = std::string("MZ\0\x90 our rights tool", 20);

// The tool runs only as written byte for byte by this program (or left so by an earlier run) and
// goes afterwards; only a run that ended with 0 is a repair, and only that offers the restart.
TEST(CmdPol, RunsOnlyItsOwnToolAndSaysHowItEnded) {
    const std::string notWritten =
        text::kToolNotWrittenPrefix + kTool + text::kToolNotWrittenSuffix;
    const struct {
        const char* what;
        std::optional<std::string> there;
        bool resource;
        bool failWrites;
        RunResult run;
        MsgAnswer confirm;
        std::string told;  // after the confirmation; empty for nothing
        bool restarted;
    } cases[] = {
        {"cancelled", {}, true, false, kEnded, MsgAnswer::Cancel, "", false},
        {"ran, restart", {}, true, false, kEnded, MsgAnswer::Ok, text::kPolicyReboot, true},
        {"own leftover", kToolBytes, true, false, kEnded, MsgAnswer::Ok, text::kPolicyReboot, true},
        {"planted",
         std::string("planted"),
         true,
         false,
         {},
         MsgAnswer::Ok,
         text::kForeignToolPrefix + kTool + text::kForeignToolSuffix,
         false},
        {"no resource", {}, false, false, kEnded, MsgAnswer::Ok, notWritten, false},
        {"unwritable", {}, true, true, kEnded, MsgAnswer::Ok, notWritten, false},
        {"not started",
         {},
         true,
         false,
         {RunOutcome::NotStarted, 0},
         MsgAnswer::Ok,
         text::kToolNotStarted,
         false},
        {"exit code 2",
         {},
         true,
         false,
         {RunOutcome::Ended, 2},
         MsgAnswer::Ok,
         text::kToolFailedPrefix + std::string("2") + text::kToolFailedSuffix,
         false},
        {"abandoned", {}, true, false, {RunOutcome::Abandoned, 0}, MsgAnswer::Ok, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        if (c.resource) {
            h.resources.stored[101] = kToolBytes;
        }
        if (c.there) {
            h.files.WriteFileBytes(kTool, *c.there);
        }
        h.files.failWrites = c.failWrites;
        h.launcher.result = c.run;
        std::string runWhileHeld;
        h.launcher.duringWait = [&] {
            runWhileHeld = h.files.holds[kTool] == 1 ? h.files.Content(kTool) : "not held";
        };
        h.boxes.answers = {c.confirm};
        h.form.CmdPol_Click();
        Strings expected{text::kPolicyConfirm};
        if (!c.told.empty()) {
            expected.push_back(c.told);
        }
        EXPECT_EQ(h.boxes.Prompts(), expected);
        const bool ran = !h.launcher.commands.empty();
        EXPECT_EQ(h.launcher.commands,
                  Strings(ran, kTool + " +r SeDebugPrivilege -u Administrators"));
        EXPECT_EQ(runWhileHeld, ran ? kToolBytes : "");
        EXPECT_EQ(h.files.Content(kTool), c.there == std::string("planted")        ? "planted"
                                          : c.run.outcome == RunOutcome::Abandoned ? kToolBytes
                                                                                   : "<missing>");
        EXPECT_EQ(h.restart.requests, std::vector<bool>(c.restarted, true));
    }
    Harness consumer;
    consumer.os.platformId = 1;
    consumer.form.CmdPol_Click();
    EXPECT_EQ(consumer.boxes.Prompts(), Strings{text::kPolicyRefusal});
}

// Through the click dispatch, so that two swapped handlers show.
TEST(Shortcuts, OpenNotepadOnTheHostsFileAndTheRegistryEditor) {
    Harness h;
    h.form.Click(Button::CmdHosts);
    h.form.Click(Button::CmdRegedit);
    const std::string system = fake::kSystem;
    const std::string windows = fake::kWindows;
    EXPECT_EQ(h.shell.requests,
              (Strings{windows + "\\notepad.exe | \"" + system + "\\drivers\\etc\\hosts\" | " +
                           system + "\\drivers\\etc",
                       windows + "\\regedit.exe |  | " + windows}));
}

}  // namespace
}  // namespace kr8::test
