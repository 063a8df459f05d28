#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "remove/Manifest.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

// Over a.dll, b.dll and c.dll found by a scan. The boxes are spelled a letter each: S the
// selection box (shown when nothing is ticked; else all are), a/b/c the question about that file,
// x "cannot delete" (for each file held open, from the first on), y "changes after reboot" (that
// file to be replaced at the restart by a dummy of its own), n "not scheduled" (the system
// refused the replacement), f "not a file" (a folder in that file's place: neither backed up nor
// scheduled), r the restart offer. The backup records, for each file it keeps in turn, d deleted,
// r replaced at restart, n not removed.
TEST(CmdFix, AsksEachFileInTurnAndSaysWhatCouldNotBeDone) {
    const struct {
        const char* what;
        std::deque<MsgAnswer> answers;
        std::string boxes;
        std::string left;  // in the list and on the disk afterwards
        std::string recorded;
    } cases[] = {
        {"nothing ticked, Cancel", {MsgAnswer::Cancel}, "S", "abc", ""},
        {"nothing ticked, OK: all from the top", {MsgAnswer::Ok}, "Sabc", "", "ddd"},
        {"No ends the loop", {MsgAnswer::Yes, MsgAnswer::No}, "ab", "bc", "d"},
        {"one locked: replaced, restart offered", {}, "axybcr", "a", "rdd"},
        {"two locked: a dummy each, no restart offer", {}, "axybxyc", "ab", "rrd"},
        {"not scheduled: said, no restart offer", {}, "axnbc", "a", "ndd"},
        {"a folder in a file's place: named, left alone", {}, "afbc", "a", "dd"},
    };
    const std::map<Removal, char> recordedAs = {{Removal::NotYet, '-'},
                                                {Removal::Deleted, 'd'},
                                                {Removal::ReplacedAtRestart, 'r'},
                                                {Removal::NotRemoved, 'n'}};
    const std::map<char, std::string> texts = {
        {'S', text::kSelectError},        {'x', text::kCannotDelete},
        {'y', text::kChangesAfterReboot}, {'n', text::kNotScheduledPrefix},
        {'f', text::kNotAFilePrefix},     {'r', text::kRebootNow}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        h.Infect({"a.dll", "b.dll", "c.dll"});
        for (auto i = std::count(c.boxes.begin(), c.boxes.end(), 'x'); i-- > 0;) {
            h.files.disk[size_t(i)].locked = true;
        }
        h.files.disk[0].folder = c.boxes.find('f') != std::string::npos;
        if (c.boxes[0] != 'S') {
            h.TickAll();
        }
        h.files.failReplacements = c.boxes.find('n') != std::string::npos;
        h.boxes.answers = c.answers;
        size_t endedAtFirstQuestion = 0;
        h.boxes.onShow = [&] {
            if (h.boxes.shown.size() == 1 + (c.boxes[0] == 'S')) {
                endedAtFirstQuestion = h.processes.asked.size();
            }
        };
        h.form.CmdFix_Click();
        Strings boxes, replacements, left;
        std::string file;
        for (const char b : c.boxes) {
            if (b >= 'a' && b <= 'c') {
                file = SystemPath(std::string(1, b) + ".dll");
            }
            boxes.push_back(b >= 'a' && b <= 'c'
                                ? text::kConfirmDeletePrefix + file
                                : texts.at(b) + (b == 'n' || b == 'f' ? file : ""));
            if (b == 'y') {
                const std::string n = replacements.empty() ? "" : "2";
                replacements.push_back("SHORT(" + std::string(fake::kWindows) + "\\dummy" + n +
                                       ".dll) -> SHORT(" + file + ")");
            }
        }
        EXPECT_EQ(h.boxes.shown, boxes);
        EXPECT_EQ(endedAtFirstQuestion, c.boxes.size() > 1 ? 3u : 0u) << "rundll32 ended first";
        EXPECT_EQ(h.processes.asked.size(), endedAtFirstQuestion);
        for (const char name : std::string("abc")) {
            const std::string path = SystemPath(std::string(1, name) + ".dll");
            const bool kept = c.left.find(name) != std::string::npos;
            EXPECT_EQ(h.files.Exists(path), kept) << name;
            if (kept && h.files.FileLength(path)) {  // the scan lists no folder
                left.push_back(path);
            }
        }
        EXPECT_EQ(h.controls.Entries(), left);
        EXPECT_EQ(h.files.replacements, replacements);
        EXPECT_EQ(h.restart.requests, std::vector<bool>(c.boxes.back() == 'r', true));
        std::string recorded;
        for (const BackupItem& item :
             ReadManifest(h.files.Content(std::string(fake::kWindows) + "\\KR8 Backup\\" +
                                          h.store.timeName + "\\backup.txt"))
                 .value_or(std::vector<BackupItem>{})) {
            recorded += recordedAs.at(item.removal);
        }
        EXPECT_EQ(recorded, c.recorded);
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

// While attrib runs the window still handles messages: clicks then are dropped. The user closed
// the program during that wait: nothing more is done.
TEST(CmdFix, ClicksWhileBusyAreDroppedAndAnAbandonedWaitEndsTheHandler) {
    Harness h;
    const Strings paths = h.Infect({"a.dll", "b.dll"});
    h.TickAll();
    h.launcher.result = {RunOutcome::Abandoned, 0};
    bool waiting = false;  // a Delete let through would wait again, and recurse without end
    h.launcher.duringWait = [&] {
        if (std::exchange(waiting, true)) {
            return;
        }
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
}

// Working on another disk's Windows, nothing of it runs and nothing of this one is touched: no
// process is ended, its attrib is not run, a file that stays is said so and never handed to the
// restart, the editor's LastKey stays, Restore Policy and Open Regedit stay off and do nothing,
// Hosts Log opens that Windows' hosts file in this one's Notepad, and Make Log writes to this
// one's temporary folder. The caption names it.
TEST(CmdFix, OnAnotherDisksWindowsNothingRunsAndNothingWaitsForARestart) {
    Harness h;
    const std::string own = "C:\\OWN";
    h.form.ActOnOtherWindows(own, "C:\\OWNTEMP");
    const Strings paths = h.Infect({"a.dll", "b.dll"});
    h.files.disk[0].locked = true;
    h.TickAll();
    h.form.CmdFix_Click();
    EXPECT_EQ(h.boxes.shown, (Strings{text::kConfirmDeletePrefix + paths[0],
                                      text::kOfflineNotDeletedPrefix + paths[0],
                                      text::kConfirmDeletePrefix + paths[1]}));
    EXPECT_EQ(h.controls.Entries(), Strings{paths[0]});
    EXPECT_TRUE(h.processes.asked.empty() && h.files.replacements.empty() &&
                h.restart.requests.empty());
    EXPECT_FALSE(h.reg.Get("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
                           "LastKey"));
    EXPECT_EQ(h.controls.captions.back(),
              text::kOfflineCaptionPrefix + std::string(fake::kWindows));
    EXPECT_FALSE(h.controls.enabled[Button::CmdPol] || h.controls.enabled[Button::CmdRegedit]);
    h.resources.stored[text::kRightsToolResource] = "tool";
    h.boxes.shown.clear();
    h.form.CmdPol_Click();
    h.form.CmdRegedit_Click();
    const std::string hosts = std::string(fake::kSystem) + "\\drivers\\etc\\hosts";
    h.form.CmdHosts_Click();  // none there: not opened, and said so
    h.files.WriteFileBytes(hosts, "127.0.0.1 localhost");
    h.form.CmdHosts_Click();
    h.form.CmdLog_Click();
    EXPECT_EQ(h.boxes.shown, Strings{text::kOfflineHostsUnreachable + hosts});
    EXPECT_TRUE(h.files.Exists("C:\\OWNTEMP\\kr8.log"));
    EXPECT_TRUE(h.launcher.commands.empty());
    EXPECT_EQ(h.shell.requests, (Strings{own + "\\notepad.exe | \"" + hosts + "\" | " +
                                             fake::kSystem + "\\drivers\\etc",
                                         "C:\\OWNTEMP\\kr8.log |  | C:\\OWNTEMP"}));
}

}  // namespace
}  // namespace kr8::test
