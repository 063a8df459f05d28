#include <gtest/gtest.h>

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

TEST(CmdGuard, YesDeletesTheKeyAndTheRescanShowsItGone) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\GuardSvc");
    h.LoadAndFind();
    ASSERT_TRUE(h.controls.IsEnabled(Button::CmdGuard));
    h.form.CmdGuard_Click();
    EXPECT_EQ(h.boxes.shown,
              (std::vector<fake::ShownBox>{{"Delete the Registry key GuardSvc", MsgButtons::YesNo,
                                            MsgIcon::Exclamation, "GuardSvc"}}));
    EXPECT_FALSE(h.reg.HasKey(kNotifyPath + "\\GuardSvc"));
    EXPECT_EQ(h.clock.pauses, std::vector<unsigned>{500});
    EXPECT_EQ(h.form.GuardianKeyName, "");
    EXPECT_FALSE(h.controls.IsEnabled(Button::CmdGuard));
    EXPECT_NE(h.controls.text1.find("Guardian Key--- is called: \r\n"), std::string::npos);
}

TEST(CmdGuard, NoKeepsTheKeyButStillRescans) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\GuardSvc");
    h.LoadAndFind();
    h.boxes.answers = {MsgAnswer::No};
    h.controls.text1 = "edited";
    h.form.CmdGuard_Click();
    EXPECT_TRUE(h.reg.HasKey(kNotifyPath + "\\GuardSvc"));
    EXPECT_EQ(h.clock.pauses, std::vector<unsigned>{500});
    EXPECT_EQ(h.form.GuardianKeyName, "GuardSvc") << "found again";
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdGuard));
    EXPECT_EQ(h.controls.text1.rfind("Files Found---", 0), 0u);
}

TEST(CmdGuard, DeletesTheKeyByItsExactNameBlanksIncluded) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\Guard");  // an innocent key the trimmed name would hit
    h.reg.AddKey(kNotifyPath + "\\Guard ");
    h.LoadAndFind();
    ASSERT_EQ(h.form.GuardianKeyName, "Guard ");
    h.form.CmdGuard_Click();
    EXPECT_EQ(h.boxes.shown[0].prompt, "Delete the Registry key Guard ");
    EXPECT_EQ(h.boxes.shown[0].title, "Guard ");
    EXPECT_TRUE(h.reg.HasKey(kNotifyPath + "\\Guard"));
    EXPECT_FALSE(h.reg.HasKey(kNotifyPath + "\\Guard "));
}

// A key or value that is still there after its delete is named, never passed over in silence;
// a key with a sub-key goes whole.
TEST(Repair, ADeleteThatDidNotHappenIsReportedByName) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\GuardSvc\\sub");
    h.reg.SetString(kPostPlatformPath, "msgд126", "");
    h.LoadAndFind();
    h.reg.failDeletes = true;
    h.form.CmdGuard_Click();
    h.form.CmdUAS_Click();
    EXPECT_EQ(h.Prompts(), (Strings{"Delete the Registry key GuardSvc",
                                    "The Registry key could not be deleted: GuardSvc",
                                    "Delete the User Agent String?",
                                    "The User Agent String could not be deleted: msgд126"}));
    h.reg.failDeletes = false;
    h.boxes.shown.clear();
    h.form.CmdGuard_Click();
    h.form.CmdUAS_Click();
    EXPECT_EQ(h.Prompts(),
              (Strings{"Delete the Registry key GuardSvc", "Delete the User Agent String?"}));
    EXPECT_FALSE(h.reg.HasKey(kNotifyPath + "\\GuardSvc"));
    EXPECT_FALSE(h.reg.Get(kPostPlatformPath, "msgд126"));
}

TEST(CmdGuard, ABlankNameNeverAddressesTheNotifyKeyItself) {
    Harness h;
    h.reg.SetString(kNotifyPath, "own", "v");
    h.form.GuardianKeyName = "  ";
    h.form.Form_Load();
    h.form.CmdGuard_Click();
    EXPECT_TRUE(h.reg.HasKey(kNotifyPath));
}

// --- User Agent$

