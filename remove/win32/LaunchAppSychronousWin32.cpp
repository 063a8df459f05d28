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

// Sleeps until the process ends or a message arrives, so the wait costs no processor time. A
// quit request ends the wait: the user is leaving, and the program is left to itself.
RunResult WaitForProcessEnd(PROCESS_INFORMATION& info) {
    ::WaitForInputIdle(info.hProcess, INFINITE);
    const UniqueHandle thread(info.hThread);
    const UniqueHandle process(info.hProcess);
    std::optional<int> quitCode;
    RunResult result{RunOutcome::Ended, 0};
    for (;;) {
        const DWORD woke =
            ::MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) {
            break;  // the process ended, or the wait failed
        }
        PumpWaitingMessages(quitCode);
        if (quitCode) {
            result.outcome = RunOutcome::Abandoned;
            break;
        }
    }
    if (quitCode) {
        ::PostQuitMessage(*quitCode);
        return result;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process.get(), &code) || code == STILL_ACTIVE) {
        code = STILL_ACTIVE;
    }
    result.exitCode = code;
    return result;
}

}  // namespace

RunResult LaunchAppSychronousWin32::RunAndWait(const std::string& program,
                                               const std::string& arguments) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    // The program goes by its full path, quoted, so that a blank in it cannot start another.
    const std::string commandLine = "\"" + program + "\" " + arguments;
    // CreateProcessA may write into the command line it is given.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (program.find('\0') != std::string::npos ||
        !::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                          NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &info)) {
        return {};
    }
    return WaitForProcessEnd(info);
}

}  // namespace kr8
