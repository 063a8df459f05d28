#include <gtest/gtest.h>

#include <string>

#include "app/LogFile.h"
#include "sys/EllReg.h"
#include "sys/RegText.h"
#include "sys/Utf.h"

namespace kr8 {
namespace {

TEST(RegDataText, TurnsEachTypeIntoItsText) {
    const struct {
        std::uint32_t type;
        std::string bytes;
        BinaryAs binary;
        std::string text;
    } cases[] = {
        {RegType::Dword, std::string("\x7e\0\0\0", 4), BinaryAs::Hex, "126"},
        {RegType::Dword, std::string("\x05\0\0\0", 4), BinaryAs::Hex, "005"},
        {RegType::Dword, "\xff\xff\xff\xff", BinaryAs::Characters, "4294967295"},
        {RegType::Dword, "\x01\x01", BinaryAs::Hex, "257"},
        {RegType::Binary, std::string("\x01\xab\0", 3), BinaryAs::Hex, "01AB00"},
        {RegType::Binary, "ab", BinaryAs::Characters, "ab"},
        {RegType::Sz, std::string("abc\0", 4), BinaryAs::Hex, "abc"},
        {RegType::Sz, "abc", BinaryAs::Hex, "abc"},
        {RegType::ExpandSz, std::string("%TEMP%\0", 7), BinaryAs::Hex, "%TEMP%"},
        {RegType::MultiSz, std::string("a\0b\0\0", 5), BinaryAs::Hex, std::string("a\0b\0", 4)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RegDataText(c.type, c.bytes, c.binary), c.text) << c.type << " " << c.bytes;
    }
    EXPECT_EQ(TrimTrailingBlanks(std::string("a\0\t  ", 5)), std::string("a\0\t", 3));
    EXPECT_EQ(TrimBlanks("  x y  "), "x y");
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
