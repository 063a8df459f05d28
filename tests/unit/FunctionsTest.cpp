// The program's pure functions, each over a table of the inputs that once went wrong or could.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/LogFile.h"
#include "remove/KillProcess.h"
#include "repair/ntrights/RightsCommand.h"
#include "sys/Utf.h"

namespace kr8 {
namespace {

struct CommandLineCase {
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
    const CommandLineCase cases[] = {
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
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const CommandLine parsed = ParseCommandLine(c.line);
        EXPECT_EQ(parsed.scan, c.scan);
        EXPECT_EQ(parsed.usageError, c.usageError);
        EXPECT_EQ(parsed.logPath, c.logPath);
        EXPECT_EQ(parsed.restoreFolder, c.restoreFolder);
    }
}

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

TEST(RightsCommand, ReadsGrantOrRevokeOfOneRightForOneAccountAndNothingElse) {
    using Args = std::vector<std::string>;
    const std::pair<Args, std::string> cases[] = {
        {{"+r", "SeDebugPrivilege", "-u", "Administrators"}, "+SeDebugPrivilege Administrators"},
        {{"-u", "Guest", "-r", "SeShutdownPrivilege"}, "-SeShutdownPrivilege Guest"},
        {{}, ""},
        {{"+r", "SeDebugPrivilege", "-u"}, ""},
        {{"+r", "", "-u", "Administrators"}, ""},
        {{"+r", "A", "-r", "B", "-u", "Administrators"}, ""},
        {{"+r", "A", "-u", "x", "-u", "y"}, ""},
        {{"+x", "A", "-u", "x"}, ""},
        {{"+r", "A", "-u", "x", "extra"}, ""},
    };
    for (const auto& [arguments, read] : cases) {
        const auto c = ntrights::ParseRightsCommand(arguments);
        EXPECT_EQ(c ? (c->grant ? "+" : "-") + c->right + " " + c->account : "", read)
            << ::testing::PrintToString(arguments);
    }
}

// The group's name differs with the language of Windows; its identifier does not.
TEST(RightsCommand, NamesTheAdministratorsGroupByItsIdentifierAndOtherAccountsByName) {
    for (const char* group : {"Administrators", "administrators", "BUILTIN\\Administrators"}) {
        const auto sid = ntrights::WellKnownAccount(group);
        ASSERT_TRUE(sid) << group;
        EXPECT_EQ(sid->authority, 5) << group;
        EXPECT_EQ(sid->subAuthorities, (std::vector<std::uint32_t>{32, 544})) << group;
    }
    for (const char* other : {"Users", "Administrator", "Administrators ", ""}) {
        EXPECT_FALSE(ntrights::WellKnownAccount(other)) << other;
    }
}

// Every name the platform can hold comes back to it unchanged, lone surrogates included.
TEST(Utf, NamesRoundTripThroughUtf8Exactly) {
    for (const std::u16string& name :
         {std::u16string(u"\u6f22\u03b2\uff0a"), std::u16string(u"a\0b", 3),
          std::u16string(u"\U0001F600"), std::u16string(1, char16_t(0xD800)) + u"x",
          std::u16string(1, char16_t(0xDC00))}) {
        EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(name)), name);
    }
    EXPECT_EQ(Utf8FromUtf16(u"\u6f22"), "\xe6\xbc\xa2");
    EXPECT_EQ(Utf16FromUtf8("\xff\xc3"), std::u16string(2, char16_t(0xFFFD)));
}

TEST(LogFile, AnAsciiReportKeepsItsBytesAnyOtherBecomesUtf16) {
    EXPECT_EQ(LogFileBytes("abc"),
              "Log for KR8.BetterInternet File Finder (msg126)\r\n\r\nabc\r\n");
    const std::string wide = LogFileBytes("\xe6\xbc\xa2");
    EXPECT_EQ(wide.substr(0, 4), std::string("\xff\xfeL\0", 4));
    EXPECT_EQ(wide.substr(wide.size() - 6), std::string("\x22\x6f\r\0\n\0", 6));
}

}  // namespace
}  // namespace kr8
