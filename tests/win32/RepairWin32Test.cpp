// The stored rights tool and the Restore Policy button on the real file system, resources and
// launcher.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/Texts.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

// The tool must reach the disk exactly as built: the exe carries it as a resource, and any
// change on the way (a text-mode write, a truncated resource) gives a program that does not run.
TEST(RepairWin32Test, RestorePolicyWritesTheBuiltToolByteForByteRunsItAndRemovesIt) {
    const std::string built = test::ContentOf(test::Beside("NTrights.exe"));
    ASSERT_EQ(built.substr(0, 2), "MZ");
    EXPECT_FALSE(ResourcesWin32().CustomResource(999));
    test::RealMachine m;
    const std::string tool = m.system.Path() + "\\NTrights.exe";
    std::string bytesWhenRun;
    m.launcher.beforeRun = [&] { bytesWhenRun = test::ContentOf(tool); };
    m.boxes.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
    m.form.CmdPol_Click();
    EXPECT_EQ(m.launcher.commands,
              std::vector<std::string>{tool + " +r SeDebugPrivilege -u Administrators"});
    EXPECT_EQ(bytesWhenRun.size(), built.size());
    EXPECT_TRUE(bytesWhenRun == built);
    EXPECT_FALSE(test::OnDisk(tool));
    EXPECT_EQ(m.boxes.Prompts().back(), text::kPolicyReboot);
}

}  // namespace
}  // namespace kr8
