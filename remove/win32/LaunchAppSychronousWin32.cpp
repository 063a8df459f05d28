#include "remove/win32/LaunchAppSychronousWin32.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "sys/win32/Handles.h"
#include "sys/win32/Wide.h"

namespace kr8 {

namespace {

// Handles every message waiting for this thread. A quit request is kept in quitCode for the
// main loop: put back at once, it would wake the wait again straight away, over and over.
void PumpWaitingMessages(std::optional<int>& quitCode) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Sleeps until the process ends or a message arrives, so the wait costs no processor time. A
// quit request ends the wait: the user is leaving, and the program is left to itself. Messages
// already queued are handled first: the wait would take them as seen and sleep on.
RunResult WaitForProcessEnd(HANDLE process) {
    std::optional<int> quitCode;
    for (;;) {
        PumpWaitingMessages(quitCode);
        if (quitCode) {
            ::PostQuitMessage(*quitCode);
            return {RunOutcome::Abandoned, 0};
        }
        const DWORD woke =
            ::MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) {
            break;  // the process ended, or the wait failed
        }
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) {
        code = STILL_ACTIVE;
    }
    return {RunOutcome::Ended, code};
}

}  // namespace

RunResult LaunchAppSychronousWin32::RunAndWait(const std::string& program,
                                               const std::string& arguments) {
    // A quit that came before the start (the user left while a message box was up) is honoured
    // without starting anything.
    MSG pending;
    if (::PeekMessageW(&pending, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        ::PostQuitMessage(static_cast<int>(pending.wParam));
        return {RunOutcome::Abandoned, 0};
    }
    if (!Addressable(program)) {
        return {};
    }
    const std::wstring application = Wide(program);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    // The program goes by its full path, both as the program to start and quoted on its command
    // line, so that a blank in the path cannot start another.
    std::wstring line = L"\"" + application + L"\" " + Wide(arguments);
    // CreateProcessW may write into the command line it is given.
    line.push_back(L'\0');
    if (!::CreateProcessW(application.c_str(), &line[0], nullptr, nullptr, FALSE,
                          NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &info)) {
        return {};
    }
    const UniqueHandle thread(info.hThread);
    const UniqueHandle process(info.hProcess);
    return WaitForProcessEnd(process.get());
}

}  // namespace kr8
