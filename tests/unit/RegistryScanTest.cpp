#include <gtest/gtest.h>

#include <string>

#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

const std::string kLastKeyNotify =
    "My Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\"
    "Notify";

// The report from the registry part on.
std::string RegistryPart(const std::string& report) {
    return report.substr(report.find("Keys Under Notify---"));
}

std::string Sz(const std::string& s) {
    return s + std::string(1, '\0');
}

TEST(RegistryScan, VersionMatchNamesTheGuardianKey) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\A");
    h.reg.SetString(kNotifyPath + "\\B", "Version", "126a");
    h.reg.SetString(kNotifyPath + "\\B", "DllName", "b.dll");
    h.reg.AddKey(kNotifyPath + "\\C");
    h.LoadAndFind();
    EXPECT_EQ(RegistryPart(h.controls.text1),
              "Keys Under Notify---\r\nA\r\nB\r\nC\r\n\r\n\r\nGuardian Key--- is called: B"
              "\r\nVersion 126a\r\nDllName b.dll\r\n\r\nUser Agent String---\r\n");
    EXPECT_EQ(h.form.GuardianKeyName, "B");
    EXPECT_EQ(h.LastKey(), Sz(kLastKeyNotify + "\\B"));
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdGuard));
}

TEST(RegistryScan, OnlyALeading126CountsAsTheGuardiansVersion) {
    struct Case {
        std::string version;
        bool dword;
        bool match;
    };
    const Case cases[] = {{"126", false, true}, {"126abc", false, true}, {"0126", false, false},
                          {"12", false, false}, {"x126", false, false},  {"", false, false},
                          {"126", true, true},  {"1260", true, true},    {"12", true, false}};
    for (const Case& c : cases) {
        Harness h;
        if (c.dword) {
            h.reg.SetDword(kNotifyPath + "\\k", "Version", std::stoul(c.version));
        } else {
            h.reg.SetString(kNotifyPath + "\\k", "Version", c.version);
        }
        h.LoadAndFind();
        EXPECT_EQ(h.form.GuardianKeyName, c.match ? "k" : "") << c.version << " dword " << c.dword;
    }
}

TEST(RegistryScan, ANameStartingWithGuardWinsOverTheVersionAndTheLastOneWins) {
    for (const char* name : {"guardsvc", "GUARDSVC", "GuardSvc"}) {
        Harness h;
        h.reg.SetString(kNotifyPath + "\\versioned", "Version", "126");
        h.reg.AddKey(kNotifyPath + "\\" + name);
        h.LoadAndFind();
        EXPECT_EQ(h.form.GuardianKeyName, name);
    }
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\GuardOne");
    h.reg.AddKey(kNotifyPath + "\\GuardTwo");
    h.reg.SetString(kNotifyPath + "\\late", "Version", "126");
    h.LoadAndFind();
    EXPECT_EQ(h.form.GuardianKeyName, "GuardTwo");
}

TEST(RegistryScan, WithoutAGuardianTheNotifyKeysOwnValuesAreListed) {
    Harness h;
    h.reg.SetString(kNotifyPath, "Own", "value");
    h.reg.AddKey(kNotifyPath + "\\harmless");
    h.LoadAndFind();
    EXPECT_EQ(RegistryPart(h.controls.text1),
              "Keys Under Notify---\r\nharmless\r\n\r\n\r\nGuardian Key--- is called: "
              "\r\nOwn value\r\n\r\nUser Agent String---\r\n");
    EXPECT_EQ(h.LastKey(), Sz(kLastKeyNotify));
    EXPECT_FALSE(h.controls.IsEnabled(Button::CmdGuard));
}

TEST(RegistryScan, TheLastUserAgentEntryIsKeptAndReported) {
    Harness h;
    h.reg.SetString(kPostPlatformPath, "X", "");
    h.reg.SetString(kPostPlatformPath, "Y", "");
    h.LoadAndFind();
    EXPECT_EQ(h.form.UserAgentString, "Y ");
    EXPECT_EQ(h.form.UserAgentValueName, "Y");
    EXPECT_EQ(RegistryPart(h.controls.text1),
              "Keys Under Notify---\r\n\r\n\r\nGuardian Key--- is called: \r\n\r\n"
              "User Agent String---\r\nY ");
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdUAS));
}

