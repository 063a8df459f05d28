#include "sys/win32/EllRegWin32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sys/win32/Wide.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using namespace std::string_literals;
using test::DwordBytes;
using test::GetRaw;
using test::KeyExists;
using test::SetRaw;

constexpr RegRoot kRoots[] = {RegRoot::CurrentUser, RegRoot::LocalMachine};

std::optional<std::string> Bytes(RegRoot root, const std::string& path, const std::string& name) {
    const auto raw = GetRaw(root, path, name);
    return raw ? std::optional<std::string>(raw->bytes) : std::nullopt;
}

const char* RootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKCU" : "HKLM";
}

// Each test gets fresh keys of its own under both roots, removed whatever the outcome.
class EllRegWin32Test : public ::testing::Test {
  protected:
    void TearDown() override {
        for (RegRoot root : kRoots) {
            test::DeleteTree(root, Key(root));
        }
    }

    const std::string& Key(RegRoot root) const {
        return root == RegRoot::CurrentUser ? cuKey_ : lmKey_;
    }

    std::vector<std::string> SubKeys(RegRoot root, const std::string& path) {
        std::vector<std::string> names;
        for (std::int32_t i = 0; i < 100; ++i) {
            auto name = reg.GetSubKeyName(root, path, i);
            if (!name) {
                break;
            }
            names.push_back(*name);
        }
        return names;
    }

    std::vector<ValueEntry> Values(RegRoot root, const std::string& path) {
        std::vector<ValueEntry> entries;
        for (std::int32_t i = 0; i < 100; ++i) {
            auto entry = reg.GetValueEntry(root, path, i);
            if (!entry) {
                break;
            }
            entries.push_back(*entry);
        }
        return entries;
    }

    static const ValueEntry* Find(const std::vector<ValueEntry>& entries, const std::string& name) {
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const ValueEntry& e) { return e.name == name; });
        return it == entries.end() ? nullptr : &*it;
    }

    EllRegWin32 reg;

  private:
    std::string cuKey_ = test::UniqueKeyPath(RegRoot::CurrentUser);
    std::string lmKey_ = test::UniqueKeyPath(RegRoot::LocalMachine);
};

struct StoredForm {
    std::string label;
    DWORD type;
    std::string bytes;
    std::string read;        // ReadRegValue's text
    std::string enumerated;  // GetValueEntry's data
};

// Reads fail past the 2048-byte buffer; enumeration must still give such values whole, and go
// on past them and past the adware's own "Not Found".
const std::vector<StoredForm>& StoredForms() {
    static const std::vector<StoredForm> forms = [] {
        std::string hexOf2048;
        for (int i = 0; i < 2048; ++i) {
            hexOf2048 += "5A";
        }
        return std::vector<StoredForm>{
            {"sz trailing blanks", REG_SZ, "abc  \0"s, "abc", "abc  "},
            {"sz empty", REG_SZ, "\0"s, "", ""},
            {"sz leading blanks and tab", REG_SZ, "  x\t\0"s, "  x\t", "  x\t"},
            {"sz without NUL", REG_SZ, "xyz", "xyz", "xyz"},
            {"expand sz unexpanded", REG_EXPAND_SZ, "%TEMP%\\a\0"s, "%TEMP%\\a", "%TEMP%\\a"},
            {"multi sz", REG_MULTI_SZ, "a\0b\0\0"s, "a\0b\0"s, "a\0b\0"s},
            {"dword 126", REG_DWORD, DwordBytes(126), "126", "126"},
            {"dword 0", REG_DWORD, DwordBytes(0), "000", "000"},
            {"dword 5", REG_DWORD, DwordBytes(5), "005", "005"},
            {"dword max", REG_DWORD, DwordBytes(4294967295u), "4294967295", "4294967295"},
            {"binary", REG_BINARY, "\x01\xAB"s, "01AB", "\x01\xAB"s},
            {"binary empty", REG_BINARY, "", "", ""},
            {"binary with NUL and blank", REG_BINARY, "\0 "s, "0020", "\0 "s},
            {"sz 2047", REG_SZ, std::string(2047, 'x') + '\0', std::string(2047, 'x'),
             std::string(2047, 'x')},
            {"sz 2048", REG_SZ, std::string(2048, 'x') + '\0', kNotFound, std::string(2048, 'x')},
            {"binary 2048", REG_BINARY, std::string(2048, 'Z'), hexOf2048, std::string(2048, 'Z')},
            {"binary 2049", REG_BINARY, std::string(2049, 'Z'), kNotFound, std::string(2049, 'Z')},
            {"Not Found", REG_SZ, "Not Found\0"s, kNotFound, kNotFound},
            {std::string(3000, 'N'), REG_SZ, "long name\0"s, "long name", "long name"},
            {"after the long ones", REG_SZ, "after\0"s, "after", "after"},
        };
    }();
    return forms;
}

