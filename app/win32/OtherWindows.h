// The program working on another disk's Windows (/offline): its hive loaded for the whole run,
// its files reached without following links, and the window, the unattended scan or a restore
// acting on it.
#pragma once

#include <windows.h>

#include "app/CommandLine.h"
#include "app/win32/Win32Machine.h"

namespace kr8::win32 {

// Runs what the command line asks on the Windows in its offline folder; answers the exit code.
// A refusal is told in a box, or for the unattended scan in its log, and changes nothing.
int RunOnOtherWindows(HINSTANCE instance, const CommandLine& command, Win32Machine& own,
                      int showCommand);

}  // namespace kr8::win32
