#include <gtest/gtest.h>

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
    EXPECT_EQ(h.boxes.shown, Strings{text::kLogNotWrittenPrefix + TempPath("kr8.log") +
                                     text::kLogNotWrittenSuffix});
}

// The guardian key and the last user-agent value go by their exact names, a trailing blank
// included (never the innocent key the trimmed name would hit, nor a value named by the shown
// text); what is still there after its delete is named, never passed over in silence.
TEST(Repair, DeletesByTheExactNameAndNamesWhatStayed) {
    for (const bool fail : {false, true}) {
        Harness h;
        h.reg.AddKey(kNotifyPath + "\\x");
        h.reg.SetString(kNotifyPath + "\\x ", "Version", "126");
        h.reg.SetString(kPostPlatformPath, "first", "1");
        h.reg.SetString(kPostPlatformPath, "msgд126", "data");
        h.Infect({});
        h.reg.failDeletes = fail;
        h.form.CmdGuard_Click();
        h.form.CmdUAS_Click();
        EXPECT_EQ(h.boxes.shown,
                  fail ? (Strings{"Delete the Registry key x ",
                                  "The Registry key could not be deleted: x ",
                                  "Delete the User Agent String?",
                                  "The User Agent String could not be deleted: msgд126"})
                       : (Strings{"Delete the Registry key x ", "Delete the User Agent String?"}));
        EXPECT_EQ(h.reg.HasKey(kNotifyPath + "\\x "), fail);
        EXPECT_TRUE(h.reg.HasKey(kNotifyPath + "\\x"));
        EXPECT_EQ(h.reg.Get(kPostPlatformPath, "msgд126").has_value(), fail);
        EXPECT_EQ(h.form.UserAgentString, fail ? "msgд126 data" : "first 1") << "rescanned";
    }
    // With no guardian found the name is empty, which would name the Notify key itself.
    Harness h;
    h.reg.AddKey(kNotifyPath);
    h.form.GuardianKeyName = "";
    h.form.CmdGuard_Click();
    EXPECT_TRUE(h.reg.HasKey(kNotifyPath));
}

const std::string kTool = SystemPath("NTrights.exe");
const std::string kToolBytes = std::string("MZ\0\x90 our rights tool", 20);

// The tool runs only as written byte for byte by this program (or left so by an earlier run) and
// goes afterwards; only a run that ended with 0 is a repair, and only that offers the restart.
TEST(CmdPol, RunsOnlyItsOwnToolAndSaysHowItEnded) {
    const std::string notWritten =
        text::kToolNotWrittenPrefix + kTool + text::kToolNotWrittenSuffix;
    const std::string foreign = text::kForeignToolPrefix + kTool + text::kForeignToolSuffix;
    const std::string failed = text::kToolFailedPrefix + std::string("2") + text::kToolFailedSuffix;
    const RunResult ended{RunOutcome::Ended, 0}, exit2{RunOutcome::Ended, 2};
    const RunResult notStarted{RunOutcome::NotStarted, 0}, abandoned{RunOutcome::Abandoned, 0};
    const struct {
        const char* what;
        std::string there;  // in the tool's place before the click
        bool resource;
        bool failWrites;
        RunResult run;
        MsgAnswer confirm;
        std::string told;  // after the confirmation
    } cases[] = {
        {"cancelled", "", true, false, ended, MsgAnswer::Cancel, ""},
        {"ran", "", true, false, ended, MsgAnswer::Ok, text::kPolicyReboot},
        {"own leftover", kToolBytes, true, false, ended, MsgAnswer::Ok, text::kPolicyReboot},
        {"planted", "planted", true, false, ended, MsgAnswer::Ok, foreign},
        {"no resource", "", false, false, ended, MsgAnswer::Ok, notWritten},
        {"unwritable", "", true, true, ended, MsgAnswer::Ok, notWritten},
        {"not started", "", true, false, notStarted, MsgAnswer::Ok, text::kToolNotStarted},
        {"exit code 2", "", true, false, exit2, MsgAnswer::Ok, failed},
        {"abandoned", "", true, false, abandoned, MsgAnswer::Ok, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        if (c.resource) {
            h.resources.stored[101] = kToolBytes;
        }
        if (!c.there.empty()) {
            h.files.WriteFileBytes(kTool, c.there);
        }
        h.files.failWrites = c.failWrites;
        h.launcher.result = c.run;
        std::string runWhileHeld;
        h.launcher.duringWait = [&] {
            runWhileHeld = h.files.holds[kTool] == 1 ? h.files.Content(kTool) : "not held";
        };
        h.boxes.answers = {c.confirm};
        h.form.CmdPol_Click();
        Strings told{text::kPolicyConfirm, c.told};
        told.resize(c.told.empty() ? 1 : 2);
        EXPECT_EQ(h.boxes.shown, told);
        const bool ran = !h.launcher.commands.empty();
        EXPECT_EQ(h.launcher.commands,
                  Strings(ran, kTool + " +r SeDebugPrivilege -u Administrators"));
        EXPECT_EQ(runWhileHeld, ran ? kToolBytes : "");
        EXPECT_EQ(h.files.Content(kTool), c.there == "planted"                 ? "planted"
                                          : c.run.outcome == abandoned.outcome ? kToolBytes
                                                                               : "<missing>");
        EXPECT_EQ(h.restart.requests, std::vector<bool>(c.told == text::kPolicyReboot, true));
    }
    Harness consumer;
    consumer.os.platformId = 1;
    consumer.form.CmdPol_Click();
    EXPECT_EQ(consumer.boxes.shown, Strings{text::kPolicyRefusal});
}

}  // namespace
}  // namespace kr8::test
