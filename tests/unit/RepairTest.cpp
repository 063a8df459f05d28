#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

using Strings = std::vector<std::string>;

const std::string kNotifyKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\";

// --- Make Log

TEST(CmdLog, SavesHeaderBlankLineAndTheReportAsOnScreenThenOpensIt) {
    for (const std::string& report : {std::string("Files Found---\r\nedited by the user"),
                                      std::string("ends with a break\r\n"), std::string()}) {
        Harness h;
        h.controls.text1 = report;
        h.form.CmdLog_Click();
        h.form.CmdLog_Click();  // a second click replaces the first log
        EXPECT_EQ(h.files.Content(TempPath("kr8.log")),
                  "Log for KR8.BetterInternet File Finder (msg126)\r\n\r\n" + report + "\r\n");
        ASSERT_EQ(h.shell.requests.size(), 2u);
        EXPECT_EQ(h.shell.requests[0], (fake::ShellRequest{TempPath("kr8.log"), "", fake::kTemp}));
    }
}

TEST(CmdLog, ALogThatCannotBeWrittenIsReportedAndNotOpened) {
    Harness h;
    h.files.failWrites = true;
    h.form.CmdLog_Click();
    EXPECT_TRUE(h.shell.requests.empty());
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].prompt,
              "The log could not be written to " + TempPath("kr8.log") + "\r\nNothing was opened.");
    EXPECT_EQ(h.boxes.shown[0].icon, MsgIcon::Exclamation);
}

// --- Guardian .reg

// Yes deletes the key by its exact name, trailing blank included (never the innocent key the
// trimmed name would hit), No keeps it; either way the scan runs again.
TEST(CmdGuard, AsksThenDeletesOrKeepsTheKeyByItsExactNameAndRescans) {
    for (const MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::No}) {
        Harness h;
        h.reg.AddKey(kNotifyPath + "\\x");
        h.reg.SetString(kNotifyPath + "\\x ", "Version", "126");
        h.LoadAndFind();
        ASSERT_TRUE(h.controls.IsEnabled(Button::CmdGuard));
        h.boxes.answers = {answer};
        h.controls.text1 = "edited";
        h.form.CmdGuard_Click();
        const bool yes = answer == MsgAnswer::Yes;
        EXPECT_EQ(h.boxes.shown,
                  (std::vector<fake::ShownBox>{{"Delete the Registry key x ", MsgButtons::YesNo,
                                                MsgIcon::Exclamation, "x "}}));
        EXPECT_EQ(h.reg.HasKey(kNotifyPath + "\\x "), !yes);
        EXPECT_TRUE(h.reg.HasKey(kNotifyPath + "\\x"));
        EXPECT_EQ(h.clock.pauses, std::vector<unsigned>{500});
        EXPECT_EQ(h.form.GuardianKeyName, yes ? "" : "x ");
        EXPECT_EQ(h.controls.IsEnabled(Button::CmdGuard), !yes);
        EXPECT_EQ(h.controls.text1.rfind("Files Found---", 0), 0u) << "rescanned";
    }
}

// A key or value that is still there after its delete is named, never passed over in silence.
TEST(Repair, ADeleteThatDidNotHappenIsReportedByName) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\GuardSvc");
    h.reg.SetString(kPostPlatformPath, "msgд126", "");
    h.LoadAndFind();
    h.reg.failDeletes = true;
    h.form.CmdGuard_Click();
    h.form.CmdUAS_Click();
    EXPECT_EQ(h.boxes.Prompts(), (Strings{"Delete the Registry key GuardSvc",
                                          "The Registry key could not be deleted: GuardSvc",
                                          "Delete the User Agent String?",
                                          "The User Agent String could not be deleted: msgд126"}));
}

TEST(CmdGuard, ABlankNameNeverAddressesTheNotifyKeyItself) {
    Harness h;
    h.reg.SetString(kNotifyPath, "own", "v");
    h.form.GuardianKeyName = "";
    h.form.Form_Load();
    h.form.CmdGuard_Click();
    EXPECT_TRUE(h.reg.HasKey(kNotifyPath));
}

// --- User Agent$

