// The program's pure functions, each over a table of the inputs that once went wrong or could.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/LogFile.h"
#include "remove/KillProcess.h"
#include "repair/ntrights/RightsCommand.h"
#include "sys/TerminalText.h"
#include "sys/Utf.h"

namespace kr8 {
namespace {

// Splitting follows the system's CommandLineToArgvW, whose answers for these lines are the
// expectations; switches come after the program name, which is never one.
TEST(CommandLine, SwitchesPathsAndUsageErrors) {
    const std::pair<std::string, std::string> cases[] = {
        // The window.
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
        // Another disk's Windows, with the window, the scan or a restore.
        {"k.exe /Offline \"E:\\WINDOWS\"", "offline=E:\\WINDOWS"},
        {"k.exe -offline E:\\WINDOWS /scan /log C:\\kr8.log",
         "scan log=C:\\kr8.log offline=E:\\WINDOWS"},
        {"k.exe /offline E:\\WINNT /restore a", "restore=a offline=E:\\WINNT"},
        {"k.exe /scan /offline", "scan error"},
        {"k.exe /offline a /offline b", "error offline=a"},
    };
    for (const auto& [line, read] : cases) {
        const CommandLine c = ParseCommandLine(line);
        EXPECT_EQ(std::string(c.scan ? "scan " : "") + (c.usageError ? "error " : "") +
                      (c.logPath ? "log=" + *c.logPath + " " : "") +
                      (c.restoreFolder ? "restore=" + *c.restoreFolder + " " : "") +
                      (c.offlineFolder ? "offline=" + *c.offlineFolder + " " : ""),
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

// One right granted or revoked for one account, and nothing else; the Administrators group is
// named by its identifier, as its name differs with the language of Windows.
TEST(RightsCommand, ReadsOneRightForOneAccountAndKnowsTheAdministratorsByIdentifier) {
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

// Every name the platform can hold comes back to it unchanged, lone surrogates included, and
// each character has one spelling: the decoder takes Markus Kuhn's UTF-8 stress test cases as
// the standard does, but for a lone surrogate, which stands for the platform's unit.
TEST(Utf, NamesRoundTripThroughUtf8ExactlyAndEachHasOneSpelling) {
    const std::u16string high(1, char16_t(0xD800));
    const std::u16string low(1, char16_t(0xDC00));
    for (const std::u16string& name :
         {std::u16string(u"\u6f22\u03b2\uff0a"), std::u16string(u"a\0b", 3), high + u"x", low,
          low + high, high + high + low}) {
        EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(name)), name);
    }
    // The first and last character of each length.
    const std::pair<std::u16string, std::string> encoded[] = {
        {u"\x7f", "\x7f"},
        {u"\u0080", "\xc2\x80"},
        {u"\u07ff", "\xdf\xbf"},
        {u"\u0800", "\xe0\xa0\x80"},
        {u"\uffff", "\xef\xbf\xbf"},
        {u"\U00010000", "\xf0\x90\x80\x80"},
        {u"\U0010ffff", "\xf4\x8f\xbf\xbf"},
    };
    for (const auto& [units, bytes] : encoded) {
        EXPECT_EQ(Utf8FromUtf16(units), bytes);
        EXPECT_EQ(Utf16FromUtf8(bytes), units);
    }
    const auto x = [](std::size_t n) { return std::u16string(n, char16_t(0xFFFD)); };
    const std::pair<std::string, std::u16string> decoded[] = {
        {"\xce\xba\xe1\xbd\xb9\xcf\x83\xce\xbc\xce\xb5", u"\u03ba\u1f79\u03c3\u03bc\u03b5"},
        {std::string(1, '\0'), std::u16string(1, u'\0')},
        {"\xed\x9f\xbf\xee\x80\x80\xef\xbf\xbd\xef\xbf\xbe", u"\ud7ff\ue000\ufffd\ufffe"},
        {"\xf4\x90\x80\x80", x(4)},                               // past U+10FFFF
        {"\xf8\x88\x80\x80\x80\xfc\x84\x80\x80\x80\x80", x(11)},  // five and six bytes
        {"\x80\xbf\xfe\xff", x(4)},  // continuation bytes alone, FE, FF
        {"\xc0 \xe0\x80 \xdf", x(1) + u' ' + x(2) + u' ' + x(1)},  // sequences cut short
        {"\xc0\xaf\xe0\x80\xaf\xf0\x80\x80\xaf", x(9)},            // overlong "/"
        {"\xc1\xbf\xe0\x9f\xbf\xf0\x8f\xbf\xbf", x(9)},            // the largest overlong forms
        {"\xc0\x80\xe0\x80\x80\xf0\x80\x80\x80", x(9)},            // overlong NUL
        {"\xed\xa0\x80\xed\xb0\x80", x(2)},                        // a pair in two three-byte forms
        {"\xed\xbf\xbf\xed\xa0\x80", {0xDFFF, 0xD800}},            // lone units stay themselves
    };
    for (const auto& [bytes, units] : decoded) {
        EXPECT_EQ(Utf16FromUtf8(bytes), units) << testing::PrintToString(bytes);
    }
}

TEST(LogFile, AnAsciiReportKeepsItsBytesAnyOtherBecomesUtf16) {
    EXPECT_EQ(LogFileBytes("abc"),
              "Log for KR8.BetterInternet File Finder (msg126)\r\n\r\nabc\r\n");
    const std::string wide = LogFileBytes("\xe6\xbc\xa2");
    EXPECT_EQ(wide.substr(0, 4), std::string("\xff\xfeL\0", 4));
    EXPECT_EQ(wide.substr(wide.size() - 6), std::string("\x22\x6f\r\0\n\0", 6));
}

// What the adware wrote reaches a terminal as visible escapes, each of which means one thing.
TEST(TerminalText, ControlsAndBrokenUtf8AreShownEscaped) {
    const struct {
        std::string raw, shown;
    } cases[] = {
        {"C:\\WINDOWS\\a.dll\r\nnext", "C:\\WINDOWS\\a.dll\nnext"},
        {"\x1b[2K\x1b]0;t\x07\b\x7f", "\\x1b[2K\\x1b]0;t\\x07\\x08\\x7f"},
        {"a\rb", "a\\x0db"},
        {std::string("n\0ul", 4), "n\\x00ul"},
        {"\x9b\xc2\x9b\xc2\xa0", "\\x9b\\u009b\xc2\xa0"},
        {"\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe6\xbc",
         "\\xc0\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80\\xe6\\xbc"},
        {"\xe6\xbc\xa2 \xf0\x9f\x98\x80", "\xe6\xbc\xa2 \xf0\x9f\x98\x80"},
        {"C:\\x.dll", "C:\\\\x.dll"},
        {"a\\\\b\\", "a\\\\\\b\\"},
        {"a\\\x1b", "a\\\\\\x1b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ForTerminal(c.raw), c.shown) << testing::PrintToString(c.raw);
    }
    EXPECT_EQ(ForTerminalLine("one\ntwo\r\n"), "one\\x0atwo\\x0d\\x0a");
}

}  // namespace
}  // namespace kr8
