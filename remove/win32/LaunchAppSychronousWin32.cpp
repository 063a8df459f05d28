#include "remove/win32/LaunchAppSychronousWin32.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "sys/win32/Handles.h"

namespace kr8 {

namespace {

// Handles every message waiting for this thread. A quit request is kept in quitCode for the
// main loop: put back at once, it would wake the wait again straight away, over and over.
void PumpWaitingMessages(std::optional<int>& quitCode) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// Sleeps until the process ends or a message arrives, so the wait costs no processor time.
void WaitForProcessEnd(PROCESS_INFORMATION& info) {
    ::WaitForInputIdle(info.hProcess, INFINITE);
    const UniqueHandle thread(info.hThread);
    const UniqueHandle process(info.hProcess);
    std::optional<int> quitCode;
    for (;;) {
        const DWORD woke =
            ::MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) {
            break;  // the process ended, or the wait failed
        }
        PumpWaitingMessages(quitCode);
    }
    if (quitCode) {
        ::PostQuitMessage(*quitCode);
    }
}

}  // namespace

bool LaunchAppSychronousWin32::RunAndWait(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    // CreateProcessA may write into the command line it is given.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                          nullptr, nullptr, &startup, &info)) {
        return false;
    }
    WaitForProcessEnd(info);
    return true;
}

}  // namespace kr8
