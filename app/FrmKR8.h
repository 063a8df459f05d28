// The main window's logic: its state, its load step and its click handlers. The handlers reach
// the machine and the screen only through the seams handed in, so the same code runs against
// Win32 in the program and against memory in the unit tests.
#pragma once

#include <cstdint>
#include <string>

#include "app/FileListBox.h"
#include "app/MessageBoxes.h"
#include "app/WindowControls.h"
#include "sys/Clock.h"
#include "sys/CommonFunction.h"
#include "sys/EllReg.h"
#include "sys/FileSystem.h"
#include "sys/OS_Detect.h"

namespace kr8 {

// What the handlers act on besides the window.
struct Machine {
    EllReg& reg;
    OS_Detect& os;
    CommonFunction& folders;
    FileSystem& files;
    Clock& clock;
};

class FrmKR8 {
  public:
    FrmKR8(WindowControls& controls, MessageBoxes& boxes, const Machine& machine);

    // The load step. False when the platform is refused: the caller then ends the process
    // without showing the window.
    bool Form_Load();

    void CmdFind_Click();

    // Window-level state, kept for the life of the process.
    std::string GuardianKeyName;
    std::string UserAgentString;
    // The value name behind UserAgentString, as the registry holds it.
    std::string UserAgentValueName;

    FileListBox File1;

  private:
    void ScanFiles(std::string& report);
    void ScanRegistry(std::string& report);

    WindowControls& controls_;
    MessageBoxes& boxes_;
    Machine machine_;
};

}  // namespace kr8
