#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "app/LogFile.h"
#include "app/UnattendedScan.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

const std::string kDefaultLog = TempPath("kr8.log");

struct Case {
    const char* what;
    std::function<void(fake::FakeMachine&)> seed;
    int exitCode;
};

// The exit code comes from what the scan found; the log is what Make Log would write for the
// same machine; and nothing else is written, started or shown.
TEST(UnattendedScan, ExitCodeFromTheFindingsAndNothingWrittenButTheLog) {
    const Case cases[] = {
        {"clean", [](fake::FakeMachine&) {}, kExitNothingFound},
        {"Notify sub-keys that are no guardian, a DLL one byte short",
         [](fake::FakeMachine& m) {
             m.reg.SetString(kNotifyPath + "\\crypt32chain", "DllName", "crypt32.dll");
             m.files.AddFile(SystemPath("near.dll"), 320871);
         },
         kExitNothingFound},
        {"a DLL of the adware's size",
         [](fake::FakeMachine& m) { m.files.AddFile(SystemPath("qwxz1834.dll"), 320872); },
         kExitFound},
        {"a fixed name in the system folder",
         [](fake::FakeMachine& m) { m.files.AddFile(SystemPath("WINHOST32.EXE"), 10); },
         kExitFound},
        {"a fixed name in the temporary folder",
         [](fake::FakeMachine& m) { m.files.AddFile(TempPath("upd126new.exe"), 10); }, kExitFound},
        {"a guardian key", [](fake::FakeMachine& m) { m.reg.AddKey(kNotifyPath + "\\GuardSvc"); },
         kExitFound},
        {"a user-agent entry",
         [](fake::FakeMachine& m) { m.reg.SetString(kPostPlatformPath, "msg126", "KR8"); },
         kExitFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake::FakeMachine unattended;
        c.seed(unattended);
        EXPECT_EQ(RunUnattendedScan(unattended.machine, std::nullopt), c.exitCode);

        Harness window;
        c.seed(window);
        window.LoadAndFind();
        EXPECT_EQ(unattended.files.Content(kDefaultLog), LogFileBytes(window.controls.text1));

        EXPECT_EQ(unattended.reg.writes, 0) << "LastKey is left alone";
        EXPECT_TRUE(unattended.shell.requests.empty());
        EXPECT_TRUE(unattended.launcher.commands.empty());
        EXPECT_TRUE(unattended.processes.asked.empty());
        EXPECT_TRUE(unattended.restart.requests.empty());
    }
}

TEST(UnattendedScan, GivenPathAndFailures) {
    {
        SCOPED_TRACE("a path of its own, and no temporary folder needed for it");
        fake::FakeMachine m;
        m.os.tempFolder = "";
        const std::string path = "\\\\server\\share\\PC01 \xE6\x97\xA5.log";
        EXPECT_EQ(RunUnattendedScan(m.machine, path), kExitNothingFound);
        EXPECT_EQ(m.files.Content(path).substr(0, 15), "Log for KR8.Bet");
        EXPECT_FALSE(m.files.Exists(kDefaultLog));
    }
    struct Failure {
        const char* what;
        std::function<void(fake::FakeMachine&)> arrange;
        bool logWritten = false;
    };
    const Failure failures[] = {
        {"a platform outside the NT family", [](fake::FakeMachine& m) { m.os.platformId = 1; }},
        {"the log cannot be written, even with a finding",
         [](fake::FakeMachine& m) {
             m.reg.AddKey(kNotifyPath + "\\GuardSvc");
             m.files.failWrites = true;
         }},
        {"no temporary folder for the default log",
         [](fake::FakeMachine& m) { m.os.tempFolder = ""; }},
        // Nothing listed is no clean machine: the log says what could not be read.
        {"a system folder that cannot be read",
         [](fake::FakeMachine& m) { m.files.unreadableFolders.insert(fake::kSystem); }, true},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.what);
        fake::FakeMachine m;
        f.arrange(m);
        EXPECT_EQ(RunUnattendedScan(m.machine, std::nullopt), kExitFailed);
        EXPECT_EQ(m.files.Content(kDefaultLog)
                          .find("\r\nFiles Found---\r\nThe system folder could "
                                "not be read: its files were not checked\r\n") != std::string::npos,
                  f.logWritten);
        EXPECT_EQ(m.reg.writes, 0);
    }
}

}  // namespace
}  // namespace kr8::test
