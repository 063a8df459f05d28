#include <gtest/gtest.h>

#include "remove/KillProcess.h"

namespace kr8 {
namespace {

TEST(ExeNameMatches, TheWholeFileNameInAnyCase) {
    const struct {
        const char* exeFile;
        const char* target;
        bool match;
    } cases[] = {
        {"RunDll32.Exe", "RUNDLL32.EXE", true},
        {"C:\\WINDOWS\\system32\\rundll32.exe", "rundll32.exe", true},
        {"/usr/bin/rundll32.exe", "rundll32.exe", true},
        {"C:\\x\\myrundll32.exe", "rundll32.exe", false},
        {"rundll32.exe.bak", "rundll32.exe", false},
        {"rundll32.ex", "rundll32.exe", false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExeNameMatches(c.exeFile, c.target), c.match) << c.exeFile << " / " << c.target;
    }
}

}  // namespace
}  // namespace kr8
