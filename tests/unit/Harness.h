// A FrmKR8 wired to in-memory seams.
#pragma once

#include <string>
#include <vector>

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

struct Harness : fake::FakeMachine {
    fake::FakeControls controls;
    fake::FakeBoxes boxes;
    FrmKR8 form{controls, boxes, machine};

    // Starts the program as the process does and clicks Find.
    void LoadAndFind() {
        form.Form_Load();
        form.CmdFind_Click();
    }

    std::vector<std::string> Prompts() const {
        std::vector<std::string> prompts;
        for (const auto& box : boxes.shown) {
            prompts.push_back(box.prompt);
        }
        return prompts;
    }

    std::string LastKey() {
        auto v = reg.Get(kRegeditPath, "LastKey");
        return v ? v->bytes : "<none>";
    }
};

}  // namespace kr8::test
