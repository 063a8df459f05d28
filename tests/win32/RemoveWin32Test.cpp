// Ending processes, running a program to its end and asking for a restart, against real
// processes, the real message queue and the real process token.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "remove/win32/KillProcessWin32.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "remove/win32/ShutDownNTWin32.h"
#include "tests/win32/Setup.h"

namespace kr8 {
namespace {

// kr8auto holding its own file that many seconds stands for an outside program that runs a while.
std::string HoldFor(const std::string& seconds) {
    return "hold-readable \"" + test::Beside("kr8auto.exe") + "\" " + seconds;
}

// A copy of kr8auto under the target's name, in a folder of its own and in capitals, runs until
// the seam ends it. Which names match is the unit tests'; here the snapshot's names must reach
// that match.
TEST(KillProcessWin32Test, EndsTheNamedProgramInAnyFolderAndLetterCase) {
    const test::TempDir dir;
    const std::string program = dir.AddFolder("sub") + "\\RUNDLL32.EXE";
    ASSERT_TRUE(::CopyFileA(test::Beside("kr8auto.exe").c_str(), program.c_str(), FALSE));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = "\"" + program + "\" " + HoldFor("60");
    ASSERT_TRUE(::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info));
    ::CloseHandle(info.hThread);
    const UniqueHandle named(info.hProcess);
    // An id from an older snapshot may belong to another program by now.
    EXPECT_FALSE(EndProcessIfNamed(info.dwProcessId, "notepad.exe", 0));
    // A process just created may not be in the Tool Help snapshot yet.
    bool ended = KillProcessWin32().KillProcessByName("rundll32.exe");
    for (int attempt = 0; attempt < 100 && !ended; ++attempt) {
        ::Sleep(50);
        ended = KillProcessWin32().KillProcessByName("rundll32.exe");
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(::WaitForSingleObject(named.get(), 5000), WAIT_OBJECT_0);
    EXPECT_FALSE(KillProcessWin32().KillProcessByName("kr8-no-process-has-this-name.exe"));
    ::TerminateProcess(named.get(), 0);
}

// Processor time this thread has used, in milliseconds.
ULONGLONG ThreadCpuMs() {
    FILETIME unused, kernel, user;
    EXPECT_TRUE(::GetThreadTimes(::GetCurrentThread(), &unused, &unused, &kernel, &user));
    auto ms = [](const FILETIME& t) {
        return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
}

// A thread timer is dispatched by whoever handles the thread's messages: no window is needed, so
// the tests run without a display.
constexpr int kQuitCode = 5;
void CALLBACK QuitOnce(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    ::PostQuitMessage(kQuitCode);
}

// Takes a quit from the queue: whether one with our code was there.
bool TakeQuit() {
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.wParam == kQuitCode;
}

// The wait lasts as long as the program and costs no processor time while it handles the
// thread's messages; a quit (the user leaving) ends it at once and is kept for the main loop, and
// one already queued is seen before anything starts. Unquoted, a path with a blank would start
// "...\漢" with "β\kr8" as its command, which kr8auto takes for a window to wait for.
TEST(LaunchAppSychronousWin32Test, WaitsPumpingMessagesWithoutSpinningAndKeepsTheQuit) {
    const test::TempDir dir;
    const std::string program = dir.AddFolder("\u6F22 \u03B2") + "\\kr8 auto.exe";
    ASSERT_TRUE(
        ::CopyFileW(Wide(test::Beside("kr8auto.exe")).c_str(), Wide(program).c_str(), FALSE));
    EXPECT_EQ(LaunchAppSychronousWin32().RunAndWait(program, "").exitCode, 2u)
        << "kr8auto without a command shows its usage";

    const ULONGLONG startCpu = ThreadCpuMs();
    RunResult run =
        LaunchAppSychronousWin32().RunAndWait(test::Beside("kr8auto.exe"), HoldFor("1"));
    // A busy loop uses about the whole wait on Windows; under Wine most of its cost lands in
    // the Wine server, and the thread's own share is still a fifth or more.
    EXPECT_LT(ThreadCpuMs() - startCpu, 1000u / 7);
    EXPECT_EQ(run.outcome, RunOutcome::Ended);

    ASSERT_TRUE(::SetTimer(nullptr, 0, 200, &QuitOnce));
    const DWORD start = ::GetTickCount();
    run = LaunchAppSychronousWin32().RunAndWait(test::Beside("kr8auto.exe"), HoldFor("1"));
    EXPECT_LT(::GetTickCount() - start, 1000u) << "the quit, from a timer the wait dispatched";
    EXPECT_EQ(run.outcome, RunOutcome::Abandoned);
    EXPECT_TRUE(TakeQuit());

    ::PostQuitMessage(kQuitCode);
    EXPECT_EQ(LaunchAppSychronousWin32().RunAndWait("C:\\absent\\x.exe", "").outcome,
              RunOutcome::Abandoned);
    EXPECT_TRUE(TakeQuit());
}

bool ShutdownPrivilegeEnabled() {
    UniqueHandle token;
    PRIVILEGE_SET wanted = {1, PRIVILEGE_SET_ALL_NECESSARY, {}};
    BOOL held = FALSE;
    return ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
           ::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &wanted.Privilege[0].Luid) &&
           ::PrivilegeCheck(token.get(), &wanted, &held) && held;
}

// What the restart was asked, and whether the process could restart the machine then.
std::vector<std::pair<UINT, bool>> g_restarts;
BOOL WINAPI RecordRestart(UINT flags, DWORD) {
    g_restarts.emplace_back(flags, ShutdownPrivilegeEnabled());
    return TRUE;
}

TEST(ShutDownNTWin32Test, AsksForTheRestartWithTheShutdownPrivilegeSwitchedOn) {
    ASSERT_FALSE(ShutdownPrivilegeEnabled()) << "a process starts with it switched off";
    ShutDownNTWin32(&RecordRestart).RebootWindows(true);
    ASSERT_EQ(g_restarts.size(), 1u);
    EXPECT_EQ(g_restarts[0].first, static_cast<UINT>(EWX_REBOOT | EWX_FORCE));
    EXPECT_TRUE(g_restarts[0].second) << "switched on before the request";
}

}  // namespace
}  // namespace kr8