TEST_F(EllRegWin32Test, EveryTypeReadsAndEnumeratesInItsTextForm) {
    for (RegRoot root : kRoots) {
        for (const StoredForm& form : StoredForms()) {
            SetRaw(root, Key(root), form.label, form.type, form.bytes);
        }
        const std::vector<ValueEntry> entries = Values(root, Key(root));
        EXPECT_EQ(entries.size(), StoredForms().size()) << RootName(root);
        for (const StoredForm& form : StoredForms()) {
            SCOPED_TRACE(std::string(RootName(root)) + " " + form.label.substr(0, 30));
            EXPECT_EQ(reg.ReadRegValue(root, Key(root), form.label), form.read);
            const ValueEntry* entry = Find(entries, form.label);
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(entry->type, form.type);
            EXPECT_EQ(entry->data, form.enumerated);
        }
        const auto count = static_cast<std::int32_t>(entries.size());
        for (std::int32_t index : {count, count + 1, -1}) {
            EXPECT_FALSE(reg.GetValueEntry(root, Key(root), index)) << index;
        }
        EXPECT_FALSE(reg.GetValueEntry(root, Key(root) + "\\absent", 0));
    }
}

TEST_F(EllRegWin32Test, ReadAnswersNotFoundForWhatCannotBeRead) {
    const std::string key = Key(RegRoot::CurrentUser);
    SetRaw(RegRoot::CurrentUser, key, "present", REG_SZ, "yes\0"s);
    SetRaw(RegRoot::CurrentUser, key, "", REG_SZ, "default\0"s);
    const struct {
        const char* label;
        RegRoot root;
        std::string path;
        std::string name;
    } cases[] = {
        {"missing value", RegRoot::CurrentUser, key, "absent"},
        {"missing key", RegRoot::CurrentUser, key + "\\absent", "present"},
        {"other root", RegRoot::LocalMachine, key, "present"},
        {"root outside the enum", static_cast<RegRoot>(0x80000003u), key, "present"},
        // Cut at the NUL these would name "present" in the existing key.
        {"NUL in path", RegRoot::CurrentUser, key + "\0\\x"s, "present"},
        {"NUL in name", RegRoot::CurrentUser, key, "present\0x"s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reg.ReadRegValue(c.root, c.path, c.name), kNotFound) << c.label;
    }
    EXPECT_EQ(reg.ReadRegValue(RegRoot::CurrentUser, key, "present"), "yes");
    EXPECT_EQ(reg.ReadRegValue(RegRoot::CurrentUser, key, ""), "default");
}

TEST_F(EllRegWin32Test, LongNamesAreReachedLikeShortOnes) {
    const RegRoot root = RegRoot::LocalMachine;
    // With its parent the path passes 260 characters, as one under Winlogon\Notify does.
    const std::string name(255, 'k');
    const std::string path = Key(root) + "\\" + name;
    const std::string valueName(3000, 'v');

    reg.WriteRegValue(root, path + "\\child\\", "Version", RegType::Sz, "126 deep");
    reg.WriteRegValue(root, path + "\\", valueName, RegType::Sz, "126 long");
    EXPECT_EQ(Bytes(root, path + "\\child", "Version"), "126 deep\0"s);
    EXPECT_EQ(reg.ReadRegValue(root, path + "\\", valueName), "126 long");
    EXPECT_EQ(reg.GetSubKeyName(root, Key(root), 0), name);
    EXPECT_EQ(reg.GetSubKeyName(root, path, 0), "child");
    const auto entry = reg.GetValueEntry(root, path, 0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, valueName);
    EXPECT_EQ(entry->data, "126 long");

    EXPECT_TRUE(reg.ValueExists(root, path, valueName));
    reg.DeleteRegValue(root, path, valueName);
    EXPECT_FALSE(reg.GetValueEntry(root, path, 0));
    EXPECT_FALSE(reg.ValueExists(root, path, valueName));
    EXPECT_TRUE(reg.KeyExists(root, path + "\\child"));
    reg.DeleteRegKey(root, path + "\\");
    EXPECT_FALSE(KeyExists(root, path + "\\child"));
    EXPECT_FALSE(KeyExists(root, path));
    EXPECT_FALSE(reg.KeyExists(root, path));
    EXPECT_TRUE(KeyExists(root, Key(root)));
}

