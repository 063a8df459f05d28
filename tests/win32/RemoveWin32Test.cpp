// Ending processes, running a program to its end and asking for a restart, against real
// processes and the real process token.
#include <windows.h>

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <optional>
#include <string>
#include <vector>

#include "remove/win32/ShutDownNTWin32.h"
#include "sys/win32/Wide.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using test::AutoPath;
using test::Child;
using test::Quoted;

// kr8auto holding a file stands for an outside program that runs for a while: long enough that
// only being ended from outside stops it within a test, or a second.
std::string HoldFor(const std::string& seconds) {
    static const test::TempDir dir;
    static const std::string file = dir.AddFile("held.txt", 1);
    return " hold-readable " + Quoted(file) + " " + seconds;
}
constexpr DWORD kShortSleepMs = 1000;
// Windows' tick counter moves in steps of up to 16 ms.
constexpr ULONGLONG kTickSlackMs = 20;

std::string CopyOfAuto(const std::string& path) {
    EXPECT_TRUE(::CopyFileA(AutoPath().c_str(), path.c_str(), FALSE))
        << path << ", error " << ::GetLastError();
    return path;
}

// A process just created may not be in the Tool Help snapshot yet, and ending it by name needs
// it there.
bool WaitUntilListed(DWORD id) {
    for (int attempt = 0; attempt < 100; ::Sleep(50), ++attempt) {
        const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
             more = ::Process32Next(snapshot.get(), &entry)) {
            if (entry.th32ProcessID == id && entry.szExeFile[0] != '\0') {
                return true;
            }
        }
    }
    return false;
}

TEST(KillProcessWin32Test, EndsEveryProcessOfTheNameInAnyFolderAndLetterCaseAndNoOther) {
    const test::TempDir first;
    const test::TempDir second;
    Child lowerChild(Quoted(CopyOfAuto(first.Path() + "\\rundll32.exe")) + HoldFor("60"));
    Child upperChild(Quoted(CopyOfAuto(second.Path() + "\\RUNDLL32.EXE")) + HoldFor("60"));
    Child longerChild(Quoted(CopyOfAuto(first.Path() + "\\myrundll32.exe")) + HoldFor("60"));
    for (const Child* child : {&lowerChild, &upperChild, &longerChild}) {
        ASSERT_TRUE(WaitUntilListed(child->Id()));
    }

    KillProcessWin32 processes;
    EXPECT_TRUE(processes.KillProcessByName("rundll32.exe"));

    EXPECT_TRUE(lowerChild.Ended(5000));
    EXPECT_EQ(lowerChild.ExitCode(), 0u);
    EXPECT_TRUE(upperChild.Ended(5000));
    EXPECT_EQ(upperChild.ExitCode(), 0u);
    EXPECT_FALSE(longerChild.Ended(500)) << "a name that only ends like the target is spared";
    // An id from an older snapshot may belong to another program by now: what the process
    // runs is read again, and only the named program is ended.
    EXPECT_FALSE(EndProcessIfNamed(longerChild.Id(), "rundll32.exe", 0));
    EXPECT_FALSE(longerChild.Ended(500));
    EXPECT_TRUE(EndProcessIfNamed(longerChild.Id(), "MYRUNDLL32.exe", 7));
    EXPECT_TRUE(longerChild.Ended(5000));
    EXPECT_EQ(longerChild.ExitCode(), 7u);

    EXPECT_FALSE(processes.KillProcessByName("kr8-no-process-has-this-name.exe"));
}

// Processor time this thread has used, in milliseconds.
ULONGLONG ThreadCpuMs() {
    FILETIME created;
    FILETIME exited;
    FILETIME kernel;
    FILETIME user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) {
        ADD_FAILURE() << "GetThreadTimes, error " << ::GetLastError();
        return 0;
    }
    auto ms = [](const FILETIME& t) {
        return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
}

// What one RunAndWait took, in wall time and in this thread's processor time.
struct Wait {
    RunResult result;
    ULONGLONG elapsedMs = 0;
    ULONGLONG cpuMs = 0;
};

Wait TimedRunAndWait(const std::string& program, const std::string& arguments) {
    LaunchAppSychronousWin32 launcher;
    const ULONGLONG startCpu = ThreadCpuMs();
    const DWORD start = ::GetTickCount();
    Wait wait;
    wait.result = launcher.RunAndWait(program, arguments);
    wait.elapsedMs = ::GetTickCount() - start;
    wait.cpuMs = ThreadCpuMs() - startCpu;
    return wait;
}

// Nothing of the wait should be spent spinning. A busy loop uses about the whole wait on Windows;
// under Wine most of its cost lands in the Wine server, and the thread's own share is still a
// fifth or more.
constexpr ULONGLONG kIdleCpuLimitMs = kShortSleepMs / 7;

// The thread timers below are dispatched to these procedures by whoever handles the thread's
// messages: no window is needed, so the tests run without a display.
int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
    ++g_ticks;
}

constexpr int kQuitCode = 5;
void CALLBACK QuitOnce(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    ::PostQuitMessage(kQuitCode);
}

// Takes every message left in the queue, dispatching none; the quit code when a quit was there.
std::optional<WPARAM> DrainQueue() {
    std::optional<WPARAM> quit;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = msg.wParam;
        }
    }
    return quit;
}

