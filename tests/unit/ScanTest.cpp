#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/LogFile.h"
#include "app/UnattendedScan.h"
#include "scan/AdwarePlaces.h"
#include "scan/ReportWords.h"
#include "sys/RegText.h"
#include "tests/offline/HiveWriter.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

const std::string kLastKeyNotify =
    "My Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\"
    "Notify";

// A REG_SZ with its terminating NUL, as the registry editor writes it.
std::string LastKey(fake::FakeMachine& h) {
    const auto v = h.reg.Get("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
                             "LastKey");
    const std::string text = v ? RegDataUtf8(v->type, v->bytes) : "";
    return !v ? "<none>"
           : v->type == RegType::Sz && !text.empty() && text.back() == '\0'
               ? text.substr(0, text.size() - 1)
               : "<not as the editor writes it>";
}

// Every section in its order. Each Find reads the folder as it is then, into a report built anew;
// only files of the adware's exact length (all 64 bits of it) are listed, each for itself whatever
// name it resembles; the fixed names are answered from the same listing in any case, each from its
// own folder. The adware's names and data cannot end a pass nor forge a line, and the last
// user-agent entry is the one kept, as the registry holds it.
TEST(Scan, TheReportNamesEveryFindingInItsSection) {
    Harness h;
    h.LoadAndFind();
    const std::string sys = std::string(fake::kSystem) + "\\";
    const std::string temp = std::string(fake::kTemp) + "\\";
    h.files.AddFile(sys + "short.dll", 320871);
    for (const char* name :
         {"A.DLL", "a.dll", "notadll.exe", "WINHOST32.EXE", "7k15.exe", "upd126.exe"}) {
        h.files.AddFile(sys + name, 320872);
    }
    h.files.AddFile(sys + "b\nFiles Found---.dll", 320872);
    h.files.AddFile(sys + "long.dll", 320873);
    h.files.AddFile(sys + "huge.dll", (std::uint64_t{1} << 32) + 320872);
    h.files.AddFolder(sys + "winupd.dll");
    for (const char* name : {"upd126new.exe", "upd126.exe", "wincore.dll"}) {
        h.files.AddFile(temp + name, 1);
    }
    // hivex writes no name with a NUL: the hive is laid out with the user-agent entries in it.
    std::vector<HiveKey> keys{{"SOFTWARE", {}, {}}};
    keys[AddPath(keys, kPostPlatformPath.substr(std::strlen("HKLM\\SOFTWARE\\")))].values = {
        {"a", RegType::Sz, Sz(u"Not Found")}, {std::string("n\0m", 3), RegType::Sz, Sz(u"d\0e")}};
    h.reg.LoadMachineHive(BuildHive(keys).bytes);
    const std::string guard = kNotifyPath + "\\Guard\r\nGuardian Key--- is called: x";
    for (const char* key : {"Not Found", "WgaLogon"}) {
        h.reg.AddKey(kNotifyPath + "\\" + key);
    }
    h.reg.SetString(guard, "fi\r\nrst", "Not Found");
    h.reg.SetString(guard, "second", std::string(5000, 'x'));
    h.reg.SetRaw(guard, "multi", RegType::MultiSz, Sz(u"one\0two\0"));
    h.form.CmdFind_Click();
    EXPECT_EQ(
        h.controls.text1,
        "Files Found---\r\n" + sys + "A.DLL\r\n" + sys + "a.dll\r\n" + sys +
            "b Files Found---.dll\r\n \r\nAdditional Files---\r\n" + sys + "winupd.dll\r\n" + sys +
            "winhost32.exe\r\n" + sys + "7k15.exe\r\n" + temp + "upd126.exe\r\n" + temp +
            "upd126new.exe\r\n \r\nKeys Under Notify---\r\n"
            "Guard  Guardian Key--- is called: x\r\nNot Found\r\nWgaLogon\r\n\r\n\r\n"
            "Guardian Key--- is called: Guard  Guardian Key--- is called: x\r\n"
            "fi  rst Not Found\r\nsecond " +
            std::string(5000, 'x') + "\r\nmulti one two \r\n\r\nUser Agent String---\r\nn m d e");
    EXPECT_EQ(h.controls.Entries(),
              (Strings{sys + "A.DLL", sys + "a.dll", sys + "b\nFiles Found---.dll"}));
    EXPECT_TRUE(h.controls.IsEnabled(Button::CmdFix));
    EXPECT_EQ(h.form.UserAgentValueName, std::string("n\0m", 3));
}

