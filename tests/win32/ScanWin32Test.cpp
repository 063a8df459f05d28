// The Find button's scan end to end on the real registry and file system, with the system and
// temp folders moved to folders of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "remove/win32/KillProcessWin32.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"
#include "sys/win32/SystemWin32.h"
#include "tests/fakes/FakeMachine.h"
#include "tests/fakes/FakeWindow.h"
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

class ScanWin32Test : public ::testing::Test {
  protected:
    void SetUp() override {
        notifyExisted_ = test::KeyExists(RegRoot::LocalMachine, notifyKey_);
        regeditExisted_ = test::KeyExists(RegRoot::CurrentUser, text::kRegeditKey);
        savedLastKey_ = test::GetRaw(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue);
    }

    void TearDown() override {
        test::DeleteTree(RegRoot::LocalMachine, notifyKey_ + guardian_);
        if (!notifyExisted_) {
            test::DeleteTree(RegRoot::LocalMachine, notifyKey_);
        }
        if (savedLastKey_) {
            test::SetRaw(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue,
                         savedLastKey_->type, savedLastKey_->bytes);
        } else if (regeditExisted_) {
            reg_.DeleteRegValue(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue);
        } else {
            test::DeleteTree(RegRoot::CurrentUser, text::kRegeditKey);
        }
    }

    const std::string notifyKey_ = text::kNotifyKey;
    const std::string guardian_ = "KR8Test-" + std::to_string(::GetCurrentProcessId());
    bool notifyExisted_ = false;
    bool regeditExisted_ = false;
    std::optional<test::RawValue> savedLastKey_;
    EllRegWin32 reg_;
};

TEST_F(ScanWin32Test, FindsPlantedFilesAndGuardianKey) {
    const test::TempDir system;
    const test::TempDir temp;
    const std::string adware = system.AddFile("adware.dll", 320872);
    const std::string cloaked =
        system.AddFile("cloaked.dll", 320872, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    system.AddFile("near.dll", 320871);
    system.AddFile("far.dll", 320873);
    system.AddFile("adware.exe", 320872);
    system.AddFolder("folder.dll");
    const std::string winupd = system.AddFile("winupd.dll", 1000);
    const std::string upd126 = temp.AddFile("upd126.exe", 10);

    test::SetRaw(RegRoot::LocalMachine, notifyKey_ + guardian_, "Version", REG_SZ, "126 0 0\0"s);
    test::SetRaw(RegRoot::LocalMachine, notifyKey_ + guardian_, "DllName", REG_SZ, "Not Found\0"s);

    fake::FakeControls controls;
    fake::FakeBoxes boxes;
    OS_DetectWin32 os;
    test::MovedFolders folders(CommonFunctionWin32().GetWindowsFolder(), system.Path(),
                               temp.Path());
    FileSystemWin32 files;
    KillProcessWin32 processes;
    LaunchAppSychronousWin32 launcher;
    fake::FakeRestart restart;
    fake::FakeShell shell;
    fake::FakeResources resources;
    const Machine machine{reg_,      os,       folders, files, SteadyClock(),
                          processes, launcher, restart, shell, resources};
    FrmKR8 form(controls, boxes, machine);
    ASSERT_TRUE(form.Form_Load());
    form.CmdFind_Click();

    std::vector<std::string> entries = controls.Entries();
    std::sort(entries.begin(), entries.end());
    const std::vector<std::string> found = {adware, cloaked};
    EXPECT_EQ(entries, found);
    EXPECT_EQ(SectionLines(controls.text1, text::kFilesFound, text::kBlankLine), found);
    EXPECT_EQ(SectionLines(controls.text1, text::kAdditionalFiles, text::kBlankLine),
              (std::vector<std::string>{winupd, upd126}));

    EXPECT_EQ(form.GuardianKeyName, guardian_);
    EXPECT_NE(controls.text1.find(text::kGuardianLine + guardian_ + "\r\n"), std::string::npos);
    EXPECT_NE(controls.text1.find("\r\nVersion 126 0 0"), std::string::npos);
    EXPECT_NE(controls.text1.find("\r\nDllName Not Found"), std::string::npos);
    EXPECT_TRUE(boxes.shown.empty());

    const auto lastKey = test::GetRaw(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue);
    ASSERT_TRUE(lastKey);
    EXPECT_EQ(lastKey->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(lastKey->bytes, text::kLastKeyNotify + "\\"s + guardian_ + '\0');
}

}  // namespace
}  // namespace kr8
