// The form on the in-memory machine, with the window's controls and boxes in memory, and the
// paths the unit tests name.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "sys/Utf.h"
#include "tests/fakes/FakeMachine.h"
#include "tests/fakes/FakeWindow.h"

namespace kr8::test {

using Strings = std::vector<std::string>;

inline const std::string kNotifyPath =
    "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
inline const std::string kPostPlatformPath =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post "
    "Platform";

// A string value's bytes as the registry holds them: UTF-16LE with the terminating NUL.
template <std::size_t N>
std::string Sz(const char16_t (&units)[N]) {
    return LittleEndianBytes(std::u16string(units, N));
}

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
    // Adware-sized files in the system folder, found by a scan; their paths in list order.
    Strings Infect(const Strings& names) {
        Strings paths;
        for (const std::string& name : names) {
            paths.push_back(SystemPath(name));
            files.AddFile(paths.back(), 320872);
        }
        LoadAndFind();
        boxes.shown.clear();
        return paths;
    }
    void TickAll() {
        for (auto& entry : controls.list) {
            entry.checked = true;
        }
    }
};

}  // namespace kr8::test
