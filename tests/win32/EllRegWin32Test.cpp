// The registry seam on the real registry: the text forms, the buffers that must grow, paths past
// Wine's 260-character key buffer, and link keys. Names are the names table's business.
#include "sys/win32/EllRegWin32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sys/win32/Wide.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using namespace std::string_literals;
using test::KeyExists;

class EllRegWin32Test : public ::testing::Test {
  protected:
    void TearDown() override { test::DeleteTree(kRoot, key_); }
    static constexpr RegRoot kRoot = RegRoot::LocalMachine;
    EllRegWin32 reg;
    const std::string key_ = test::UniqueKeyPath(kRoot);
};

// Reads fail past the 2048-byte buffer; enumeration must still give such values whole, and go
// on past them and past the adware's own "Not Found".
TEST_F(EllRegWin32Test, EveryFormReadsAndEnumeratesWhateverItsLength) {
    const struct {
        std::string name;
        DWORD type;
        std::string bytes;
        std::string read;        // ReadRegValue's text
        std::string enumerated;  // GetValueEntry's data
    } forms[] = {
        {"sz trailing blanks", REG_SZ, "abc  \0"s, "abc", "abc  "},
        {"sz without NUL", REG_SZ, "xyz", "xyz", "xyz"},
        {"dword 5", REG_DWORD, test::DwordBytes(5), "005", "005"},
        {"dword max", REG_DWORD, test::DwordBytes(4294967295u), "4294967295", "4294967295"},
        {"binary", REG_BINARY, "\0\xAB"s, "00AB", "\0\xAB"s},
        {"sz 2047", REG_SZ, std::string(2047, 'x') + '\0', std::string(2047, 'x'),
         std::string(2047, 'x')},
        {"sz 2048", REG_SZ, std::string(2048, 'x') + '\0', kNotFound, std::string(2048, 'x')},
        {"binary 2049", REG_BINARY, std::string(2049, 'Z'), kNotFound, std::string(2049, 'Z')},
        {"Not Found", REG_SZ, "Not Found\0"s, kNotFound, kNotFound},
        {std::string(3000, 'N'), REG_SZ, "long name\0"s, "long name", "long name"},
        {"after the long ones", REG_SZ, "after\0"s, "after", "after"},
    };
    for (const auto& f : forms) {
        test::SetRaw(kRoot, key_, f.name, f.type, f.bytes);
    }
    std::vector<ValueEntry> entries;
    for (std::int32_t i = 0; auto entry = reg.GetValueEntry(kRoot, key_, i); ++i) {
        entries.push_back(*entry);
    }
    ASSERT_EQ(entries.size(), std::size(forms));
    for (const auto& f : forms) {
        SCOPED_TRACE(f.name.substr(0, 30));
        EXPECT_EQ(reg.ReadRegValue(kRoot, key_, f.name), f.read);
        bool listed = false;
        for (const ValueEntry& e : entries) {
            listed = listed || (e.name == f.name && e.type == f.type && e.data == f.enumerated);
        }
        EXPECT_TRUE(listed);
    }
}

// With its parent the path passes 260 characters, as one under Winlogon\Notify does; a trailing
// backslash names the same key, and a key goes with everything under it.
TEST_F(EllRegWin32Test, LongPathsAreReachedAndDeletedLikeShortOnes) {
    const std::string name(255, 'k');
    const std::string path = key_ + "\\" + name;
    const std::string valueName(3000, 'v');
    reg.WriteRegValue(kRoot, path + "\\child\\", "Version", RegType::Sz, "126 deep");
    reg.WriteRegValue(kRoot, path + "\\", valueName, RegType::Sz, "126 long");
    EXPECT_EQ(test::GetRaw(kRoot, path + "\\child", "Version")->bytes, "126 deep\0"s);
    EXPECT_EQ(reg.ReadRegValue(kRoot, path + "\\", valueName), "126 long");
    EXPECT_EQ(reg.GetSubKeyName(kRoot, key_, 0), name);
    EXPECT_EQ(reg.GetSubKeyName(kRoot, path, 0), "child");
    EXPECT_FALSE(reg.GetSubKeyName(kRoot, path, 1));
    const auto entry = reg.GetValueEntry(kRoot, path, 0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, valueName);
    EXPECT_TRUE(reg.ValueExists(kRoot, path, valueName));
    reg.DeleteRegValue(kRoot, path, valueName);
    EXPECT_FALSE(reg.ValueExists(kRoot, path, valueName));
    EXPECT_TRUE(reg.KeyExists(kRoot, path + "\\child"));
    reg.DeleteRegKey(kRoot, path + "\\");
    EXPECT_FALSE(KeyExists(kRoot, path));
    reg.DeleteRegKey(kRoot, "");  // would name the root
    EXPECT_TRUE(KeyExists(kRoot, key_));
}

// A key planted as a link to another key: deleting it removes the link, never the tree it
// points at.
TEST_F(EllRegWin32Test, DeletingALinkKeyLeavesTheKeyItPointsAtAlone) {
    const std::string target = key_ + "\\target";
    const std::string link = key_ + "\\link";
    reg.WriteRegValue(kRoot, target + "\\inside", "v", RegType::Sz, "kept");
    test::CreateLinkKey(kRoot, key_, L"link", L"\\Registry\\Machine\\" + Wide(target));
    ASSERT_EQ(reg.ReadRegValue(kRoot, link + "\\inside", "v"), "kept") << "the link leads there";
    reg.DeleteRegKey(kRoot, link);
    EXPECT_FALSE(reg.KeyExists(kRoot, link));
    EXPECT_EQ(reg.ReadRegValue(kRoot, target + "\\inside", "v"), "kept");
}

}  // namespace
}  // namespace kr8
