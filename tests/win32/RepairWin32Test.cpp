// The stored rights tool and the Restore Policy button on the real file system, resources and
// launcher, with the system folder moved to a folder of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "remove/win32/KillProcessWin32.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"
#include "sys/win32/ResourcesWin32.h"
#include "sys/win32/SystemWin32.h"
#include "tests/fakes/FakeMachine.h"
#include "tests/fakes/FakeWindow.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

std::string BuiltRightsTool() {
    char module[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string path(module, length);
    return test::ContentOf(path.substr(0, path.rfind('\\') + 1) + "NTrights.exe");
}

TEST(ResourcesWin32Test, TheStoredToolIsTheBuiltOneByteForByte) {
    ResourcesWin32 resources;
    const auto stored = resources.CustomResource(text::kRightsToolResource);
    ASSERT_TRUE(stored);
    const std::string built = BuiltRightsTool();
    ASSERT_NE(built, "<missing>");
    EXPECT_EQ(stored->size(), built.size());
    EXPECT_TRUE(*stored == built);
    EXPECT_EQ(stored->substr(0, 2), "MZ");
    EXPECT_FALSE(resources.CustomResource(999));
}

// Runs the real launcher, first keeping what the tool's file held when it was started.
class WatchingLauncher final : public LaunchAppSychronous {
  public:
    explicit WatchingLauncher(std::string tool) : tool_(std::move(tool)) {}
    bool RunAndWait(const std::string& commandLine) override {
        commandLine_ = commandLine;
        bytesWhenRun_ = test::ContentOf(tool_);
        return real_.RunAndWait(commandLine);
    }
    std::string commandLine_;
    std::string bytesWhenRun_;

  private:
    std::string tool_;
    LaunchAppSychronousWin32 real_;
};

struct PolicyRun {
    test::TempDir windows;
    test::TempDir system;
    test::TempDir temp;
    fake::FakeControls controls;
    fake::FakeBoxes boxes;
    EllRegWin32 reg;
    OS_DetectWin32 os;
    test::MovedFolders folders{windows.Path(), system.Path(), temp.Path()};
    FileSystemWin32 files;
    KillProcessWin32 processes;
    WatchingLauncher launcher{system.Path() + "\\NTrights.exe"};
    fake::FakeRestart restart;
    fake::FakeShell shell;
    ResourcesWin32 resources;
    FrmKR8 form{controls, boxes,
                Machine{reg, os, folders, files, SteadyClock(), processes, launcher, restart, shell,
                        resources}};
    std::string Tool() const { return system.Path() + "\\NTrights.exe"; }
};

TEST(RepairWin32Test, RestorePolicyWritesRunsAndRemovesOurTool) {
    PolicyRun run;
    run.boxes.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
    run.form.CmdPol_Click();
    EXPECT_EQ(run.launcher.commandLine_, run.Tool() + " +r SeDebugPrivilege -u Administrators");
    EXPECT_TRUE(run.launcher.bytesWhenRun_ == BuiltRightsTool()) << "written byte for byte";
    EXPECT_EQ(::GetFileAttributesA(run.Tool().c_str()), INVALID_FILE_ATTRIBUTES) << "removed";
    ASSERT_EQ(run.boxes.shown.size(), 2u);
    EXPECT_EQ(run.boxes.shown[1].prompt, "Windows needs to reboot to complete the repair");
    EXPECT_TRUE(run.restart.requests.empty());
}

TEST(RepairWin32Test, RestorePolicyLeavesAForeignToolAloneAndRunsNothing) {
    PolicyRun run;
    const std::string tool = run.system.AddFile("NTrights.exe", 4096);
    run.boxes.answers = {MsgAnswer::Ok};
    run.form.CmdPol_Click();
    EXPECT_TRUE(run.launcher.commandLine_.empty());
    EXPECT_EQ(test::ContentOf(tool).size(), 4096u);
    ASSERT_EQ(run.boxes.shown.size(), 2u);
    EXPECT_EQ(run.boxes.shown[1].prompt.find(text::kForeignToolPrefix), 0u);
}

}  // namespace
}  // namespace kr8
