// Every seam of the machine on Win32, wired as the handlers take them: the program and the
// benchmarks that time it on the real seams start from the same set.
#pragma once

#include "app/FrmKR8.h"
#include "remove/win32/KillProcessWin32.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "remove/win32/ShutDownNTWin32.h"
#include "sys/Clock.h"
#include "sys/win32/BackupStoreWin32.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"
#include "sys/win32/ResourcesWin32.h"
#include "sys/win32/ShellWin32.h"
#include "sys/win32/SystemWin32.h"

namespace kr8::win32 {

struct Win32Machine {
    EllRegWin32 reg;
    OS_DetectWin32 os;
    CommonFunctionWin32 folders;
    FileSystemWin32 files;
    KillProcessWin32 processes;
    LaunchAppSychronousWin32 launcher;
    ShutDownNTWin32 restart;
    ShellWin32 shell;
    ResourcesWin32 resources;
    BackupStoreWin32 store;
    const Machine machine{reg,      os,      folders, files,     SteadyClock(), processes,
                          launcher, restart, shell,   resources, store};
};

}  // namespace kr8::win32
