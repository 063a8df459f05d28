#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

// The boxes as "<processes ended so far>:<prompt>", so that the order of ending rundll32 and
// asking shows.
std::string Box(const std::string& prompt, int ended = 3) {
    return std::to_string(ended) + ":" + prompt;
}
std::string Ask(const char* name) {
    return Box(text::kConfirmDeletePrefix + SystemPath(name));
}
std::string Replaced(const char* dummy, const char* name) {
    return "SHORT(" + std::string(fake::kWindows) + "\\" + dummy + ") -> SHORT(" +
           SystemPath(name) + ")";
}
const std::string kCannot = Box(text::kCannotDelete);
const std::string kChanges = Box(text::kChangesAfterReboot);

// Over a.dll, b.dll and c.dll found by a scan, the first ones possibly held open.
TEST(CmdFix, AsksEachFileInTurnAndSaysWhatCouldNotBeDone) {
    const struct {
        const char* what;
        int locked;
        bool tick;
        bool failReplacements;
        std::deque<MsgAnswer> answers;
        Strings boxes;
        Strings left;  // in the list and on the disk afterwards
        Strings replacements;
        bool restarted;
    } cases[] = {
        {"nothing ticked, Cancel",
         0,
         false,
         false,
         {MsgAnswer::Cancel},
         {Box(text::kSelectError, 0)},
         {"a.dll", "b.dll", "c.dll"},
         {},
         false},
        {"nothing ticked, OK: all from the top",
         0,
         false,
         false,
         {MsgAnswer::Ok},
         {Box(text::kSelectError, 0), Ask("a.dll"), Ask("b.dll"), Ask("c.dll")},
         {},
         {},
         false},
        {"No ends the loop, no rescan",
         0,
         true,
         false,
         {MsgAnswer::Yes, MsgAnswer::No},
         {Ask("a.dll"), Ask("b.dll")},
         {"b.dll", "c.dll"},
         {},
         false},
        {"one locked: replaced at restart, restart offered",
         1,
         true,
         false,
         {},
         {Ask("a.dll"), kCannot, kChanges, Ask("b.dll"), Ask("c.dll"), Box(text::kRebootNow)},
         {"a.dll"},
         {Replaced("dummy.dll", "a.dll")},
         true},
        {"two locked: a dummy each, no restart offer",
         2,
         true,
         false,
         {},
         {Ask("a.dll"), kCannot, kChanges, Ask("b.dll"), kCannot, kChanges, Ask("c.dll")},
         {"a.dll", "b.dll"},
         {Replaced("dummy.dll", "a.dll"), Replaced("dummy2.dll", "b.dll")},
         false},
        {"scheduling fails: said, and no restart offer",
         1,
         true,
         true,
         {},
         {Ask("a.dll"), kCannot, Box(text::kNotScheduledPrefix + SystemPath("a.dll")), Ask("b.dll"),
          Ask("c.dll")},
         {"a.dll"},
         {},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        h.Infect({"a.dll", "b.dll", "c.dll"});
        for (int i = 0; i < c.locked; ++i) {
            h.files.entries[size_t(i)].locked = true;
        }
        if (c.tick) {
            h.TickAll();
        }
        h.files.failReplacements = c.failReplacements;
        h.boxes.answers = c.answers;
        Strings boxes;
        h.boxes.onShow = [&] {
            boxes.push_back(Box(h.boxes.shown.back().prompt, int(h.processes.asked.size())));
        };
        h.form.CmdFix_Click();
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(h.processes.asked, Strings(c.boxes.size() > 1 ? 3 : 0, text::kRundll32));
        Strings left;
        for (const char* name : {"a.dll", "b.dll", "c.dll"}) {
            const bool kept = std::count(c.left.begin(), c.left.end(), name) != 0;
            EXPECT_EQ(h.files.Exists(SystemPath(name)), kept) << name;
            if (kept) {
                left.push_back(SystemPath(name));
            }
        }
        EXPECT_EQ(h.controls.Entries(), left);
        EXPECT_EQ(h.files.replacements, c.replacements);
        EXPECT_EQ(h.restart.requests, std::vector<bool>(c.restarted, true));
    }
}

// attrib is given only a path it reads as exactly this one file; every file still loses its
// marks and goes, through its own name.
TEST(CmdFix, AttribSeesOnlyPathsTheCommandLineCannotMisread) {
    for (const std::string& name :
         {std::string("a b.dll"), std::string("漢.dll"), std::string("＊.dll"),
          std::string("a*.dll"), std::string("a?.dll"), std::string("a\".dll"),
          std::string(240, 'x') + ".dll"}) {
        SCOPED_TRACE(name);
        Harness h;
        const std::string path = h.Infect({name})[0];
        h.files.Find(path)->attributes = 0x7;  // read-only, hidden, system
        h.TickAll();
        h.form.CmdFix_Click();
        EXPECT_EQ(h.launcher.commands,
                  name == "a b.dll" ? Strings{SystemPath("attrib.exe -r -h -s \"") + path + "\""}
                                    : Strings{});
        EXPECT_FALSE(h.files.Exists(path));
    }
}

TEST(CmdFix, AFolderInTheFilesPlaceIsNamedAndNeitherBackedUpNorScheduled) {
    Harness h;
    const std::string path = h.Infect({"a.dll"})[0];
    h.files.Remove(path);
    h.files.AddFolder(path);
    h.TickAll();
    h.form.CmdFix_Click();
    EXPECT_EQ(h.boxes.Prompts(),
              (Strings{text::kConfirmDeletePrefix + path, text::kNotAFilePrefix + path}));
    EXPECT_TRUE(h.files.Exists(path));
    EXPECT_TRUE(h.files.replacements.empty());
    EXPECT_FALSE(h.files.Exists(std::string(fake::kWindows) + text::kBackupFolder));
}

// While attrib runs the window still handles messages: clicks then are dropped. The user closed
// the program during that wait: nothing more is done.
TEST(CmdFix, ClicksWhileBusyAreDroppedAndAnAbandonedWaitEndsTheHandler) {
    Harness h;
    const Strings paths = h.Infect({"a.dll", "b.dll"});
    h.TickAll();
    h.launcher.result = {RunOutcome::Abandoned, 0};
    const std::string report = h.controls.text1;
    h.launcher.duringWait = [&] {
        h.controls.text1 = "busy";
        h.form.Click(Button::CmdFind);
        h.form.Click(Button::CmdFix);
        EXPECT_EQ(h.controls.text1, "busy");
        EXPECT_EQ(h.processes.asked.size(), 3u) << "no second Delete";
    };
    h.form.Click(Button::CmdFix);
    EXPECT_EQ(h.launcher.commands.size(), 1u);
    EXPECT_TRUE(h.files.Exists(paths[0]) && h.files.Exists(paths[1]));
    EXPECT_EQ(h.controls.text1, "busy") << "no rescan";
    h.form.Click(Button::CmdFind);
    EXPECT_EQ(h.controls.text1, report) << "clicks work again afterwards";
}

}  // namespace
}  // namespace kr8::test