// Yes deletes the value by its own name, whatever its data, and scans again; No changes nothing.
TEST(CmdUAS, AsksThenDeletesTheValueAndRescansOrChangesNothing) {
    for (const std::string& data : {std::string(), std::string("Y"), std::string("no")}) {
        Harness h;
        h.reg.SetString(kPostPlatformPath, "X", data);
        h.LoadAndFind();
        const bool yes = data != "no";
        h.boxes.answers = {yes ? MsgAnswer::Yes : MsgAnswer::No};
        h.controls.text1 = "kept";
        h.form.CmdUAS_Click();
        EXPECT_EQ(h.boxes.shown,
                  (std::vector<fake::ShownBox>{{"Delete the User Agent String?", MsgButtons::YesNo,
                                                MsgIcon::Exclamation, "User Agent"}}));
        EXPECT_EQ(h.reg.Get(kPostPlatformPath, "X").has_value(), !yes) << "data '" << data << "'";
        EXPECT_EQ(h.form.UserAgentString, yes ? "" : "X no");
        EXPECT_EQ(h.controls.IsEnabled(Button::CmdUAS), !yes);
        const std::string tail = yes ? "User Agent String---\r\n" : "kept";
        EXPECT_EQ(h.controls.text1.substr(h.controls.text1.size() - tail.size()), tail);
    }
}

TEST(CmdUAS, OfTwoEntriesOnlyTheLastGoesAndTheOtherIsReportedNext) {
    Harness h;
    h.reg.SetString(kPostPlatformPath, "first", "1");
    h.reg.SetString(kPostPlatformPath, "second", "2");
    h.LoadAndFind();
    h.form.CmdUAS_Click();
    EXPECT_TRUE(h.reg.Get(kPostPlatformPath, "first"));
    EXPECT_FALSE(h.reg.Get(kPostPlatformPath, "second"));
    EXPECT_EQ(h.form.UserAgentString, "first 1");
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdUAS));
}

// --- Restore Policy

const std::string kTool = std::string(fake::kSystem) + "\\NTrights.exe";
const std::string kToolBytes = std::string("MZ\0\x90 our rights tool", 20);

struct PolicyCase {
    const char* what;
    MsgAnswer confirm;
    MsgAnswer reboot;
    bool ran;
    bool restarted;
};

TEST(CmdPol, WritesRunsDeletesAndOffersARestart) {
    const PolicyCase cases[] = {
        {"cancel", MsgAnswer::Cancel, MsgAnswer::Ok, false, false},
        {"ok, cancel restart", MsgAnswer::Ok, MsgAnswer::Cancel, true, false},
        {"ok, restart", MsgAnswer::Ok, MsgAnswer::Ok, true, true},
    };
    for (const PolicyCase& c : cases) {
        Harness h;
        h.resources.stored[101] = kToolBytes;
        std::string writtenWhenRun;
        h.launcher.duringWait = [&] { writtenWhenRun = h.files.Content(kTool); };
        h.boxes.answers = {c.confirm, c.reboot};
        h.form.CmdPol_Click();
        EXPECT_EQ(
            h.boxes.shown[0],
            (fake::ShownBox{"This will reset the SeDebugPrivilege for Administrators, if you "
                            "already removed the KR8.BetterInternet files using Recovery "
                            "Console",
                            MsgButtons::OkCancel, MsgIcon::Exclamation, "Administrator Policy"}))
            << c.what;
        if (c.ran) {
            EXPECT_EQ(h.launcher.commands,
                      Strings{kTool + " +r SeDebugPrivilege -u Administrators"});
            EXPECT_EQ(writtenWhenRun, kToolBytes) << "byte for byte";
            EXPECT_EQ(h.boxes.shown[1].prompt, "Windows needs to reboot to complete the repair");
        } else {
            EXPECT_TRUE(h.launcher.commands.empty());
        }
        EXPECT_FALSE(h.files.Exists(kTool)) << c.what;
        EXPECT_EQ(h.restart.requests, c.restarted ? std::vector<bool>{true} : std::vector<bool>{});
    }
}

