#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "scan/Findings.h"
#include "sys/RegExport.h"
#include "sys/hive/HiveRegistry.h"
#include "tests/offline/Scratch.h"

namespace kr8::test {
namespace {

const std::string kNotify = "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
const std::string kSoftwareNotify = "SOFTWARE\\" + kNotify + "\\";
const std::string kNotifyText = "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + kNotify;
const std::string kDword1 = std::string("\x01\0\0\0", 4);

std::vector<HiveKey> RootOnly() {
    return {HiveKey{"$$$PROTO.HIV", {}, {}}};
}

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
                 {s.File("text", std::string(600, 'x')), HiveCheck::NotAHive},
                 {s.File("short", "regf.."), HiveCheck::NotAHive},
                 {(s.dir / "none").string(), HiveCheck::Missing}};
    for (const auto& c : cases) {
        EXPECT_EQ(CheckHiveFile(c.path), c.check) << c.path;
    }
}

// Names come back exactly as the hive holds them, in any script and with trailing blanks; a
// lookup takes the exact name before one that differs in case only, and never a look-alike.
// Text read by name loses its trailing blanks, as the program always read it. Only SOFTWARE of
// the local machine is there.
TEST(HiveRegistry, ReadsNamesAsHeldAndLooksThemUpAsWindowsDoes) {
    Scratch s;
    const std::string cyrillic = "Guard\xD0\xA1vc";  // a Cyrillic Es for the C
    const std::string hive =
        s.Hive("software", {kNotify + "\\GuardSvc", kNotify + "\\" + cyrillic},
               {{kNotify + "\\\xE6\xBC\xA2 ", "Version", hive_t_REG_DWORD, "126"},
                {kNotify + "\\GuardSvc", "dll", hive_t_REG_EXPAND_SZ, "a\xC3\xA9.dll"},
                {kNotify + "\\GuardSvc", "Dll ", hive_t_REG_SZ, "blank  "}});
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
}

// The keys of a hive form a tree. A list naming one key twice at each of 40 levels made the
// backup's export walk 2^40 paths; a loop or a key under two parents is no better. Each is a list
// that fails, once the key it names was reached another way, and the export stops.
TEST(HiveRegistry, ListsThatMakeNoTreeFailAndStopTheExport) {
    const HangGuard guard;
    std::vector<HiveKey> keys = RootOnly();
    std::size_t deep = AddPath(keys, kNotify + "\\Twice");
    for (int level = 0; level != 40; ++level) {
        keys[deep].children = {keys.size(), keys.size()};
        deep = keys.size();
        keys.push_back(HiveKey{"k", {}, {{"Version", 4, kDword1}}});
    }
    const std::size_t loop = AddPath(keys, kNotify + "\\Loop\\Back");
    keys[loop].children = {loop - 1};
    keys[AddPath(keys, kNotify + "\\Top\\Up")].children = {0};
    const std::size_t shared = AddPath(keys, kNotify + "\\Diamond\\A\\C");
    keys[AddPath(keys, kNotify + "\\Diamond\\B")].children = {shared};
    auto reg = HiveRegistry::FromBytes(BuildHive(keys).bytes, false);
    ASSERT_TRUE(reg);
    std::string name;
    ASSERT_EQ(reg->EnumSubKey(RegRoot::LocalMachine, kSoftwareNotify + "Twice", 1, name),
              RegRead::Failed);
    const struct {
        std::string exported, failing;
    } cases[] = {
        {"Twice", "Twice"}, {"Loop", "Loop\\Back"}, {"Top", "Top\\Up"}, {"Diamond", "Diamond\\B"}};
    for (const auto& c : cases) {
        EXPECT_FALSE(ExportKey(*reg, RegRoot::LocalMachine, kSoftwareNotify + c.exported));
        const std::string told = "The sub-keys of " + kNotifyText + "\\" + c.failing + " name";
        EXPECT_EQ(reg->Problems().back().rfind(told, 0), 0u) << c.exported;
    }
    EXPECT_EQ(reg->Problems().size(), std::size(cases));
    // Beside them, the rest of the hive reads as ever.
    EXPECT_EQ(reg->ReadRegValue(RegRoot::LocalMachine, kSoftwareNotify + "Twice\\k", "Version"),
              "001");
    EXPECT_TRUE(ExportKey(*reg, RegRoot::LocalMachine, kSoftwareNotify + "Diamond\\A"));
}

