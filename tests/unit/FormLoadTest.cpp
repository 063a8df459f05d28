#include <gtest/gtest.h>

#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

TEST(FormLoad, RefusesEveryPlatformOutsideTheNtFamily) {
    for (int platform : {0, 1, 3}) {
        Harness h;
        h.os.platformId = platform;
        EXPECT_FALSE(h.form.Form_Load()) << platform;
        EXPECT_EQ(h.boxes.shown,
                  (std::vector<fake::ShownBox>{{"This Finder is currently only forNT based systems",
                                                MsgButtons::Ok, MsgIcon::None, ""}}));
        EXPECT_EQ(h.controls.text1, "") << "nothing of the window is prepared";
    }
}

TEST(FormLoad, ShowsTheOpeningTextAndRunAgainAfterAScanResetsTheWindow) {
    Harness h;
    h.reg.SetString(kPostPlatformPath, "msg126", "");
    h.reg.AddKey(kNotifyPath + "\\GuardX");
    h.LoadAndFind();
    const std::vector<Button> resetByLoad = {Button::CmdLog, Button::CmdUAS, Button::CmdGuard,
                                             Button::CmdRegedit};
    for (Button b : resetByLoad) {
        ASSERT_TRUE(h.controls.IsEnabled(b));
    }
    ASSERT_TRUE(h.form.Form_Load());
    EXPECT_EQ(h.controls.text1,
              "This will locate the KR8.BetterInternet File names and Registry Key info.\r\n"
              "If nothing is Displayed, then you are probably Clean\r\n"
              "  \r\n"
              "Click Log Button if you need to post it in some Forum\r\n"
              "  \r\n"
              "     \r\n"
              "Make sure you verify any files found before you delete them, errors are always "
              "possible!!");
    EXPECT_TRUE(h.boxes.shown.empty());
    for (Button b : resetByLoad) {
        EXPECT_FALSE(h.controls.IsEnabled(b));
    }
    EXPECT_EQ(h.form.UserAgentString, "msg126 ") << "the load step keeps the window-level texts";
}

}  // namespace
}  // namespace kr8::test
