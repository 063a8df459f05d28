#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "app/LogFile.h"
#include "app/UnattendedScan.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

// The exit code comes from what the scan found, or 2 for a scan or log that failed; the log is
// what Make Log would write for the same machine; and nothing else is written, started or shown.
// A system folder that cannot be read is no clean machine: the log says so.
TEST(UnattendedScan, ExitCodeFromTheFindingsAndNothingWrittenButTheLog) {
    using fake::FakeMachine;
    const struct {
        const char* what;
        std::function<void(FakeMachine&)> seed;
        int exitCode;
        bool logged = true;
    } cases[] = {
        {"clean", [](FakeMachine&) {}, kExitNothingFound},
        {"Notify sub-keys that are no guardian, a DLL one byte short",
         [](FakeMachine& m) {
             m.reg.SetString(kNotifyPath + "\\crypt32chain", "DllName", "crypt32.dll");
             m.files.AddFile(SystemPath("near.dll"), 320871);
         },
         kExitNothingFound},
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
        {"the log cannot be written",
         [](FakeMachine& m) {
             m.reg.AddKey(kNotifyPath + "\\GuardSvc");
             m.files.failWrites = true;
         },
         kExitFailed, false},
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
        EXPECT_EQ(unattended.files.Content(TempPath("kr8.log")),
                  c.logged ? LogFileBytes(window.controls.text1) : "<missing>");
        EXPECT_EQ(unattended.reg.writes, 0) << "LastKey is left alone";
        EXPECT_TRUE(unattended.shell.requests.empty() && unattended.launcher.commands.empty() &&
                    unattended.processes.asked.empty() && unattended.restart.requests.empty());
    }
    fake::FakeMachine m;
    m.os.tempFolder = "";
    const std::string path = "\\\\server\\share\\PC01 \xE6\x97\xA5.log";
    EXPECT_EQ(RunUnattendedScan(m.machine, path), kExitNothingFound)
        << "no temporary folder needed";
    EXPECT_EQ(m.files.Content(path).substr(0, 15), "Log for KR8.Bet");
}

}  // namespace
}  // namespace kr8::test
