// Processor time this process spends while it waits for a program it started, in the two ways
// of waiting: polling the process with a zero time-out and handling messages in between, and
// RunAndWait's sleep until the process ends or a message arrives. Both wait for the same
// two-second program in one run, side by side.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "remove/win32/LaunchAppSychronousWin32.h"

namespace {

constexpr DWORD kChildMs = 2000;

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

std::string SelfPath() {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return self;
}

// The waiting as a zero time-out poll with a pass of the message loop between polls.
void PollingRunAndWait(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                          nullptr, &startup, &info)) {
        return;
    }
    ::WaitForInputIdle(info.hProcess, INFINITE);
    ::CloseHandle(info.hThread);
    while (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    ::CloseHandle(info.hProcess);
}

struct Measured {
    double wallMs;
    double cpuMs;
};

template <typename Wait>
Measured Measure(Wait wait) {
    const DWORD start = ::GetTickCount();
    const double cpuStart = ProcessCpuMs();
    wait();
    return {static_cast<double>(::GetTickCount() - start), ProcessCpuMs() - cpuStart};
}

void Print(const char* what, const Measured& m) {
    std::printf("  %-44s %8.0f ms %8.1f ms %7.2f%%\n", what, m.wallMs, m.cpuMs,
                100.0 * m.cpuMs / m.wallMs);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "child") == 0) {
        ::Sleep(kChildMs);
        return 0;
    }
    // Both ways start the same program, and neither pays for finding it while timed.
    const std::string self = SelfPath();
    const std::string command = "\"" + self + "\" child";
    kr8::LaunchAppSychronousWin32 launcher;
    std::printf("Waiting for a program that runs %lu ms: this process's processor time\n",
                static_cast<unsigned long>(kChildMs));
    std::printf("  %-44s %11s %11s %8s\n", "", "wall", "processor", "of a core");
    for (int round = 0; round < 2; ++round) {
        Print("polling with a zero time-out", Measure([&] { PollingRunAndWait(command); }));
        Print("RunAndWait (sleeps on process and messages)",
              Measure([&] { launcher.RunAndWait(self, "child"); }));
    }
    return 0;
}
