// The Find button's scan end to end on the real registry and file system, with the system and
// temp folders moved to folders of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using namespace std::string_literals;

// The lines of report between the line start and the line end, sorted: the platform lists a
// folder in no promised order.
std::vector<std::string> SectionLines(const std::string& report, const std::string& start,
                                      const std::string& end) {
    const std::size_t from = report.find(start + "\r\n");
    const std::size_t to = report.find("\r\n" + end + "\r\n", from);
    if (from == std::string::npos || to == std::string::npos) {
        ADD_FAILURE() << "no section " << start << " in\n" << report;
        return {};
    }
    std::vector<std::string> lines;
    std::size_t at = from + start.size() + 2;
    while (at < to) {
        const std::size_t eol = report.find("\r\n", at);
        lines.push_back(report.substr(at, eol - at));
        at = eol + 2;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(ScanWin32Test, FindsPlantedFilesAndGuardianKey) {
    const std::string notify = text::kNotifyKey;
    const std::string guardian = "KR8Test-" + std::to_string(::GetCurrentProcessId());
    // Removes Notify itself when the test made it; the guardian goes in any case.
    const test::RestoredValue notifyKey(RegRoot::LocalMachine, notify, guardian);
    const test::RestoredValue lastKey(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue);
    struct Cleanup {
        std::string key;
        ~Cleanup() { test::DeleteTree(RegRoot::LocalMachine, key); }
    } cleanup{notify + guardian};
    test::RealMachine m;
    const std::string adware = m.system.AddFile("adware.dll", 320872);
    const std::string cloaked =
        m.system.AddFile("cloaked.dll", 320872, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    m.system.AddFile("near.dll", 320871);
    m.system.AddFile("far.dll", 320873);
    m.system.AddFile("adware.exe", 320872);
    m.system.AddFolder("folder.dll");
    const std::string winupd = m.system.AddFile("winupd.dll", 1000);
    const std::string upd126 = m.temp.AddFile("upd126.exe", 10);
    test::SetRaw(RegRoot::LocalMachine, notify + guardian, "Version", REG_SZ, "126 0 0\0"s);
    test::SetRaw(RegRoot::LocalMachine, notify + guardian, "DllName", REG_SZ, "Not Found\0"s);

    ASSERT_TRUE(m.form.Form_Load());
    m.form.CmdFind_Click();

    std::vector<std::string> entries = m.controls.Entries();
    std::sort(entries.begin(), entries.end());
    const std::vector<std::string> found = {adware, cloaked};
    EXPECT_EQ(entries, found);
    const std::string& report = m.controls.text1;
    EXPECT_EQ(SectionLines(report, text::kFilesFound, text::kBlankLine), found);
    EXPECT_EQ(SectionLines(report, text::kAdditionalFiles, text::kBlankLine),
              (std::vector<std::string>{winupd, upd126}));
    EXPECT_EQ(m.form.GuardianKeyName, guardian);
    for (const std::string& line : {text::kGuardianLine + guardian + "\r\n", "\r\nVersion 126 0 0"s,
                                    "\r\nDllName Not Found"s}) {
        EXPECT_NE(report.find(line), std::string::npos) << line;
    }
    EXPECT_TRUE(m.boxes.shown.empty());
    const auto written = test::GetRaw(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(written->bytes, text::kLastKeyNotify + "\\"s + guardian + '\0');
}

}  // namespace
}  // namespace kr8
