// The process: the Win32 seams, the window, and its message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/FrmKR8.h"
#include "app/win32/MainWindow.h"
#include "remove/win32/KillProcessWin32.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "remove/win32/ShutDownNTWin32.h"
#include "sys/Clock.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"
#include "sys/win32/ResourcesWin32.h"
#include "sys/win32/ShellWin32.h"
#include "sys/win32/SystemWin32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    // Only the list-view needs registering. ICC_STANDARD_CLASSES is known from version 6 on only,
    // and an unknown class makes the whole call fail on version 5.8 (Windows 2000, XP unstyled).
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);

    kr8::EllRegWin32 reg;
    kr8::OS_DetectWin32 os;
    kr8::CommonFunctionWin32 folders;
    kr8::FileSystemWin32 files;
    kr8::KillProcessWin32 processes;
    kr8::LaunchAppSychronousWin32 launcher;
    kr8::ShutDownNTWin32 restart;
    kr8::ShellWin32 shell;
    kr8::ResourcesWin32 resources;
    const kr8::Machine machine{reg,       os,       folders, files, kr8::SteadyClock(),
                               processes, launcher, restart, shell, resources};

    kr8::win32::MainWindow window(instance, machine);
    if (!window.Load()) {
        return 0;
    }
    // What the shell opens belongs to the window, which exists only from here on.
    shell.SetOwner(window.Handle());
    window.Display(showCommand);
    return window.Run();
}