TEST(CmdUAS, YesDeletesTheValueByItsOwnNameAndRescans) {
    for (const std::string& data : {std::string(), std::string("Y")}) {
        Harness h;
        h.reg.SetString(kPostPlatformPath, "X", data);
        h.LoadAndFind();
        h.form.CmdUAS_Click();
        EXPECT_EQ(h.boxes.shown,
                  (std::vector<fake::ShownBox>{{"Delete the User Agent String?", MsgButtons::YesNo,
                                                MsgIcon::Exclamation, "User Agent"}}));
        EXPECT_FALSE(h.reg.Get(kPostPlatformPath, "X")) << "data '" << data << "'";
        EXPECT_EQ(h.form.UserAgentString, "");
        EXPECT_FALSE(h.controls.IsEnabled(Button::CmdUAS));
        const std::string tail = "User Agent String---\r\n";
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

TEST(CmdUAS, NoChangesNothing) {
    Harness h;
    h.reg.SetString(kPostPlatformPath, "X", "");
    h.LoadAndFind();
    h.boxes.answers = {MsgAnswer::No};
    h.controls.text1 = "kept";
    h.form.CmdUAS_Click();
    EXPECT_TRUE(h.reg.Get(kPostPlatformPath, "X"));
    EXPECT_EQ(h.form.UserAgentString, "X ");
    EXPECT_EQ(h.controls.text1, "kept") << "no rescan";
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
        const Strings prompts = h.Prompts();
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

TEST(CmdPol, NeverRunsOrDeletesAToolItDidNotWrite) {
    Harness h;
    h.resources.stored[101] = kToolBytes;
    h.files.WriteFileBytes(kTool, "planted by someone else");
    h.form.CmdPol_Click();
    EXPECT_TRUE(h.launcher.commands.empty());
    EXPECT_EQ(h.files.Content(kTool), "planted by someone else");
    ASSERT_EQ(h.boxes.shown.size(), 2u);
    EXPECT_EQ(h.boxes.shown[1].prompt.find("A file that this program did not write"), 0u);
    EXPECT_TRUE(h.restart.requests.empty());
}

TEST(CmdPol, RunsAndDeletesAByteIdenticalLeftoverOfItsOwn) {
    Harness h;
    h.resources.stored[101] = kToolBytes;
    h.files.WriteFileBytes(kTool, kToolBytes);
    h.form.CmdPol_Click();
    EXPECT_EQ(h.launcher.commands.size(), 1u);
    EXPECT_FALSE(h.files.Exists(kTool));
}

TEST(CmdPol, AToolThatCannotBeWrittenIsReportedAndNothingRuns) {
    for (bool resourceMissing : {true, false}) {
        Harness h;
        if (!resourceMissing) {
            h.resources.stored[101] = kToolBytes;
            h.files.failWrites = true;
        }
        h.form.CmdPol_Click();
        EXPECT_TRUE(h.launcher.commands.empty());
        ASSERT_EQ(h.boxes.shown.size(), 2u);
        EXPECT_EQ(h.boxes.shown[1].prompt,
                  "The rights tool could not be written to " + kTool + "\r\nNothing was run.");
        EXPECT_FALSE(h.files.Exists(kTool));
    }
}

// --- Hosts Log and Open Regedit

TEST(Shortcuts, OpenNotepadOnTheHostsFileAndTheRegistryEditor) {
    Harness h;
    h.form.CmdHosts_Click();
    h.form.CmdRegedit_Click();
    const std::string system = fake::kSystem;
    const std::string windows = fake::kWindows;
    EXPECT_EQ(h.shell.requests,
              (std::vector<fake::ShellRequest>{
                  {windows + "\\notepad.exe", "\"" + system + "\\drivers\\etc\\hosts\"",
                   system + "\\drivers\\etc"},
                  {windows + "\\regedit.exe", "", windows}}));
}

TEST(Click, ReachesEveryButtonsHandler) {
    Harness h;
    h.form.Click(Button::CmdHosts);
    h.form.Click(Button::CmdRegedit);
    h.form.Click(Button::CmdLog);
    EXPECT_EQ(h.shell.requests.size(), 3u);
    h.boxes.answers = {MsgAnswer::Cancel};
    h.form.Click(Button::CmdPol);
    EXPECT_EQ(h.Prompts().back().find("This will reset"), 0u);
}

}  // namespace
}  // namespace kr8::test