TEST_F(EllRegWin32Test, WriteCreatesThePathAndStoresTheTextAsTyped) {
    const RegRoot root = RegRoot::LocalMachine;
    const std::string path = Key(root) + "\\a\\b\\c";
    const struct {
        const char* name;
        std::uint32_t type;
        std::string text;
        DWORD storedType;
        std::string stored;
    } cases[] = {
        {"sz", RegType::Sz, "abc", REG_SZ, "abc\0"s},
        {"sz empty", RegType::Sz, "", REG_SZ, "\0"s},
        {"sz inner NUL", RegType::Sz, "a\0b"s, REG_SZ, "a\0b\0"s},
        {"expand sz", RegType::ExpandSz, "abc", REG_SZ, "abc"},
        {"binary", RegType::Binary, "abc", REG_SZ, "abc"},
        {"dword", RegType::Dword, "126", REG_DWORD, DwordBytes(126)},
        {"dword blanks and tail", RegType::Dword, " 42xyz", REG_DWORD, DwordBytes(42)},
        {"dword no number", RegType::Dword, "abc", REG_DWORD, DwordBytes(0)},
        {"dword empty", RegType::Dword, "", REG_DWORD, DwordBytes(0)},
        {"dword max", RegType::Dword, "4294967295", REG_DWORD, DwordBytes(4294967295u)},
        {"Not Found", RegType::Sz, kNotFound, REG_SZ, "Not Found\0"s},
    };
    for (const auto& c : cases) {
        reg.WriteRegValue(root, path, c.name, c.type, c.text);
        const auto raw = GetRaw(root, path, c.name);
        ASSERT_TRUE(raw) << c.name;
        EXPECT_EQ(raw->type, c.storedType) << c.name;
        EXPECT_EQ(raw->bytes, c.stored) << c.name;
    }

    // A value of another type is replaced, not added beside.
    SetRaw(root, path, "retyped", REG_BINARY, "\x01\x02\x03\x04\x05"s);
    reg.WriteRegValue(root, path, "retyped", RegType::Dword, "7");
    EXPECT_EQ(Bytes(root, path, "retyped"), DwordBytes(7));

    // A name cut at its NUL would overwrite another value.
    reg.WriteRegValue(root, path, "sz\0x"s, RegType::Sz, "clobbered");
    EXPECT_EQ(Bytes(root, path, "sz"), "abc\0"s);
}

TEST_F(EllRegWin32Test, SubKeyEnumerationEndsOnlyWhenThePlatformRunsOut) {
    const RegRoot root = RegRoot::LocalMachine;
    const std::vector<std::string> names = {"b", "Not Found", "a", std::string(255, 'k'),
                                            "z \xC3\xA9"};
    for (const std::string& name : names) {
        test::CreateKey(root, Key(root) + "\\" + name);
    }
    const std::vector<std::string> listed = SubKeys(root, Key(root));
    EXPECT_EQ(std::multiset<std::string>(listed.begin(), listed.end()),
              std::multiset<std::string>(names.begin(), names.end()));

    const auto count = static_cast<std::int32_t>(names.size());
    for (std::int32_t index : {count, count + 1, 1000, -1}) {
        EXPECT_FALSE(reg.GetSubKeyName(root, Key(root), index)) << index;
    }
    EXPECT_FALSE(reg.GetSubKeyName(root, Key(root) + "\\absent", 0));
    EXPECT_FALSE(reg.GetSubKeyName(root, Key(root) + "\\a", 0));
}

TEST_F(EllRegWin32Test, ATrailingBackslashNamesTheSameKeyAndAKeyGoesWithEverythingUnderIt) {
    for (RegRoot root : kRoots) {
        SCOPED_TRACE(RootName(root));
        const std::string parent = Key(root) + "\\parent";
        reg.WriteRegValue(root, parent + "\\", "v", RegType::Sz, "kept");
        reg.WriteRegValue(root, parent + "\\child\\grandchild", "w", RegType::Sz, "gone too");
        EXPECT_EQ(Bytes(root, parent, "v"), "kept\0"s);
        EXPECT_EQ(reg.ReadRegValue(root, parent + "\\", "v"), "kept");
        EXPECT_EQ(SubKeys(root, Key(root) + "\\"), std::vector<std::string>{"parent"});
        EXPECT_EQ(Values(root, parent + "\\").size(), 1u);
        EXPECT_TRUE(reg.ValueExists(root, parent + "\\", "v"));
        EXPECT_FALSE(reg.ValueExists(root, parent, "w"));

        reg.DeleteRegValue(root, parent + "\\", "v");
        EXPECT_FALSE(GetRaw(root, parent, "v"));
        reg.DeleteRegKey(root, parent + "\\");
        EXPECT_FALSE(KeyExists(root, parent + "\\child"));
        EXPECT_FALSE(reg.KeyExists(root, parent));
        EXPECT_TRUE(reg.KeyExists(root, Key(root)));

        reg.DeleteRegValue(root, parent, "v");  // key gone: silent
        reg.DeleteRegKey(root, parent);         // already gone: silent
        reg.DeleteRegKey(root, "");             // would name the root
        reg.DeleteRegKey(root, "\\\\");
        EXPECT_TRUE(KeyExists(root, Key(root)));
    }
}

// A key planted as a link to another key: deleting it removes the link, never the tree it
// points at.
TEST_F(EllRegWin32Test, DeletingALinkKeyLeavesTheKeyItPointsAtAlone) {
    const RegRoot root = RegRoot::LocalMachine;
    const std::string target = Key(root) + "\\target";
    const std::string link = Key(root) + "\\link";
    reg.WriteRegValue(root, target + "\\inside", "v", RegType::Sz, "kept");
    test::CreateLinkKey(root, Key(root), L"link", L"\\Registry\\Machine\\" + Wide(target));
    ASSERT_EQ(reg.ReadRegValue(root, link + "\\inside", "v"), "kept") << "the link leads there";

    reg.DeleteRegKey(root, link);
    EXPECT_FALSE(reg.KeyExists(root, link));
    EXPECT_EQ(reg.ReadRegValue(root, target + "\\inside", "v"), "kept");
}

}  // namespace
}  // namespace kr8