// Only a leading 126 counts as the guardian's version, and only one a single read can hold; a
// name starting with "guard", in any case, wins over a version, and of several the last one (in
// the registry's sorted order) wins. Keys have no version (nullptr), a string one, or a DWORD one
// ('#'). The registry editor is pointed at the guardian.
TEST(Scan, TheGuardianIsTheLastGuardNamedKeyOrElseTheOneOfVersion126) {
    using Keys = std::vector<std::pair<const char*, const char*>>;
    // A single read fails on text longer than its buffer, the terminating NUL included.
    const std::string fits = "126" + std::string(kRegBufferSize - 4, 'x'), tooLong = fits + "x";
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
        {{{"k", fits.c_str()}}, "k"},
        {{{"k", tooLong.c_str()}}, ""},
        {{{"versioned", "126"}, {"guardsvc", nullptr}}, "guardsvc"},
        {{{"versioned", "126"}, {"GUARDSVC", nullptr}}, "GUARDSVC"},
        {{{"GuardOne", nullptr}, {"GuardTwo", nullptr}, {"late", "126"}}, "GuardTwo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Harness h;
        for (const auto& [name, version] : c.keys) {
            const std::string key = kNotifyPath + "\\" + name;
            if (version == nullptr) {
                h.reg.AddKey(key);
            } else if (version[0] == '#') {
                h.reg.SetRaw(key, "Version", RegType::Dword,
                             {char(std::stoi(version + 1)), 0, 0, 0});
            } else {
                h.reg.SetString(key, "Version", version);
            }
        }
        h.LoadAndFind();
        EXPECT_EQ(h.form.GuardianKeyName, c.guardian);
        EXPECT_EQ(h.controls.IsEnabled(Button::CmdGuard), !c.guardian.empty());
        EXPECT_EQ(LastKey(h), kLastKeyNotify + (c.guardian.empty() ? "" : "\\" + c.guardian));
    }
}

