// The unattended scan against the window's Find, inside one process on the machine it runs on
// (the bench script seeds it with the demo infection): the real seams, the real window shown,
// runs interleaved. A process start under Wine varies by more than either scan takes, so only
// here do the scans themselves come out apart. It prints figures and judges nothing.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/UnattendedScan.h"
#include "app/win32/MainWindow.h"
#include "app/win32/Win32Machine.h"

namespace {

constexpr int kRuns = 25;

void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

double Ms(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace

int main() {
    kr8::win32::Win32Machine seams;
    const kr8::Machine& machine = seams.machine;

    kr8::win32::MainWindow window(::GetModuleHandleW(nullptr), machine);
    if (!window.Load()) {
        std::fprintf(stderr, "the window could not be created (no display?)\n");
        return 1;
    }
    window.Display(SW_SHOWNORMAL);
    Pump();
    const std::string log = seams.folders.GetTempFolder() + "\\kr8bench.log";
    int exitCode = -1;
    const std::vector<std::function<void()>> works = {
        [&] { exitCode = kr8::RunUnattendedScan(machine, log); },
        [&] {
            window.Form().Click(kr8::Button::CmdFind);
            Pump();
        },
    };
    // One untimed round first: the first scan pays for what later ones find cached.
    for (const auto& work : works) {
        work();
    }
    std::vector<double> times[2];
    for (int run = 0; run < kRuns; ++run) {
        for (std::size_t k = 0; k < works.size(); ++k) {
            const std::size_t which = (static_cast<std::size_t>(run) + k) % works.size();
            times[which].push_back(Ms(works[which]));
        }
    }
    seams.files.RemoveFile(log);
    const double unattended = Median(times[0]);
    const double find = Median(times[1]);
    std::printf("In one process, %d runs each, interleaved, medians (exit code %d):\n", kRuns,
                exitCode);
    std::printf("  %-56s %8.2f ms\n", "the unattended scan and its log", unattended);
    std::printf("  %-56s %8.2f ms  (%.2fx the unattended scan)\n",
                "the window's Find, its controls and captions drawn", find, find / unattended);
    return 0;
}