TEST(RegistryScan, EarlierFindingsOutliveAScanThatNoLongerSeesThem) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\GuardG");
    h.reg.SetString(kNotifyPath + "\\GuardG", "DllName", "g.dll");
    h.reg.SetString(kPostPlatformPath, "msg126", "");
    h.LoadAndFind();
    h.reg.DeleteRegValue(RegRoot::LocalMachine, std::string(kNotifyPath).substr(5) + "\\GuardG",
                         "DllName");
    h.reg.DeleteRegKey(RegRoot::LocalMachine, std::string(kNotifyPath).substr(5) + "\\GuardG");
    h.reg.DeleteRegValue(RegRoot::LocalMachine, std::string(kPostPlatformPath).substr(5), "msg126");
    ASSERT_FALSE(h.reg.HasKey(kNotifyPath + "\\GuardG"));
    h.form.CmdFind_Click();
    EXPECT_EQ(RegistryPart(h.controls.text1),
              "Keys Under Notify---\r\n\r\n\r\nGuardian Key--- is called: GuardG\r\n\r\n"
              "User Agent String---\r\nmsg126 ");
    EXPECT_EQ(h.LastKey(), Sz(kLastKeyNotify + "\\GuardG"));
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdGuard));
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdUAS));
}

TEST(RegistryScan, TheAdwaresOwnMarkersDoNotEndAPass) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\Not Found");
    h.reg.AddKey(kNotifyPath + "\\GuardAfter");
    h.reg.SetString(kNotifyPath + "\\GuardAfter", "first", "Not Found");
    h.reg.SetString(kNotifyPath + "\\GuardAfter", "second", std::string(5000, 'x'));
    h.reg.SetString(kNotifyPath + "\\GuardAfter", "third", "3");
    h.reg.SetString(kPostPlatformPath, "a", "Not Found");
    h.reg.SetString(kPostPlatformPath, "b", "last");
    h.LoadAndFind();
    EXPECT_EQ(RegistryPart(h.controls.text1),
              "Keys Under Notify---\r\nNot Found\r\nGuardAfter\r\n\r\n\r\n"
              "Guardian Key--- is called: GuardAfter\r\nfirst Not Found\r\nsecond " +
                  std::string(5000, 'x') + "\r\nthird 3\r\n\r\nUser Agent String---\r\nb last");
    EXPECT_EQ(h.form.GuardianKeyName, "GuardAfter");
}

TEST(RegistryScan, HostileBytesCannotCutOrForgeReportLines) {
    Harness h;
    h.reg.AddKey(kNotifyPath + "\\Guard\r\nGuardian Key--- is called: x");
    h.reg.SetRaw(kNotifyPath + "\\Guard\r\nGuardian Key--- is called: x", "multi", RegType::MultiSz,
                 std::string("one\0two\0\0", 9));
    h.reg.SetRaw(kPostPlatformPath, std::string("n\0m", 3), RegType::Sz, std::string("d\0e\0", 4));
    h.LoadAndFind();
    EXPECT_EQ(RegistryPart(h.controls.text1),
              "Keys Under Notify---\r\nGuard  Guardian Key--- is called: x\r\n\r\n\r\n"
              "Guardian Key--- is called: Guard  Guardian Key--- is called: x"
              "\r\nmulti one two \r\n\r\nUser Agent String---\r\nn m d e");
    EXPECT_EQ(h.form.UserAgentString, std::string("n\0m d\0e", 7)) << "kept as the registry has it";
}

TEST(RegistryScan, LastKeyIsWrittenOncePerScanAndAFailedWriteChangesNothingElse) {
    Harness h;
    h.reg.failWrites = true;
    h.reg.AddKey(kNotifyPath + "\\GuardX");
    h.LoadAndFind();
    EXPECT_EQ(h.reg.writes, 1);
    EXPECT_EQ(h.LastKey(), "<none>");
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdGuard));
}

}  // namespace
}  // namespace kr8::test
