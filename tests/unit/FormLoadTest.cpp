#include <gtest/gtest.h>

#include "app/Texts.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

TEST(FormLoad, RefusesEveryPlatformOutsideTheNtFamily) {
    for (int platform : {0, 1, 3}) {
        Harness h;
        h.os.platformId = platform;
        EXPECT_FALSE(h.form.Form_Load()) << platform;
        ASSERT_EQ(h.boxes.shown.size(), 1u);
        EXPECT_EQ(h.boxes.shown[0].prompt, "This Finder is currently only forNT based systems");
        EXPECT_EQ(h.boxes.shown[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(h.boxes.shown[0].icon, MsgIcon::None);
        EXPECT_EQ(h.boxes.shown[0].title, "");
        EXPECT_EQ(h.controls.text1, "") << "nothing of the window is prepared";
    }
}

TEST(FormLoad, ShowsTheOpeningTextAndTheFirstButtonStates) {
    Harness h;
    ASSERT_TRUE(h.form.Form_Load());
    EXPECT_TRUE(h.boxes.shown.empty());
    EXPECT_EQ(h.controls.text1,
              "This will locate the KR8.BetterInternet File names and Registry Key info.\r\n"
              "If nothing is Displayed, then you are probably Clean\r\n"
              "  \r\n"
              "Click Log Button if you need to post it in some Forum\r\n"
              "  \r\n"
              "     \r\n"
              "Make sure you verify any files found before you delete them, errors are always "
              "possible!!");
    for (Button b :
         {Button::CmdLog, Button::CmdUAS, Button::CmdGuard, Button::CmdRegedit, Button::CmdFix}) {
        EXPECT_FALSE(h.controls.IsEnabled(b));
    }
    for (Button b : {Button::CmdFind, Button::CmdHosts, Button::CmdPol, Button::CmdExit}) {
        EXPECT_TRUE(h.controls.IsEnabled(b));
    }
}

TEST(FormLoad, PointsTheFileListAtTheSystemFoldersDlls) {
    Harness h;
    h.files.AddFile(SystemPath("a.dll"), 1);
    h.files.AddFile(SystemPath("b.exe"), 1);
    h.files.AddFile(SystemPath("c.dll"), 1);
    h.files.AddFile(std::string(fake::kWindows) + "\\d.dll", 1);
    ASSERT_TRUE(h.form.Form_Load());
    EXPECT_EQ(h.form.File1.Path(), fake::kSystem);
    ASSERT_EQ(h.form.File1.ListCount(), 2u);
    EXPECT_EQ(h.form.File1.List(0), "a.dll");
    EXPECT_EQ(h.form.File1.List(1), "c.dll");
}

TEST(FormLoad, RunAgainAfterAScanResetsTheWindow) {
    Harness h;
    h.reg.SetString(kPostPlatformPath, "msg126", "");
    h.LoadAndFind();
    ASSERT_TRUE(h.controls.IsEnabled(Button::CmdUAS));
    ASSERT_TRUE(h.form.Form_Load());
    EXPECT_EQ(h.controls.text1.rfind("This will locate", 0), 0u);
    EXPECT_FALSE(h.controls.IsEnabled(Button::CmdUAS));
    EXPECT_FALSE(h.controls.IsEnabled(Button::CmdLog));
    EXPECT_EQ(h.form.UserAgentString, "msg126 ") << "the load step keeps the window-level texts";
}

}  // namespace
}  // namespace kr8::test