// A sub-key list, value list or value hivex cannot read was read as an empty one: a scan found
// "nothing" in a hive that hid its keys so. Each is a failure of the raw enumeration, ends the
// text reads, and is a problem named by its key.
TEST(HiveRegistry, WhatCannotBeReadIsAProblemNeverAnEmptyList) {
    std::vector<HiveKey> keys = RootOnly();
    const std::size_t notify = AddPath(keys, kNotify), guard = AddPath(keys, kNotify + "\\Guard");
    keys[guard].values = {{"Version", 4, kDword1}, {"Dll", 1, "guard.dll, long enough"}};
    const BuiltHive built = BuildHive(keys);
    const std::size_t notifyCell = built.cells[notify], guardCell = built.cells[guard];
    const auto valueList = [&](const std::string& b) {
        return Get32(b, guardCell + nk::kValueList) + 0x1000;
    };
    const auto dll = [&](const std::string& b) { return Get32(b, valueList(b) + 8) + 0x1000; };
    const std::string guardText = kNotifyText + "\\Guard";
    const struct {
        const char* what;
        std::function<void(std::string&)> patch;
        std::string key;  // whose reads fail
        bool subKeys;
        std::string problem;
    } cases[] = {
        {"sub-key list elsewhere",
         [&](std::string& b) { Put32(b, notifyCell + nk::kSubKeyList, 0x7FFFFFF0); },
         kSoftwareNotify, true, "Could not read the sub-keys of " + kNotifyText},
        {"value list elsewhere",
         [&](std::string& b) { Put32(b, guardCell + nk::kValueList, 0x10); },
         kSoftwareNotify + "Guard", false, "Could not read the values of " + guardText},
        {"value data elsewhere", [&](std::string& b) { Put32(b, dll(b) + 12, 0x10); },
         kSoftwareNotify + "Guard", false, "Could not read the value \"Dll\" of " + guardText},
        // A long value's segment list at the hive's very end: hivex reads 65,535 offsets there.
        {"segments past the end",
         [&](std::string& b) {
             const std::size_t data = Get32(b, dll(b) + 12) + 0x1000;
             const auto length = [&b](std::size_t at) {
                 const auto held = static_cast<std::int32_t>(Get32(b, at));
                 return static_cast<std::size_t>(held < 0 ? -held : held);
             };
             std::size_t last = 0x1020;  // the bin's last cell, a free one, made a used one
             while (last + length(last) < b.size()) {
                 last += length(last);
             }
             Put32(b, last, static_cast<std::uint32_t>(-static_cast<std::int64_t>(length(last))));
             for (std::size_t at = last + 4; at != b.size(); at += 4) {
                 Put32(b, at, static_cast<std::uint32_t>(data - 0x1000));
             }
             Put32(b, dll(b) + 8, 0x10000);  // longer than its cell: a "db" of segments
             b.replace(data + 4, 8, std::string("db\xFF\xFF", 4) + std::string(4, '\0'));
             Put32(b, data + 8, static_cast<std::uint32_t>(last - 0x1000));
         },
         kSoftwareNotify + "Guard", false, "Could not read the value \"Dll\" of " + guardText},
    };
    for (const auto& c : cases) {
        std::string bytes = built.bytes;
        c.patch(bytes);
        auto reg = HiveRegistry::FromBytes(bytes, false);
        ASSERT_TRUE(reg) << c.what;
        std::string name;
        RegValueBytes value;
        for (std::uint32_t i = 0;; ++i) {
            const RegRead read = c.subKeys ? reg->EnumSubKey(RegRoot::LocalMachine, c.key, i, name)
                                           : reg->EnumValue(RegRoot::LocalMachine, c.key, i, value);
            if (read != RegRead::Item) {
                EXPECT_EQ(read, RegRead::Failed) << c.what;
                break;
            }
        }
        Findings found;
        ScanRegistry(*reg, found);
        EXPECT_EQ(found.notifyKeys.size(), c.subKeys ? 0u : 1u) << c.what;
        EXPECT_EQ(reg->Problems(), std::vector<std::string>{c.problem}) << c.what;
    }
}

// A hive written back is as long as its bins, and reads as written. (That every write is seen
// by the reads after it is what the unit tests' machine, made of these hives, relies on.)
TEST(HiveRegistry, TheCommittedHiveIsItsBinsLong) {
    Scratch s;
    auto reg = HiveRegistry::FromBytes(MinimalHive(), true);
    ASSERT_TRUE(
        reg && reg->CreateKey(RegRoot::LocalMachine, kSoftwareNotify + "B") &&
        reg->SetValue(RegRoot::LocalMachine, kSoftwareNotify + "B", {"Version", 4, kDword1}));
    const std::string file = s.File("software");
    ASSERT_TRUE(reg->CommitTo(file));
    const std::string written = s.Read("software");
    EXPECT_EQ(written.size(), 0x1000 + Get32(written, 0x28));
    EXPECT_EQ(HiveRegistry::Open(file, false)
                  ->ReadRegValue(RegRoot::LocalMachine, kSoftwareNotify + "B", "Version"),
              "001");
}

}  // namespace
}  // namespace kr8::test
