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

// Splitting follows the system's CommandLineToArgvW, whose answers for these lines are the
// expectations; switches come after the program name, which is never one.
TEST(CommandLine, SwitchesPathsAndUsageErrors) {
    const std::pair<std::string, std::string> cases[] = {
        // The window.
        {"kr8finder.exe", ""},
        {"\"C:\\Program Files\\kr8finder.exe\"  \t ", ""},
        {"C:\\kr8\\-scan.exe", ""},
        // The unattended scan: "/" or "-", any case, blanks or tabs between.
        {"\"C:\\a b\\kr8finder.exe\"/Scan", "scan"},
        {"kr8finder.exe\t/sCaN\t-LoG\tC:\\kr8.log", "scan log=C:\\kr8.log"},
        {"kr8finder.exe /log C:\\kr8.log \"/scan\"", "scan log=C:\\kr8.log"},
        // Paths: quotes, backslashes before quotes, other scripts' characters.
        {"k.exe /scan /log C:\\a\" b\"\\c.log", "scan log=C:\\a b\\c.log"},
        {"k.exe /scan /log \"C:\\logs\\\\\"", "scan log=C:\\logs\\"},
        {"k.exe /scan /log \"C:\\logs\\\" x", "scan log=C:\\logs\" x"},
        {"k.exe /scan /log \"say \"\"hi\"\".log\"", "scan log=say \"hi.log"},
        {"k.exe /scan /log \"\xD0\x96 \xF0\x9F\x98\x80.log\"",
         "scan log=\xD0\x96 \xF0\x9F\x98\x80.log"},
        // Usage errors, with /scan (nothing shown) and without (the usage box).
        {"k.exe /scan /bogus", "scan error"},
        {"k.exe /scan /log \"a \"\"b\"\" c\"", "scan error log=a \"b"},
        {"k.exe /bogus", "error"},
        {"k.exe /scan extra", "scan error"},
        {"k.exe scan", "error"},
        {"k.exe /scan:now", "error"},
        {"k.exe /scan /log", "scan error"},
        {"k.exe /scan /log -scan", "scan error"},
        {"k.exe /log C:\\kr8.log", "error log=C:\\kr8.log"},
        {"k.exe /scan /log a /log b", "scan error log=a"},
        // Putting a backup back.
        {"k.exe /RESTORE \"C:\\KR8 Backup\\2026-12-07 14.05.31\"",
         "restore=C:\\KR8 Backup\\2026-12-07 14.05.31"},
        {"k.exe /restore", "error"},
        {"k.exe /restore a /restore b", "error restore=a"},
        {"k.exe /scan /restore a", "scan error restore=a"},
    };
    for (const auto& [line, read] : cases) {
        const CommandLine c = ParseCommandLine(line);
        EXPECT_EQ(std::string(c.scan ? "scan " : "") + (c.usageError ? "error " : "") +
                      (c.logPath ? "log=" + *c.logPath + " " : "") +
                      (c.restoreFolder ? "restore=" + *c.restoreFolder + " " : ""),
                  read.empty() ? read : read + " ")
            << line;
    }
}

// The process list may name a program by its full path; a name that only ends like the target is
// another program. (Letter case is the process seam's test's, under Wine.)
TEST(ExeNameMatches, TheWholeFileNameAfterAnyFolder) {
    for (const char* exe : {"C:\\WINDOWS\\system32\\rundll32.exe", "/bin/rundll32.exe"}) {
        EXPECT_TRUE(ExeNameMatches(exe, "rundll32.exe")) << exe;
    }
    for (const char* exe : {"rundll32.exe.bak", "rundll32.ex", "myrundll32.exe", ""}) {
        EXPECT_FALSE(ExeNameMatches(exe, "rundll32.exe")) << exe;
    }
    EXPECT_FALSE(ExeNameMatches("", ""));
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
        EXPECT_TRUE(sid && sid->authority == 5 &&
                    sid->subAuthorities == (std::vector<std::uint32_t>{32, 544}))
            << group;
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
