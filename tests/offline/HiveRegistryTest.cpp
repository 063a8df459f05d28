#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sys/hive/HiveRegistry.h"
#include "tests/offline/Scratch.h"

namespace kr8::test {
namespace {

const std::string kNotify = "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
const std::string kSoftwareNotify = "SOFTWARE\\" + kNotify + "\\";

// Only a hive whose two sequence numbers agree is used: hivex reads no .LOG file.
TEST(HiveFile, OnlyAHiveWithNothingPendingIsUsable) {
    Scratch s;
    const std::string usable = s.File("usable"), pending = s.File("pending");
    WriteMinimalHive(usable);
    WriteMinimalHive(pending, 2);
    const struct {
        std::string path;
        HiveCheck check;
    } cases[] = {{usable, HiveCheck::Usable},
                 {pending, HiveCheck::PendingChanges},
                 {s.File("text", 600), HiveCheck::NotAHive},
                 {s.File("short", 6), HiveCheck::NotAHive},
                 {(s.dir / "none").string(), HiveCheck::Missing}};
    for (const auto& c : cases) {
        EXPECT_EQ(CheckHiveFile(c.path), c.check) << c.path;
    }
}

// Names come back exactly as the hive holds them, in any script and with trailing blanks; a
// lookup takes the exact name before one that differs in case only, and never a look-alike.
// Only SOFTWARE of the local machine is there.
TEST(HiveRegistry, ReadsNamesAsHeldAndLooksThemUpAsWindowsDoes) {
    Scratch s;
    const std::string cyrillic = "Guard\xD0\xA1vc";  // a Cyrillic Es for the C
    const std::string hive =
        s.Hive("software", {kNotify + "\\GuardSvc", kNotify + "\\" + cyrillic},
               {{kNotify + "\\\xE6\xBC\xA2 ", "Version", hive_t_REG_DWORD, "126"},
                {kNotify + "\\GuardSvc", "dll", hive_t_REG_EXPAND_SZ, "a\xC3\xA9.dll"},
                {kNotify + "\\GuardSvc", "Dll ", hive_t_REG_SZ, "blank"}});
    auto reg = HiveRegistry::Open(hive, false);
    ASSERT_TRUE(reg);
    std::vector<std::string> keys;
    for (std::int32_t i = 0;
         auto name = reg->GetSubKeyName(RegRoot::LocalMachine, kSoftwareNotify, i); ++i) {
        keys.push_back(*name);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"GuardSvc", cyrillic, "\xE6\xBC\xA2 "}));
    const std::string guard = kSoftwareNotify + "guardsvc";
    const struct {
        std::string key, name, read;
    } cases[] = {
        {guard, "dll", "a\xC3\xA9.dll"},
        {guard, "dLL", "a\xC3\xA9.dll"},
        {guard, "Dll ", "blank"},
        {guard, "Dll  ", kNotFound},
        {kSoftwareNotify + "Guardsvc\xD0\xA1", "dll", kNotFound},
        {kSoftwareNotify + "\xE6\xBC\xA2 ", "version", "126"},
        {"SYSTEM\\" + kNotify + "\\GuardSvc", "dll", kNotFound},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reg->ReadRegValue(RegRoot::LocalMachine, c.key, c.name), c.read)
            << c.key << c.name;
    }
    EXPECT_EQ(reg->ReadRegValue(RegRoot::CurrentUser, guard, "dll"), kNotFound);
    const auto entry = reg->GetValueEntry(RegRoot::LocalMachine, guard, 0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name + "=" + entry->data, "dll=a\xC3\xA9.dll");
    EXPECT_EQ(entry->type, RegType::ExpandSz);
    EXPECT_FALSE(reg->GetValueEntry(RegRoot::LocalMachine, guard, 2));
}

}  // namespace
}  // namespace kr8::test
