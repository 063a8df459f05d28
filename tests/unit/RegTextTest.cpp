#include <gtest/gtest.h>

#include <string>

#include "sys/EllReg.h"
#include "sys/RegText.h"

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