// Each Find shows what is there now: a guardian key or user-agent entry that another tool
// removed is no longer named, its button goes off and the editor no longer points at it; and
// User Agent$ asks nothing about an entry that went after the Find (clicked before the Find that
// shows it gone). Delete waits for a file to act on; the log and the registry editor are always
// there.
TEST(Scan, WhatIsGoneIsNeitherShownNorActedOn) {
    const std::string guard = kNotifyPath + "\\GuardStale";
    const struct {
        const char* what;
        bool guardGone, agentGone;
    } cases[] = {{"nothing gone", false, false},
                 {"guardian key gone", true, false},
                 {"user-agent entry gone", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        h.reg.SetString(guard, "DllName", "x.dll");
        h.reg.SetString(kPostPlatformPath, "msg126", "Stale");
        h.LoadAndFind();
        if (c.guardGone) {
            h.reg.DeleteRegKey(RegRoot::LocalMachine,
                               place::kNotifyKey + std::string("GuardStale"));
        }
        if (c.agentGone) {
            h.reg.DeleteRegValue(RegRoot::LocalMachine, place::kPostPlatformKey, "msg126");
            h.form.CmdUAS_Click();
            EXPECT_EQ(h.boxes.shown, Strings{});
            EXPECT_FALSE(h.controls.IsEnabled(Button::CmdUAS)) << "scanned again at the click";
        }
        h.form.CmdFind_Click();
        const std::string& report = h.controls.text1;
        EXPECT_EQ(report.find("GuardStale") == std::string::npos, c.guardGone);
        EXPECT_EQ(report.find("msg126 Stale") == std::string::npos, c.agentGone);
        EXPECT_EQ(h.controls.IsEnabled(Button::CmdGuard), !c.guardGone);
        EXPECT_EQ(h.controls.IsEnabled(Button::CmdUAS), !c.agentGone);
        EXPECT_FALSE(h.controls.IsEnabled(Button::CmdFix));
        EXPECT_TRUE(h.controls.IsEnabled(Button::CmdLog) &&
                    h.controls.IsEnabled(Button::CmdRegedit));
        EXPECT_EQ(LastKey(h), kLastKeyNotify + (c.guardGone ? "" : "\\GuardStale"));
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
        {30, 1, {"1000", "320872", "77"}},
        {0, 40000, {"1000", "77"}},
    };
    for (const auto& c : cases) {
        Harness h;
        h.clock.step = c.step;
        for (int i = 0; i < c.fillers; ++i) {
            h.files.disk.push_back({SystemPath("f" + std::to_string(i) + ".dll"), 1000});
        }
        h.files.AddFile(SystemPath("last.dll"), 320872);
        h.files.AddFile(SystemPath("z.dll"), 77);
        h.LoadAndFind();
        Strings shown;
        for (const std::string& length : c.shown) {
            shown.push_back(text::kScanningPrefix + length);
        }
        shown.push_back(text::kCaption);
        EXPECT_EQ(h.controls.captions, shown) << c.fillers;
    }
}

// The exit code comes from what the scan found, or 2 for a scan that failed (a log that cannot be
// written is the find road's); the log is what Make Log would write for the same machine; and
// nothing else is written, started or shown. A system folder that cannot be read is no clean
// machine: the log says so. Without a temporary folder the two names there would be looked for at
// the drive's root: the report says they were not checked, and Make Log writes nowhere.
TEST(UnattendedScan, ExitCodeFromTheFindingsAndNothingWrittenButTheLog) {
    using fake::FakeMachine;
    const struct {
        const char* what;
        std::function<void(FakeMachine&)> seed;
        int exitCode;
        bool logged = true;
    } cases[] = {
        {"clean", [](FakeMachine&) {}, kExitNothingFound},
        {"a Notify key that is no guardian",
         [](FakeMachine& m) { m.reg.AddKey(kNotifyPath + "\\crypt32chain"); }, kExitNothingFound},
        {"a DLL of the adware's size",
         [](FakeMachine& m) { m.files.AddFile(SystemPath("qwxz1834.dll"), 320872); }, kExitFound},
        {"a fixed name", [](FakeMachine& m) { m.files.AddFile(TempPath("upd126new.exe"), 1); },
         kExitFound},
        {"a guardian key", [](FakeMachine& m) { m.reg.AddKey(kNotifyPath + "\\GuardSvc"); },
         kExitFound},
        {"a user-agent entry",
         [](FakeMachine& m) { m.reg.SetString(kPostPlatformPath, "msg126", "KR8"); }, kExitFound},
        {"an unreadable system folder",
         [](FakeMachine& m) { m.files.unreadableFolders.insert(fake::kSystem); }, kExitFailed},
        {"not NT", [](FakeMachine& m) { m.os.platformId = 1; }, kExitFailed, false},
        {"no temporary folder", [](FakeMachine& m) { m.os.tempFolder = ""; }, kExitFailed, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMachine unattended;
        c.seed(unattended);
        EXPECT_EQ(RunUnattendedScan(unattended.machine, std::nullopt), c.exitCode);
        Harness window;
        c.seed(window);
        window.LoadAndFind();
        const std::string log = unattended.files.Content(TempPath("kr8.log"));
        EXPECT_EQ(log, c.logged ? LogFileBytes(window.controls.text1) : "<missing>");
        EXPECT_EQ(log.find(report::kSystemFolderUnreadable) != std::string::npos,
                  !unattended.files.unreadableFolders.empty());
        EXPECT_EQ(LastKey(unattended), "<none>");
        EXPECT_TRUE(unattended.shell.requests.empty() && unattended.launcher.commands.empty() &&
                    unattended.processes.asked.empty() && unattended.restart.requests.empty());
    }
    Harness h;
    h.os.tempFolder = "";
    h.files.AddFile("\\upd126.exe", 10);
    const std::string path = "\\\\server\\share\\PC01 \xE6\x97\xA5.log";
    EXPECT_EQ(RunUnattendedScan(h.machine, path), kExitFailed) << "upd126.exe was not checked";
    h.LoadAndFind();
    EXPECT_EQ(LogFileBytes(h.controls.text1), h.files.Content(path));
    EXPECT_EQ(h.controls.text1.substr(0, h.controls.text1.find(report::kKeysUnderNotify)),
              "Files Found---\r\n \r\nAdditional Files---\r\n" +
                  std::string(report::kTempFolderMissing) + "\r\n \r\n");
    h.form.CmdLog_Click();
    EXPECT_EQ(h.boxes.shown, Strings{text::kLogNoTempFolder});
    EXPECT_TRUE(h.shell.requests.empty());
    EXPECT_FALSE(h.files.Exists("\\kr8.log"));
}

}  // namespace
}  // namespace kr8::test
