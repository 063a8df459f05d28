// The process: the Win32 seams, the command line, and either the unattended scan or the window
// and its message loop.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "app/CommandLine.h"
#include "app/FrmKR8.h"
#include "app/RestoreText.h"
#include "app/Texts.h"
#include "app/UnattendedScan.h"
#include "app/win32/MainWindow.h"
#include "app/win32/OtherWindows.h"
#include "app/win32/Win32Machine.h"
#include "sys/win32/Wide.h"

namespace {

// The whole command line in UTF-8, so that a path in any script reaches the scan unchanged.
// Windows 9x may leave the wide form empty; the ANSI form still carries the switches, and that
// platform is refused in any case.
std::string CommandLineUtf8() {
    const wchar_t* wide = GetCommandLineW();
    if (wide != nullptr && *wide != L'\0') {
        return kr8::Narrow(wide, std::wcslen(wide));
    }
    const char* ansi = GetCommandLineA();
    return ansi != nullptr ? ansi : "";
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    // Only the list-view needs registering. ICC_STANDARD_CLASSES is known from version 6 on only,
    // and an unknown class makes the whole call fail on version 5.8 (Windows 2000, XP unstyled).
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);

    kr8::win32::Win32Machine seams;
    const kr8::Machine& machine = seams.machine;

    kr8::win32::MainWindow window(instance, machine);
    const kr8::CommandLine command = kr8::ParseCommandLine(CommandLineUtf8());
    if (command.usageError) {
        // Whoever asked for the unattended scan may be a script: nobody to close a box.
        if (!command.scan) {
            window.Show(kr8::text::kUsage, kr8::MsgButtons::Ok, kr8::MsgIcon::Exclamation, "");
        }
        return kr8::kExitFailed;
    }
    if (command.offlineFolder) {
        return kr8::win32::RunOnOtherWindows(instance, command, seams, showCommand);
    }
    if (command.scan) {
        return kr8::RunUnattendedScan(machine, command.logPath);
    }
    if (command.restoreFolder) {
        // For a helper who guides the user by text: the same boxes as the menu's restore.
        if (!window.Form().AcceptsPlatform()) {
            return kr8::kExitFailed;
        }
        // A folder typed with a closing backslash is the same folder.
        std::string folder = *command.restoreFolder;
        while (folder.size() > 3 && folder.back() == '\\') {
            folder.pop_back();
        }
        return kr8::RestoreAndTell(folder, seams.files, seams.store, seams.folders, window)
                   ? 0
                   : kr8::kExitFailed;
    }
    if (!window.Load()) {
        return 0;
    }
    // What the shell opens belongs to the window, which exists only from here on.
    seams.shell.SetOwner(window.Handle());
    window.Display(showCommand);
    return window.Run();
}