// How often a quit was taken from the queue while the hook was in.
int g_quitsTaken = 0;
LRESULT CALLBACK CountQuits(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && reinterpret_cast<const MSG*>(lParam)->message == WM_QUIT) {
        ++g_quitsTaken;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The wait lasts as long as the program, costs no processor time and keeps handling the
// thread's messages; a quit (the user leaving) ends it at once, and is kept for the main loop.
TEST(LaunchAppSychronousWin32Test, WaitsForTheEndPumpingMessagesWithoutSpinning) {
    DrainQueue();
    g_ticks = 0;
    g_quitsTaken = 0;
    const HHOOK hook =
        ::SetWindowsHookExA(WH_GETMESSAGE, &CountQuits, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const UINT_PTR ticker = ::SetTimer(nullptr, 0, 50, &CountTick);
    ASSERT_NE(ticker, 0u);
    ASSERT_NE(::SetTimer(nullptr, 0, 200, &QuitOnce), 0u);
    const Wait wait = TimedRunAndWait(AutoPath(), HoldFor("1").substr(1));
    const int ticksDuringWait = g_ticks;
    ::KillTimer(nullptr, ticker);
    ::UnhookWindowsHookEx(hook);
    EXPECT_EQ(wait.result.outcome, RunOutcome::Abandoned);
    EXPECT_LT(wait.elapsedMs, kShortSleepMs) << "the quit ended the wait";
    EXPECT_GE(ticksDuringWait, 1);
    // Each further time is one lap of a busy loop: a quit left in the queue wakes the wait at
    // once.
    EXPECT_EQ(g_quitsTaken, 1);
    EXPECT_LT(wait.cpuMs, kIdleCpuLimitMs);
    EXPECT_EQ(DrainQueue(), static_cast<WPARAM>(kQuitCode));
}

// The program is started by its path, blanks and any script in it, an argument with blanks
// reaches it whole, and its exit code is read.
TEST(LaunchAppSychronousWin32Test, AQuotedPathWithBlanksReachesTheProgramAsOneArgument) {
    const test::TempDir dir;
    const std::string program = dir.AddFolder("\xE6\xBC\xA2 \xCE\xB2") + "\\kr8 auto.exe";
    ASSERT_TRUE(::CopyFileW(Wide(AutoPath()).c_str(), Wide(program).c_str(), FALSE));
    const std::string target = dir.AddFolder("with blank") + "\\Look 2 Me.dll";
    LaunchAppSychronousWin32 launcher;
    for (const bool there : {false, true}) {
        if (there) {
            dir.AddFile("with blank\\Look 2 Me.dll", 1);
        }
        const RunResult run =
            launcher.RunAndWait(program, "hold-readable " + Quoted(target) + " 0");
        ASSERT_EQ(run.outcome, RunOutcome::Ended);
        EXPECT_EQ(run.exitCode, there ? 0u : 1u) << "kr8auto fails on a file it cannot open";
    }
}

// What the restart seam was asked, and whether the process could restart the machine then.
struct RestartRequest {
    UINT flags = 0;
    DWORD reason = 0;
    bool privilegeEnabled = false;
};
std::vector<RestartRequest> g_restarts;

bool ShutdownPrivilegeEnabled() {
    UniqueHandle token;
    LUID luid;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &luid)) {
        ADD_FAILURE() << "cannot read the token, error " << ::GetLastError();
        return false;
    }
    PRIVILEGE_SET wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Control = PRIVILEGE_SET_ALL_NECESSARY;
    wanted.Privilege[0].Luid = luid;
    BOOL held = FALSE;
    return ::PrivilegeCheck(token.get(), &wanted, &held) && held;
}

void SetShutdownPrivilege(bool on) {
    UniqueHandle token;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = on ? SE_PRIVILEGE_ENABLED : 0;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put()));
    ASSERT_TRUE(
        ::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid));
    ASSERT_TRUE(::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr));
    ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "privilege not held";
}

BOOL WINAPI RecordRestart(UINT flags, DWORD reason) {
    g_restarts.push_back({flags, reason, ShutdownPrivilegeEnabled()});
    return TRUE;
}

TEST(ShutDownNTWin32Test, AsksForTheRestartWithTheShutdownPrivilegeSwitchedOn) {
    EXPECT_TRUE(IsWindowsNT());
    const struct {
        bool force;
        UINT flags;
    } cases[] = {{true, EWX_REBOOT | EWX_FORCE}, {false, EWX_REBOOT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.force ? "forced" : "not forced");
        SetShutdownPrivilege(false);
        ASSERT_FALSE(ShutdownPrivilegeEnabled());
        g_restarts.clear();
        ShutDownNTWin32(&RecordRestart).RebootWindows(c.force);
        ASSERT_EQ(g_restarts.size(), 1u);
        EXPECT_EQ(g_restarts[0].flags, c.flags);
        EXPECT_EQ(g_restarts[0].reason, 0u);
        EXPECT_TRUE(g_restarts[0].privilegeEnabled) << "switched on before the request";
        EXPECT_TRUE(ShutdownPrivilegeEnabled());
    }
}

}  // namespace
}  // namespace kr8
