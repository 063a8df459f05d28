#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

using Entries = std::vector<std::string>;

// The report up to the registry part.
std::string FilePart(const std::string& report) {
    return report.substr(0, report.find("Keys Under Notify---"));
}

TEST(FileScan, AnEmptyMachineGivesTheBareReportAndEnablesOnlyLogAndRegedit) {
    Harness h;
    h.LoadAndFind();
    EXPECT_EQ(h.controls.text1,
              "Files Found---\r\n \r\nAdditional Files---\r\n \r\nKeys Under Notify---\r\n\r\n\r\n"
              "Guardian Key--- is called: \r\n\r\nUser Agent String---\r\n");
    EXPECT_TRUE(h.controls.list.empty());
    EXPECT_EQ(h.controls.captions, std::vector<std::string>{"KR8 Finder"}) << "no size pass shown";
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdLog));
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdRegedit));
    for (Button b : {Button::CmdUAS, Button::CmdGuard, Button::CmdFix}) {
        EXPECT_FALSE(h.controls.IsEnabled(b));
    }
}

TEST(FileScan, ListsExactlyTheFilesOfTheAdwaresLength) {
    Harness h;
    h.files.AddFile(SystemPath("short.dll"), 320871);
    h.files.AddFile(SystemPath("qwxz1834.dll"), 320872);
    h.files.AddFile(SystemPath("long.dll"), 320873);
    h.files.AddFile(SystemPath("second.dll"), 320872);
    h.files.AddFile(SystemPath("notadll.exe"), 320872);
    h.LoadAndFind();
    EXPECT_EQ(h.controls.Entries(),
              (Entries{SystemPath("qwxz1834.dll"), SystemPath("second.dll")}));
    for (const auto& e : h.controls.list) {
        EXPECT_FALSE(e.checked);
    }
    EXPECT_EQ(FilePart(h.controls.text1), "Files Found---\r\n" + SystemPath("qwxz1834.dll") +
                                              "\r\n" + SystemPath("second.dll") +
                                              "\r\n \r\nAdditional Files---\r\n \r\n");
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdFix));
    EXPECT_EQ(h.controls.current, -1);
}

TEST(FileScan, ReportsTheFixedNamesEachInItsOwnFolderInTableOrder) {
    Harness h;
    h.files.AddFile(SystemPath("wincore.dll"), 320872);
    h.files.AddFile(TempPath("upd126new.exe"), 10);
    h.files.AddFile(TempPath("upd126.exe"), 10);
    h.files.AddFolder(SystemPath("winupd.dll"));
    h.files.AddFile(SystemPath("7k15.exe"), 10);
    h.files.AddFile(SystemPath("upd126.exe"), 10);  // wrong folder
    h.files.AddFile(TempPath("wincore.dll"), 10);   // wrong folder
    h.LoadAndFind();
    EXPECT_EQ(h.controls.Entries(), Entries{SystemPath("wincore.dll")});
    EXPECT_EQ(FilePart(h.controls.text1),
              "Files Found---\r\n" + SystemPath("wincore.dll") +
                  "\r\n \r\nAdditional Files---\r\n" + SystemPath("wincore.dll") + "\r\n" +
                  SystemPath("winupd.dll") + "\r\n" + SystemPath("7k15.exe") + "\r\n" +
                  TempPath("upd126.exe") + "\r\n" + TempPath("upd126new.exe") + "\r\n \r\n");
}

// Without a temporary folder the two names there would be looked for at the drive's root; the
// report says they were not checked, and Make Log writes nowhere.
TEST(FileScan, AMissingTemporaryFolderIsSaidAndNothingIsWrittenAtTheRoot) {
    Harness h;
    h.os.tempFolder = "";
    h.files.AddFile("\\upd126.exe", 10);
    h.LoadAndFind();
    EXPECT_EQ(FilePart(h.controls.text1),
              "Files Found---\r\n \r\nAdditional Files---\r\nThe temporary folder could not be "
              "found: upd126.exe and upd126new.exe were not checked\r\n \r\n");
    h.form.CmdLog_Click();
    EXPECT_EQ(
        h.boxes.Prompts(),
        (std::vector<std::string>{"The log could not be written: the temporary folder could not be "
                                  "found.\r\nNothing was opened."}));
    EXPECT_TRUE(h.shell.requests.empty());
    EXPECT_FALSE(h.files.Exists("\\kr8.log"));
}

// Each Find lists the folder as it is then, in a report and list built anew with nothing ticked:
// a DLL that appeared after start-up is scanned, a file that is gone is no hit, and every file
// stands for itself, whatever other name it resembles.
TEST(FileScan, FindSeesTheFolderAsItIsNowOneEntryForEachFile) {
    Harness h;
    h.files.AddFile(SystemPath("grows.dll"), 100);
    h.files.AddFile(SystemPath("gone.dll"), 320872);
    h.LoadAndFind();
    h.controls.SetList1Checked(0, true);
    h.files.AddFile(SystemPath("grows.dll"), 320872);
    h.files.Remove(SystemPath("gone.dll"));
    h.files.AddFile(SystemPath("βf.dll"), 320872);
    h.files.AddFile(SystemPath("ßf.dll"), 1000);
    h.files.AddFile(SystemPath("漢.dll"), 320872);
    h.form.CmdFind_Click();
    EXPECT_EQ(h.controls.Entries(),
              (Entries{SystemPath("grows.dll"), SystemPath("βf.dll"), SystemPath("漢.dll")}));
    EXPECT_FALSE(h.controls.list[0].checked);
    EXPECT_EQ(h.controls.text1.find("Files Found---", 1), std::string::npos) << "one report";
    EXPECT_EQ(h.files.lengthQueries, 0) << "the listing gives every length";
}

// The captions shown during the size pass: every length when each file takes longer than a frame;
// with the clock standing still, over more entries than a 16-bit index could count, only the
// first and the last.
TEST(FileScan, CaptionShowsTheLengthsThrottledToOnePerFrameEndingOnTheLast) {
    const struct {
        std::uint64_t step;
        int fillers;
        std::vector<std::string> shown;
    } cases[] = {
        {30,
         1,
         {"Scanning for files.. 1000", "Scanning for files.. 320872", "Scanning for files.. 77"}},
        {0, 40000, {"Scanning for files.. 1000", "Scanning for files.. 77"}},
    };
    for (const auto& c : cases) {
        Harness h;
        h.clock.step = c.step;
        for (int i = 0; i < c.fillers; ++i) {
            h.files.AddFile(SystemPath("f" + std::to_string(i) + ".dll"), 1000);
        }
        h.files.AddFile(SystemPath("last.dll"), 320872);
        h.files.AddFile(SystemPath("z.dll"), 77);
        h.LoadAndFind();
        EXPECT_EQ(h.controls.Entries(), Entries{SystemPath("last.dll")});
        std::vector<std::string> shown = h.controls.captions;
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), "KR8 Finder");
        shown.pop_back();
        EXPECT_EQ(shown, c.shown) << c.fillers;
    }
}

}  // namespace
}  // namespace kr8::test
