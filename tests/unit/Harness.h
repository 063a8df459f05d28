// The form on the in-memory machine, and the paths the unit tests name.
#pragma once

#include <string>

#include "tests/fakes/FakeMachine.h"

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

struct Harness : fake::FormOn<fake::FakeMachine> {
    std::string LastKey() {
        auto v = reg.Get(kRegeditPath, "LastKey");
        return v ? v->bytes : "<none>";
    }
};

}  // namespace kr8::test
