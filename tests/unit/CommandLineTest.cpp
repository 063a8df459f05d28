#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/CommandLine.h"

namespace kr8 {
namespace {

struct Case {
    std::string line;
    bool scan;
    bool usageError;
    std::optional<std::string> logPath;
    std::optional<std::string> restoreFolder = std::nullopt;
};

// Splitting follows the system's CommandLineToArgvW, whose answers for these lines are the
// expectations; switches come after the program name, which is never one.
TEST(CommandLine, SwitchesPathsAndUsageErrors) {
    const std::optional<std::string> none;
    const Case cases[] = {
        // The window.
        {"kr8finder.exe", false, false, none},
        {"\"C:\\Program Files\\kr8finder.exe\"  \t ", false, false, none},
        {"C:\\kr8\\-scan.exe", false, false, none},
        // The unattended scan: "/" or "-", any case, blanks or tabs between.
        {"kr8finder.exe /scan", true, false, none},
        {"\"C:\\a b\\kr8finder.exe\"/Scan", true, false, none},
        {"kr8finder.exe\t/sCaN\t-LoG\tC:\\kr8.log", true, false, "C:\\kr8.log"},
        {"kr8finder.exe /log C:\\kr8.log /scan", true, false, "C:\\kr8.log"},
        {"kr8finder.exe \"/scan\"", true, false, none},
        // Paths: quotes, backslashes before quotes, other scripts' characters.
        {"k.exe /scan /log \"C:\\Documents and Settings\\x.log\"", true, false,
         "C:\\Documents and Settings\\x.log"},
        {"k.exe /scan /log C:\\a\" b\"\\c.log", true, false, "C:\\a b\\c.log"},
        {"k.exe /scan /log \"C:\\logs\\\\\"", true, false, "C:\\logs\\"},
        {"k.exe /scan /log \"C:\\logs\\\" x", true, false, "C:\\logs\" x"},
        {"k.exe /scan /log a\\\\\\\"b", true, false, "a\\\"b"},
        {"k.exe /scan /log \"say \"\"hi\"\".log\"", true, false, "say \"hi.log"},
        {"k.exe /scan /log \"C:\\Temp\\\xD0\x96 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.log\"",
         true, false, "C:\\Temp\\\xD0\x96 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.log"},
        // Usage errors, with /scan (nothing shown) and without (the usage box).
        {"k.exe /scan /bogus", true, true, none},
        {"k.exe /scan /log \"a \"\"b\"\" c\"", true, true, "a \"b"},
        {"k.exe /bogus", false, true, none},
        {"k.exe /scan extra", true, true, none},
        {"k.exe scan", false, true, none},
        {"k.exe /scan:now", false, true, none},
        {"k.exe /scan /log", true, true, none},
        {"k.exe /log /scan", true, true, none},
        {"k.exe /scan /log -scan", true, true, none},
        {"k.exe /log C:\\kr8.log", false, true, "C:\\kr8.log"},
        {"k.exe /scan /log a /log b", true, true, "a"},
        // Putting a backup back.
        {"k.exe /RESTORE \"C:\\WINDOWS\\KR8 Backup\\2026-12-07 14.05.31\"", false, false, none,
         "C:\\WINDOWS\\KR8 Backup\\2026-12-07 14.05.31"},
        {"k.exe /restore", false, true, none},
        {"k.exe /restore a /restore b", false, true, none, "a"},
        {"k.exe /scan /restore a", true, true, none, "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const CommandLine parsed = ParseCommandLine(c.line);
        EXPECT_EQ(parsed.scan, c.scan);
        EXPECT_EQ(parsed.usageError, c.usageError);
        EXPECT_EQ(parsed.logPath, c.logPath);
        EXPECT_EQ(parsed.restoreFolder, c.restoreFolder);
    }
}

}  // namespace
}  // namespace kr8
