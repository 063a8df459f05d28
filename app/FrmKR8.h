// The main window's logic: its state, its load step and its click handlers. The handlers reach
// the machine and the screen only through the seams handed in, so the same code runs against
// Win32 in the program and against memory in the unit tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FileListBox.h"
#include "app/MessageBoxes.h"
#include "app/WindowControls.h"
#include "remove/Backup.h"
#include "remove/KillProcess.h"
#include "remove/LaunchAppSychronous.h"
#include "remove/Restore.h"
#include "remove/ShutDownNT.h"
#include "scan/Findings.h"
#include "sys/BackupStore.h"
#include "sys/Clock.h"
#include "sys/CommonFunction.h"
#include "sys/EllReg.h"
#include "sys/FileSystem.h"
#include "sys/OS_Detect.h"
#include "sys/Resources.h"
#include "sys/Shell.h"

namespace kr8 {

// What the handlers act on besides the window: each seam, its interface and its Win32 side.
// The in-memory sides are in tests/fakes/FakeMachine.h and FakeRegistry.h.
struct Machine {
    EllReg& reg;                    // sys/EllReg.h, sys/win32/EllRegWin32.cpp
    OS_Detect& os;                  // sys/OS_Detect.h, sys/win32/SystemWin32.cpp
    CommonFunction& folders;        // sys/CommonFunction.h, sys/win32/SystemWin32.cpp
    FileSystem& files;              // sys/FileSystem.h, sys/win32/FileSystemWin32.cpp
    Clock& clock;                   // sys/Clock.h, sys/SteadyClock.cpp
    KillProcess& processes;         // remove/KillProcess.h, remove/win32/KillProcessWin32.cpp
    LaunchAppSychronous& launcher;  // remove/LaunchAppSychronous.h, remove/win32/Launch…Win32.cpp
    ShutDownNT& restart;            // remove/ShutDownNT.h, remove/win32/ShutDownNTWin32.cpp
    Shell& shell;                   // sys/Shell.h, sys/win32/ShellWin32.cpp
    Resources& resources;           // sys/Resources.h, sys/win32/ResourcesWin32.cpp
    BackupStore& store;             // sys/BackupStore.h, sys/win32/BackupStoreWin32.cpp
};

class FrmKR8 {
  public:
    FrmKR8(WindowControls& controls, MessageBoxes& boxes, const Machine& machine);

    // The load step. False when the platform is refused: the caller then ends the process
    // without showing the window.
    bool Form_Load();
    // The load step's platform check alone, for what runs without the window: false, after
    // telling the user, on a platform other than NT.
    bool AcceptsPlatform();

    // From here on the handlers act on another disk's Windows, which the seams reach, from this
    // one. Nothing of it runs: no process is ended (this Windows' own would be), nothing is
    // handed to a restart (this Windows' own), no program of its disk is started, and this
    // Windows' editor setting, policy and editor are not its. ownWindowsFolder is the running
    // Windows' folder, whose Notepad shows that Windows' hosts file; ownTempFolder the running
    // Windows' temporary folder, where Make Log writes, as without /offline.
    void ActOnOtherWindows(const std::string& ownWindowsFolder, const std::string& ownTempFolder);
    bool OnOtherWindows() const { return ownWindowsFolder_.has_value(); }
    // The window's caption, which names that other Windows when there is one.
    std::string Caption() const;

    // A click on one of the window's buttons. While a handler runs (it may be waiting for an
    // outside program, with the window's messages still handled), further clicks are dropped:
    // a second handler would act on a list that is changing under the first.
    void Click(Button button);
    bool Busy() const { return busy_; }

    void CmdFind_Click();     // "Click to Find KR8.BetterInternet", scan/FileScan.cpp + Registry…
    void CmdFix_Click();      // "Delete these files", remove/CmdFix.cpp
    void CmdLog_Click();      // "Make Log", app/CmdLog.cpp
    void CmdGuard_Click();    // "Guardian .reg", repair/CmdGuard.cpp
    void CmdUAS_Click();      // "User Agent$", repair/CmdUAS.cpp
    void CmdPol_Click();      // "Restore Policy", repair/CmdPol.cpp
    void CmdHosts_Click();    // "Hosts Log", repair/Shortcuts.cpp
    void CmdRegedit_Click();  // "Open Regedit", repair/Shortcuts.cpp

    // "Restore from backup…" on the system menu: pick is shown the folders of KR8 Backup, the
    // backups first and newest first, and answers the one to put back, or nothing. The window
    // then scans again, so that it shows what is back. Dropped, like a click, while a handler
    // runs.
    using BackupPicker =
        std::function<std::optional<std::string>(const std::vector<BackupFolder>& folders)>;
    void RestoreFromMenu(const BackupPicker& pick);

    // What the last Find found, for the buttons that act on it; each Find sets them afresh.
    std::string GuardianKeyName;
    std::string UserAgentString;
    // The value name behind UserAgentString, as the registry holds it.
    std::string UserAgentValueName;
    FileListBox File1;

  private:
    // Shows one scan's findings: the report, the list, the buttons and the editor's LastKey.
    void ShowFindings(const Findings& found);
    // Writes a dummy file of its own and has the system put it in place of path at the next
    // restart; false when any step of that failed.
    bool ScheduleReplacement(const std::string& path);
    // Writes the stored resource to path unless a file is there already, and holds the file so
    // that it cannot change until it has run. Nothing, after telling the user why, when path
    // holds anything but exactly the stored bytes.
    std::unique_ptr<HeldFile> LoadDataIntoFile(int resourceId, const std::string& path);

    // Whether to go on without a backup, after telling the user that none could be made.
    bool RemoveWithoutBackup(const char* prefix, const std::string& name);

    WindowControls& controls_;
    MessageBoxes& boxes_;
    Machine machine_;
    std::optional<std::string> ownWindowsFolder_;
    std::string ownTempFolder_;
    bool busy_ = false;
    // This process's backup of everything it removes.
    Backup backup_{machine_.files, machine_.reg, machine_.store, machine_.folders};
};

}  // namespace kr8