// Only a tool that ran and answered 0 has done its work; anything else is said, and no restart
// is offered for a repair that did not happen.
TEST(CmdPol, TheToolsOutcomeDecidesWhatTheUserIsTold) {
    const struct {
        RunResult run;
        std::string told;
    } cases[] = {
        {{RunOutcome::NotStarted, 0},
         "The rights tool could not be started.\r\nNothing was changed."},
        {{RunOutcome::Ended, 2},
         "The rights tool ended with error code 2.\r\nThe debug privilege may not have been "
         "restored; Windows was not restarted."},
        {{RunOutcome::Abandoned, 0}, ""},
    };
    for (const auto& c : cases) {
        Harness h;
        h.resources.stored[101] = kToolBytes;
        h.launcher.result = c.run;
        int holdsWhileRunning = 0;
        h.launcher.duringWait = [&] { holdsWhileRunning = h.files.holds[kTool]; };
        h.form.CmdPol_Click();
        EXPECT_EQ(holdsWhileRunning, 1) << "nobody can change the tool while it runs";
        const Strings prompts = h.boxes.Prompts();
        ASSERT_EQ(prompts.size(), c.told.empty() ? 1u : 2u) << c.told;
        if (!c.told.empty()) {
            EXPECT_EQ(prompts[1], c.told);
        }
        EXPECT_TRUE(h.restart.requests.empty());
    }
}

TEST(CmdPol, RefusesTheConsumerFamilyAndIgnoresOthers) {
    Harness h;
    h.os.platformId = 1;
    h.form.CmdPol_Click();
    EXPECT_EQ(h.boxes.shown,
              (std::vector<fake::ShownBox>{{"Policy fix is for NT based systems only",
                                            MsgButtons::Ok, MsgIcon::Exclamation, "Policy"}}));
    Harness other;
    other.os.platformId = 0;
    other.form.CmdPol_Click();
    EXPECT_TRUE(other.boxes.shown.empty());
    EXPECT_TRUE(h.launcher.commands.empty() && other.launcher.commands.empty());
}

// What is found in the tool's place decides: a byte-identical leftover of our own runs and goes;
// anything else is never run nor deleted; a tool that cannot be written is said, and nothing
// runs.
TEST(CmdPol, RunsOnlyTheToolItWroteOrFoundByteForByte) {
    const struct {
        const char* what;
        std::optional<std::string> there;
        bool resource;
        bool failWrites;
        bool ran;
        std::string told;
    } cases[] = {
        {"own leftover", kToolBytes, true, false, true, ""},
        {"planted", std::string("planted by someone else"), true, false, false,
         "A file that this program did not write"},
        {"no resource", std::nullopt, false, false, false,
         "The rights tool could not be written to " + kTool + "\r\nNothing was run."},
        {"unwritable", std::nullopt, true, true, false,
         "The rights tool could not be written to " + kTool + "\r\nNothing was run."},
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
        h.boxes.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
        h.form.CmdPol_Click();
        EXPECT_EQ(h.launcher.commands.size(), c.ran ? 1u : 0u);
        EXPECT_EQ(h.files.Content(kTool), c.ran || !c.there ? "<missing>" : *c.there);
        if (!c.told.empty()) {
            ASSERT_EQ(h.boxes.shown.size(), 2u);
            EXPECT_EQ(h.boxes.shown[1].prompt.rfind(c.told, 0), 0u);
        }
        EXPECT_TRUE(h.restart.requests.empty());
    }
}

// --- Hosts Log and Open Regedit

// Through the click dispatch, so that two swapped handlers show.
TEST(Shortcuts, OpenNotepadOnTheHostsFileTheRegistryEditorAndTheLog) {
    Harness h;
    h.form.Click(Button::CmdHosts);
    h.form.Click(Button::CmdRegedit);
    h.form.Click(Button::CmdLog);
    const std::string system = fake::kSystem;
    const std::string windows = fake::kWindows;
    EXPECT_EQ(h.shell.requests,
              (std::vector<fake::ShellRequest>{
                  {windows + "\\notepad.exe", "\"" + system + "\\drivers\\etc\\hosts\"",
                   system + "\\drivers\\etc"},
                  {windows + "\\regedit.exe", "", windows},
                  {TempPath("kr8.log"), "", fake::kTemp}}));
    h.boxes.answers = {MsgAnswer::Cancel};
    h.form.Click(Button::CmdPol);
    EXPECT_EQ(h.boxes.Prompts().back().find("This will reset"), 0u);
}

}  // namespace
}  // namespace kr8::test
