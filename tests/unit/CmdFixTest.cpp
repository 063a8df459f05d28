#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

using Strings = std::vector<std::string>;

const std::string kDummyContent = "Look2Me trojan dummy file\r\nIt is safe to delete this file\r\n";

std::string WindowsPath(const std::string& name) {
    return std::string(fake::kWindows) + "\\" + name;
}

// A machine with adware files found by a scan; returns their paths in list order.
Strings Infect(Harness& h, const Strings& names) {
    Strings paths;
    for (const std::string& name : names) {
        h.files.AddFile(SystemPath(name), 320872);
        paths.push_back(SystemPath(name));
    }
    h.LoadAndFind();
    h.boxes.shown.clear();
    return paths;
}

const fake::ShownBox kSelectBox{
    "You have not Selected any of the Detected Files, Put a Check beside any files you want "
    "Deleted, or Should I Select ALL Files",
    MsgButtons::OkCancel, MsgIcon::Exclamation, "Select Error"};

fake::ShownBox ConfirmBox(const std::string& path) {
    return {"Delete the file " + path, MsgButtons::YesNo, MsgIcon::Exclamation, "Confirm Delete"};
}

// Cancel changes nothing; OK asks about every entry from the top, rundll32 having been ended
// three times before the first question about a file.
TEST(CmdFix, NothingTickedAsksToTickAllAndOkWorksFromTheTop) {
    for (const MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::Ok}) {
        Harness h;
        const Strings paths = Infect(h, {"a.dll", "b.dll"});
        h.boxes.answers = {answer};
        std::vector<size_t> askedAtBox;
        h.boxes.onShow = [&] { askedAtBox.push_back(h.processes.asked.size()); };
        h.form.CmdFix_Click();
        const bool ok = answer == MsgAnswer::Ok;
        EXPECT_EQ(h.boxes.shown, ok ? (std::vector<fake::ShownBox>{kSelectBox, ConfirmBox(paths[0]),
                                                                   ConfirmBox(paths[1])})
                                    : std::vector<fake::ShownBox>{kSelectBox});
        EXPECT_EQ(askedAtBox, ok ? (std::vector<size_t>{0, 3, 3}) : std::vector<size_t>{0});
        EXPECT_EQ(h.processes.asked, ok ? Strings(3, "rundll32.exe") : Strings{});
        EXPECT_EQ(h.files.Exists(paths[0]) || h.files.Exists(paths[1]), !ok);
        EXPECT_EQ(h.controls.Entries(), ok ? Strings{} : paths) << "the rescan finds nothing";
        EXPECT_EQ(h.clock.pauses, ok ? (std::vector<unsigned>{500, 500}) : std::vector<unsigned>{});
    }
}

TEST(CmdFix, AnEmptyListStillEndsProcessesResetsAndRescans) {
    Harness h;
    h.files.AddFile(SystemPath("a.dll"), 320872);
    h.LoadAndFind();
    h.files.Remove(SystemPath("a.dll"));
    h.controls.current = 7;
    h.form.CmdFind_Click();
    ASSERT_TRUE(h.controls.list.empty());
    // A scan that finds nothing leaves the Delete button as it was, with no entry to un-select.
    ASSERT_TRUE(h.controls.IsEnabled(Button::CmdFix));
    EXPECT_EQ(h.controls.current, 7);
    h.boxes.shown.clear();
    h.controls.text1 = "edited";
    h.form.CmdFix_Click();
    EXPECT_EQ(h.processes.asked.size(), 3u);
    EXPECT_EQ(h.boxes.shown.size(), 1u) << "only the selection box";
    EXPECT_EQ(h.controls.text1.rfind("Files Found---", 0), 0u) << "rescanned";
}

