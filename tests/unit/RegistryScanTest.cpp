#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

// Only a leading 126 counts as the guardian's version; a name starting with "guard", in any case,
// wins over a version, and of several the last one wins. Keys are created in table order, with no
// version (nullptr), a string one, or a DWORD one ('#').
TEST(RegistryScan, TheGuardianIsTheLastGuardNamedKeyOrElseTheOneOfVersion126) {
    using Keys = std::vector<std::pair<const char*, const char*>>;
    const struct {
        Keys keys;
        std::string guardian;
    } cases[] = {
        {{{"k", "126"}}, "k"},
        {{{"k", "126abc"}}, "k"},
        {{{"k", "0126"}}, ""},
        {{{"k", "12"}}, ""},
        {{{"k", "x126"}}, ""},
        {{{"k", ""}}, ""},
        {{{"k", "#126"}}, "k"},
        {{{"k", "#1260"}}, "k"},
        {{{"k", "#12"}}, ""},
        {{{"versioned", "126"}, {"guardsvc", nullptr}}, "guardsvc"},
        {{{"versioned", "126"}, {"GUARDSVC", nullptr}}, "GUARDSVC"},
        {{{"versioned", "126"}, {"GuardSvc", nullptr}}, "GuardSvc"},
        {{{"GuardOne", nullptr}, {"GuardTwo", nullptr}, {"late", "126"}}, "GuardTwo"},
    };
    for (const auto& c : cases) {
        Harness h;
        std::string trace;
        for (const auto& [name, version] : c.keys) {
            const std::string key = kNotifyPath + "\\" + name;
            trace += std::string(name) + "=" + (version ? version : "-") + " ";
            if (version == nullptr) {
                h.reg.AddKey(key);
            } else if (version[0] == '#') {
                h.reg.SetDword(key, "Version", std::stoul(version + 1));
            } else {
                h.reg.SetString(key, "Version", version);
            }
        }
        h.LoadAndFind();
        EXPECT_EQ(h.form.GuardianKeyName, c.guardian) << trace;
    }
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

TEST(RegistryScan, TheAdwaresOwnMarkersDoNotEndAPassAndTheLastUserAgentEntryIsKept) {
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
    EXPECT_EQ(h.form.UserAgentValueName, "b") << "the last entry is kept";
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdUAS));
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
