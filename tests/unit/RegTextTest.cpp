#include <gtest/gtest.h>

#include <string>

#include "app/LogFile.h"
#include "sys/EllReg.h"
#include "sys/RegText.h"
#include "sys/Utf.h"

namespace kr8 {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

struct TextCase {
    const char* what;
    std::uint32_t type;
    std::string bytes;
    BinaryAs binary;
    std::string expected;
};

TEST(RegDataText, TurnsEachTypeIntoItsText) {
    const TextCase cases[] = {
        {"dword 126", RegType::Dword, Bytes({126, 0, 0, 0}), BinaryAs::Hex, "126"},
        {"dword 5 padded", RegType::Dword, Bytes({5, 0, 0, 0}), BinaryAs::Hex, "005"},
        {"dword 0", RegType::Dword, Bytes({0, 0, 0, 0}), BinaryAs::Hex, "000"},
        {"dword 70000", RegType::Dword, Bytes({0x70, 0x11, 0x01, 0}), BinaryAs::Hex, "70000"},
        {"dword max", RegType::Dword, Bytes({255, 255, 255, 255}), BinaryAs::Hex, "4294967295"},
        {"dword short data", RegType::Dword, Bytes({1, 1}), BinaryAs::Hex, "257"},
        {"dword as enumerated", RegType::Dword, Bytes({126, 0, 0, 0}), BinaryAs::Characters, "126"},
        {"binary hex", RegType::Binary, Bytes({1, 171}), BinaryAs::Hex, "01AB"},
        {"binary hex keeps zeros", RegType::Binary, Bytes({1, 171, 0}), BinaryAs::Hex, "01AB00"},
        {"binary empty", RegType::Binary, "", BinaryAs::Hex, ""},
        {"binary as characters", RegType::Binary, "ab", BinaryAs::Characters, "ab"},
        {"string", RegType::Sz, std::string("abc\0", 4), BinaryAs::Hex, "abc"},
        {"string without terminator keeps its last character", RegType::Sz, "abc", BinaryAs::Hex,
         "abc"},
        {"empty string", RegType::Sz, std::string("\0", 1), BinaryAs::Hex, ""},
        {"no data", RegType::Sz, "", BinaryAs::Hex, ""},
        {"expand string not expanded", RegType::ExpandSz, std::string("%TEMP%\0", 7), BinaryAs::Hex,
         "%TEMP%"},
        {"multi string keeps inner NULs", RegType::MultiSz, std::string("a\0b\0\0", 5),
         BinaryAs::Hex, std::string("a\0b\0", 4)},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(RegDataText(c.type, c.bytes, c.binary), c.expected) << c.what;
    }
}

TEST(RegDataText, TrimsBlanksOnly) {
    EXPECT_EQ(TrimTrailingBlanks("abc  "), "abc");
    EXPECT_EQ(TrimTrailingBlanks("   "), "");
    EXPECT_EQ(TrimTrailingBlanks(std::string("a\0 ", 3)), std::string("a\0", 2));
    EXPECT_EQ(TrimTrailingBlanks("a\t"), "a\t");
    EXPECT_EQ(TrimBlanks("  x y  "), "x y");
    EXPECT_EQ(TrimBlanks("    "), "");
}

}  // namespace
}  // namespace kr8

namespace kr8 {
namespace {

// Every name the platform can hold comes back to it unchanged, lone surrogates included.
TEST(Utf, NamesRoundTripThroughUtf8Exactly) {
    const std::u16string names[] = {
        u"plain.dll",
        u"\u6f22.dll",
        u"\u03b2f.dll",
        u"\uff0a\uff02",
        u"a\0b",
        u"\U0001F600",
        std::u16string(1, char16_t(0xD800)) + u"x",  // lone high surrogate
        std::u16string(1, char16_t(0xDC00)),         // lone low surrogate
    };
    for (const std::u16string& name : names) {
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