TEST(CmdFix, NoEndsTheHandlerAndKeepsWhatIsNotYetHandled) {
    Harness h;
    const Strings paths = Infect(h, {"a.dll", "b.dll", "c.dll"});
    for (int i = 0; i < 3; ++i) {
        h.controls.SetList1Checked(i, true);
    }
    h.boxes.answers = {MsgAnswer::Yes, MsgAnswer::No};
    const std::string reportBefore = h.controls.text1;
    h.form.CmdFix_Click();
    EXPECT_FALSE(h.files.Exists(paths[0]));
    EXPECT_TRUE(h.files.Exists(paths[1]));
    EXPECT_EQ(h.controls.Entries(), (Strings{paths[1], paths[2]}));
    EXPECT_TRUE(h.controls.list[0].checked && h.controls.list[1].checked);
    EXPECT_EQ(h.controls.text1, reportBefore) << "no rescan";
    EXPECT_EQ(h.boxes.shown.size(), 2u) << "no restart offer";
}

// The one entry left after the rescan is the locked file: the restart is offered, and taken on
// OK.
TEST(CmdFix, ALockedFileIsReplacedAtRestartAndOfferedARestart) {
    for (MsgAnswer restart : {MsgAnswer::Cancel, MsgAnswer::Ok}) {
        Harness h;
        const Strings paths = Infect(h, {"locked.dll"});
        h.files.Lock(paths[0]);
        h.controls.SetList1Checked(0, true);
        h.boxes.answers = {MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::Ok, restart};
        h.form.CmdFix_Click();
        EXPECT_EQ(
            h.boxes.shown,
            (std::vector<fake::ShownBox>{
                ConfirmBox(paths[0]),
                {"Cannot Delete this One, I'll do it on Reboot", MsgButtons::Ok, MsgIcon::None, ""},
                {"Changes will be made after you reboot", MsgButtons::Ok, MsgIcon::None, ""},
                {"You need to reboot now to remove the last file", MsgButtons::OkCancel,
                 MsgIcon::Exclamation, "Reboot Notice"}}));
        EXPECT_EQ(h.files.Content(WindowsPath("dummy.dll")), kDummyContent);
        EXPECT_FALSE(h.files.Exists(WindowsPath("dummy.txt")));
        EXPECT_EQ(h.files.replacements,
                  (std::vector<std::pair<std::string, std::string>>{
                      {"SHORT(" + WindowsPath("dummy.dll") + ")", "SHORT(" + paths[0] + ")"}}));
        EXPECT_EQ(h.controls.Entries(), paths) << "the rescan finds the locked file again";
        EXPECT_EQ(h.restart.requests,
                  restart == MsgAnswer::Ok ? std::vector<bool>{true} : std::vector<bool>{});
    }
}

TEST(CmdFix, TwoLockedFilesGetADummyEachAndNoRestartOffer) {
    Harness h;
    const Strings paths = Infect(h, {"one.dll", "two.dll"});
    h.files.Lock(paths[0]);
    h.files.Lock(paths[1]);
    h.controls.SetList1Checked(0, true);
    h.controls.SetList1Checked(1, true);
    h.form.CmdFix_Click();
    EXPECT_EQ(h.files.replacements,
              (std::vector<std::pair<std::string, std::string>>{
                  {"SHORT(" + WindowsPath("dummy.dll") + ")", "SHORT(" + paths[0] + ")"},
                  {"SHORT(" + WindowsPath("dummy2.dll") + ")", "SHORT(" + paths[1] + ")"}}));
    EXPECT_EQ(h.files.Content(WindowsPath("dummy2.dll")), kDummyContent);
    EXPECT_EQ(h.controls.Entries(), paths);
    EXPECT_EQ(h.boxes.Prompts().back(), "Changes will be made after you reboot")
        << "two entries left";
}

TEST(CmdFix, AReplacementThatCannotBeRegisteredIsNotReportedAsDone) {
    Harness h;
    const Strings paths = Infect(h, {"locked.dll"});
    h.files.Lock(paths[0]);
    h.files.failReplacements = true;
    h.controls.SetList1Checked(0, true);
    h.boxes.answers = {MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Cancel};
    h.form.CmdFix_Click();
    EXPECT_EQ(
        h.boxes.Prompts(),
        (Strings{"Delete the file " + paths[0], "Cannot Delete this One, I'll do it on Reboot",
                 "This file could not be scheduled for removal at the next restart: " + paths[0]}))
        << "no success message and no restart offer";
    EXPECT_EQ(h.boxes.shown[2].icon, MsgIcon::Exclamation);
}

