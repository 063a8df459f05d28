// A FrmKR8 wired to in-memory seams.
#pragma once

#include <string>

#include "app/FrmKR8.h"
#include "tests/fakes/FakeMachine.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeWindow.h"

namespace kr8::test {

inline const std::string kNotifyPath =
    "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
inline const std::string kPostPlatformPath =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post "
    "Platform";
inline const std::string kRegeditPath =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

inline std::string SystemPath(const std::string& name) {
    return std::string(fake::kSystem) + "\\" + name;
}
inline std::string TempPath(const std::string& name) {
    return std::string(fake::kTemp) + "\\" + name;
}

struct Harness {
    fake::FakeControls controls;
    fake::FakeBoxes boxes;
    fake::FakeRegistry reg;
    fake::FakeOs os;
    fake::FakeFiles files;
    fake::FakeClock clock;
    fake::FakeProcesses processes;
    fake::FakeLauncher launcher;
    fake::FakeRestart restart;
    fake::FakeShell shell;
    fake::FakeResources resources;
    FrmKR8 form{controls, boxes,
                Machine{reg, os, os, files, clock, processes, launcher, restart, shell, resources}};

    // Starts the program as the process does and clicks Find.
    void LoadAndFind() {
        form.Form_Load();
        form.CmdFind_Click();
    }

    std::string LastKey() {
        auto v = reg.Get(kRegeditPath, "LastKey");
        return v ? v->bytes : "<none>";
    }
};

}  // namespace kr8::test
