#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

const std::string kLastKeyNotify =
    "My Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\"
    "Notify";

std::string LastKey(Harness& h) {
    const auto v = h.reg.Get("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
                             "LastKey");
    return v ? v->bytes.substr(0, v->bytes.size() - 1) : "<none>";
}

// Every section in its order. Each Find reads the folder as it is then, into a report built anew;
// only files of the adware's exact length are listed, each for itself whatever name it resembles;
// the fixed names are answered from the same listing in any case, each from its own folder. The
// adware's names and data cannot end a pass nor forge a line, and the last user-agent entry is
// the one kept, as the registry holds it.
TEST(Scan, TheReportNamesEveryFindingInItsSection) {
    Harness h;
    h.LoadAndFind();
    const std::string sys = std::string(fake::kSystem) + "\\";
    const std::string temp = std::string(fake::kTemp) + "\\";
    for (const auto& [name, length] :
         std::vector<std::pair<std::string, std::uint64_t>>{{"short.dll", 320871},
                                                            {"A.DLL", 320872},
                                                            {"a.dll", 320872},
                                                            {"long.dll", 320873},
                                                            {"notadll.exe", 320872},
                                                            {"WINHOST32.EXE", 1},
                                                            {"7k15.exe", 1},
                                                            {"upd126.exe", 1}}) {
        h.files.AddFile(sys + name, length);
    }
    h.files.AddFolder(sys + "winupd.dll");
    h.files.AddFile(temp + "upd126new.exe", 1);
    h.files.AddFile(temp + "upd126.exe", 1);
    h.files.AddFile(temp + "wincore.dll", 1);
    const std::string guard = kNotifyPath + "\\Guard\r\nGuardian Key--- is called: x";
    h.reg.AddKey(kNotifyPath + "\\Not Found");
    h.reg.SetString(guard, "first", "Not Found");
    h.reg.SetString(guard, "second", std::string(5000, 'x'));
    h.reg.SetRaw(guard, "multi", RegType::MultiSz, std::string("one\0two\0\0", 9));
    h.reg.SetString(kPostPlatformPath, "a", "Not Found");
    h.reg.SetRaw(kPostPlatformPath, std::string("n\0m", 3), RegType::Sz, std::string("d\0e\0", 4));
    h.form.CmdFind_Click();
    EXPECT_EQ(h.controls.text1,
              "Files Found---\r\n" + sys + "A.DLL\r\n" + sys +
                  "a.dll\r\n \r\nAdditional Files---\r\n" + sys + "winupd.dll\r\n" + sys +
                  "winhost32.exe\r\n" + sys + "7k15.exe\r\n" + temp + "upd126.exe\r\n" + temp +
                  "upd126new.exe\r\n \r\nKeys Under Notify---\r\nNot Found\r\n"
                  "Guard  Guardian Key--- is called: x\r\n\r\n\r\n"
                  "Guardian Key--- is called: Guard  Guardian Key--- is called: x\r\n"
                  "first Not Found\r\nsecond " +
                  std::string(5000, 'x') +
                  "\r\nmulti one two \r\n\r\nUser Agent String---\r\nn m d e");
    EXPECT_EQ(h.controls.Entries(), (Strings{sys + "A.DLL", sys + "a.dll"}));
    EXPECT_EQ(h.form.UserAgentValueName, std::string("n\0m", 3));
}

// Only a leading 126 counts as the guardian's version; a name starting with "guard", in any
// case, wins over a version, and of several the last one wins. Keys are created in table order,
// with no version (nullptr), a string one, or a DWORD one ('#'). The registry editor is pointed at
// the guardian, and stays so while a later scan no longer sees it.
TEST(Scan, TheGuardianIsTheLastGuardNamedKeyOrElseTheOneOfVersion126) {
    using Keys = std::vector<std::pair<const char*, const char*>>;
    const struct {
        Keys keys;
        std::string guardian;
    } cases[] = {
        {{{"k", "126"}}, "k"},
        {{{"k", "126abc"}}, "k"},
        {{{"k", "0126"}}, ""},
        {{{"k", "12"}}, ""},
        {{{"k", "#126"}}, "k"},
        {{{"k", "#12"}}, ""},
        {{{"versioned", "126"}, {"guardsvc", nullptr}}, "guardsvc"},
        {{{"versioned", "126"}, {"GUARDSVC", nullptr}}, "GUARDSVC"},
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
        EXPECT_EQ(h.controls.IsEnabled(Button::CmdGuard), !c.guardian.empty()) << trace;
        const std::string lastKey = kLastKeyNotify + (c.guardian.empty() ? "" : "\\" + c.guardian);
        EXPECT_EQ(LastKey(h), lastKey) << trace;
        h.reg.DeleteRegKey(RegRoot::LocalMachine, text::kNotifyKey);
        h.form.CmdFind_Click();
        EXPECT_EQ(LastKey(h), lastKey) << trace;
    }
}

// The captions shown during the size pass: every length when each file takes longer than a
// frame; with the clock standing still, over more entries than a 16-bit index could count, only
// the first and the last.
TEST(Scan, CaptionShowsTheLengthsThrottledToOnePerFrameEndingOnTheLast) {
    const struct {
        std::uint64_t step;
        int fillers;
        Strings shown;
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
            h.files.entries.push_back({SystemPath("f" + std::to_string(i) + ".dll"), 1000});
        }
        h.files.AddFile(SystemPath("last.dll"), 320872);
        h.files.AddFile(SystemPath("z.dll"), 77);
        h.LoadAndFind();
        Strings shown = c.shown;
        shown.push_back(text::kCaption);
        EXPECT_EQ(h.controls.captions, shown) << c.fillers;
    }
}

// Without a temporary folder the two names there would be looked for at the drive's root; the
// report says they were not checked, and Make Log writes nowhere.
TEST(Scan, AMissingTemporaryFolderIsSaidAndNothingIsWrittenAtTheRoot) {
    Harness h;
    h.os.tempFolder = "";
    h.files.AddFile("\\upd126.exe", 10);
    h.LoadAndFind();
    EXPECT_EQ(h.controls.text1.substr(0, h.controls.text1.find(text::kKeysUnderNotify)),
              "Files Found---\r\n \r\nAdditional Files---\r\n" +
                  std::string(text::kTempFolderMissing) + "\r\n \r\n");
    h.form.CmdLog_Click();
    EXPECT_EQ(h.boxes.Prompts(), Strings{text::kLogNoTempFolder});
    EXPECT_TRUE(h.shell.requests.empty());
    EXPECT_FALSE(h.files.Exists("\\kr8.log"));
}

}  // namespace
}  // namespace kr8::test