// attrib is given only a path it reads as exactly this one file; every other file still loses
// its marks and goes, through its own name.
TEST(CmdFix, AttribSeesOnlyPathsTheCommandLineCannotMisread) {
    const struct {
        std::string name;
        bool attrib;
    } cases[] = {
        {"a b.dll", true},
        {"漢.dll", false},
        {"＊.dll", false},
        {"a*.dll", false},
        {"a?.dll", false},
        {"a\".dll", false},
        {std::string(240, 'x') + ".dll", false},  // past the longest path Windows takes
    };
    for (const auto& c : cases) {
        Harness h;
        const Strings paths = Infect(h, {c.name});
        h.files.SetAttributes(paths[0], fake::kReadOnlyHiddenSystem);
        h.controls.SetList1Checked(0, true);
        h.form.CmdFix_Click();
        EXPECT_EQ(h.launcher.commands, c.attrib
                                           ? Strings{std::string(fake::kSystem) +
                                                     "\\attrib.exe -r -h -s \"" + paths[0] + "\""}
                                           : Strings{})
            << c.name;
        EXPECT_FALSE(h.files.Exists(paths[0])) << c.name << ": deleted whatever attrib did";
        EXPECT_EQ(h.boxes.Prompts(), Strings{"Delete the file " + paths[0]}) << c.name;
    }
}

TEST(CmdFix, AFolderInTheFilesPlaceIsNamedAndNeverScheduled) {
    Harness h;
    const Strings paths = Infect(h, {"a.dll"});
    h.files.Remove(paths[0]);
    h.files.AddFolder(paths[0]);
    h.controls.AddList1(paths[0]);  // the scan saw a file there; the list still shows it
    h.controls.SetList1Checked(0, true);
    h.form.CmdFix_Click();
    EXPECT_EQ(h.boxes.Prompts(),
              (Strings{"Delete the file " + paths[0],
                       "This entry is no longer a file, so nothing was deleted or scheduled: " +
                           paths[0]}));
    EXPECT_TRUE(h.files.replacements.empty());
    EXPECT_FALSE(h.files.Exists(WindowsPath("dummy.dll")));
}

// The user closed the program while attrib ran: nothing more is done.
TEST(CmdFix, AnAbandonedWaitEndsTheHandlerThere) {
    Harness h;
    const Strings paths = Infect(h, {"a.dll", "b.dll"});
    h.controls.SetList1Checked(0, true);
    h.controls.SetList1Checked(1, true);
    h.launcher.result = {RunOutcome::Abandoned, 0};
    const std::string report = h.controls.text1;
    h.form.CmdFix_Click();
    EXPECT_EQ(h.launcher.commands.size(), 1u);
    EXPECT_TRUE(h.files.Exists(paths[0]) && h.files.Exists(paths[1]));
    EXPECT_EQ(h.boxes.Prompts(), Strings{"Delete the file " + paths[0]});
    EXPECT_EQ(h.controls.text1, report) << "no rescan";
}

TEST(CmdFix, ClicksDuringAnOutsideProgramAreNotCarriedOut) {
    Harness h;
    const Strings paths = Infect(h, {"a.dll"});
    h.controls.SetList1Checked(0, true);
    int findsDuringWait = 0;
    h.launcher.duringWait = [&] {
        const std::string before = h.controls.text1;
        h.form.Click(Button::CmdFind);
        h.form.Click(Button::CmdFix);
        findsDuringWait += h.controls.text1 != before;
    };
    h.form.Click(Button::CmdFix);
    EXPECT_EQ(findsDuringWait, 0);
    EXPECT_EQ(h.processes.asked.size(), 3u) << "the second Delete never started";
    h.form.Click(Button::CmdFind);
    EXPECT_EQ(h.controls.text1.rfind("Files Found---", 0), 0u) << "clicks work again afterwards";
}

}  // namespace
}  // namespace kr8::test
