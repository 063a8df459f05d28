#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "remove/Backup.h"
#include "sys/RegFile.h"
#include "sys/Sha256.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

std::string Le(const std::u16string& units) {
    std::string bytes;
    for (char16_t c : units) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

TEST(Sha256, MatchesThePublishedDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first last block.
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

struct RegCase {
    const char* what;
    RegValueBytes value;
    std::u16string line;
};

TEST(RegFile, WritesEachTypeAndNameAsTheRegistryEditorReadsIt) {
    const std::string a = Le(u"a");
    const RegCase cases[] = {
        {"string",
         {"Version", RegType::Sz, Le(u"126 \\ \"x\"") + Le(std::u16string(1, 0))},
         u"\"Version\"=\"126 \\\\ \\\"x\\\"\""},
        {"default value", {"", RegType::Sz, Le(std::u16string(u"v\0", 2))}, u"@=\"v\""},
        {"name with quotes, backslashes and non-ASCII",
         {"say \"\xC3\xA9\"\\now", RegType::Sz, Le(std::u16string(u"\u00e9\0", 2))},
         u"\"say \\\"\u00e9\\\"\\\\now\"=\"\u00e9\""},
        {"string with a NUL inside",
         {"n", RegType::Sz, Le(std::u16string(u"a\0b\0", 4))},
         u"\"n\"=hex(1):61,00,00,00,62,00,00,00"},
        {"string without its NUL", {"n", RegType::Sz, a}, u"\"n\"=hex(1):61,00"},
        {"string with a line break",
         {"n", RegType::Sz, Le(std::u16string(u"\n\0", 2))},
         u"\"n\"=hex(1):0a,00,00,00"},
        {"odd length string", {"n", RegType::Sz, "a"}, u"\"n\"=hex(1):61"},
        {"expandable",
         {"p", RegType::ExpandSz, Le(std::u16string(u"%\0", 2))},
         u"\"p\"=hex(2):25,00,00,00"},
        {"multi",
         {"m", RegType::MultiSz, Le(std::u16string(u"a\0\0", 3))},
         u"\"m\"=hex(7):61,00,00,00,00,00"},
        {"binary", {"b", RegType::Binary, std::string("\x01\xab\0", 3)}, u"\"b\"=hex:01,ab,00"},
        {"empty binary", {"b", RegType::Binary, ""}, u"\"b\"=hex:"},
        {"dword", {"d", RegType::Dword, std::string("\x7e\x01\0\0", 4)}, u"\"d\"=dword:0000017e"},
        {"dword of three bytes", {"d", RegType::Dword, "\x01\x02\x03"}, u"\"d\"=hex(4):01,02,03"},
        {"qword",
         {"q", 11, std::string("\x01\0\0\0\0\0\0\x80", 8)},
         u"\"q\"=hex(b):01,00,00,00,00,00,00,80"},
        {"none", {"z", RegType::None, "\x05"}, u"\"z\"=hex(0):05"},
        {"a type of its own", {"t", 0x1234, ""}, u"\"t\"=hex(1234):"},
        {"long data wrap at 80 columns",
         {"long", RegType::Binary, std::string(30, '\x11')},
         u"\"long\"=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,\\\r\n"
         u"  11,11,11,11,11,11,11,11"},
    };
    std::vector<RegKeyBytes> all{{RegRoot::LocalMachine, "SOFTWARE\\K", {}}};
    for (const RegCase& c : cases) {
        std::string refused;
        const auto written =
            WriteRegFile({{RegRoot::LocalMachine, "SOFTWARE\\K", {c.value}}}, refused);
        ASSERT_TRUE(written) << c.what;
        EXPECT_EQ(*written, Le(u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                               u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n" +
                               c.line + u"\r\n\r\n"))
            << c.what;
        all[0].values.push_back(c.value);
    }
    // Every case comes back whole from the file, with a sub-key of a non-ASCII name after its key.
    all.push_back({RegRoot::CurrentUser, "S\\K\\\xE2\x86\x92 ]", {{"", RegType::Binary, "x"}}});
    std::string refused;
    std::string error;
    const auto file = WriteRegFile(all, refused);
    ASSERT_TRUE(file);
    const auto read = ReadRegFile(*file, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, all);
}

TEST(RegFile, RefusesNamesItCannotWriteWhole) {
    const std::string nul("a\0b", 3);
    const struct {
        const char* what;
        RegKeyBytes key;
        std::string refused;
    } cases[] = {
        {"key name with a NUL",
         {RegRoot::LocalMachine, "N\\" + nul, {}},
         "HKEY_LOCAL_MACHINE\\N\\" + nul},
        {"key name with a line feed",
         {RegRoot::LocalMachine, "N\\a\nb", {}},
         "HKEY_LOCAL_MACHINE\\N\\a\nb"},
        {"value name with a NUL",
         {RegRoot::LocalMachine, "N", {{nul, RegType::Sz, ""}}},
         "HKEY_LOCAL_MACHINE\\N : " + nul},
        {"value name with a carriage return",
         {RegRoot::LocalMachine, "N", {{"a\rb", RegType::Sz, ""}}},
         "HKEY_LOCAL_MACHINE\\N : a\rb"},
    };
    for (const auto& c : cases) {
        std::string refused;
        EXPECT_FALSE(WriteRegFile({c.key}, refused)) << c.what;
        EXPECT_EQ(refused, c.refused) << c.what;
    }
}

const std::string kGuard =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\Guard";
const std::string kBackupFolder = std::string(fake::kWindows) + "\\KR8 Backup\\2026-12-07 02.51.28";

// The manifest names every item with its hash, length and attributes, hostile characters escaped.
// What cannot be put back is named: a file that is there again is kept at the default answer, a
// copy changed in the backup is refused, a file still due to be replaced at the restart is said.
TEST(Backup, TheManifestNamesEachItemAndTheRestoreWhatItCannotPutBack) {
    Harness h;
    const std::string dll = SystemPath("a \t%\xC3\xA9.dll");
    const std::string other = SystemPath("b.dll");
    const std::string held = SystemPath("held.dll");
    h.files.WriteFileBytes(dll, std::string("MZ\0\x01", 4));
    h.files.SetAttributes(dll, 0x27);
    h.files.WriteFileBytes(other, "second");
    h.files.WriteFileBytes(held, "held");
    h.reg.SetString("HKLM\\" + kGuard, "Version", "126");
    h.reg.SetString(kPostPlatformPath, "msg126", "x");

    Backup backup(h.files, h.store, h.os);
    const auto f = backup.SaveFile(dll);
    const auto g = backup.SaveFile(other);
    const auto l = backup.SaveFile(held);
    const auto k = backup.SaveKey(RegRoot::LocalMachine, kGuard);
    const auto v = backup.SaveValue(RegRoot::LocalMachine, text::kPostPlatformKey, "msg126");
    ASSERT_TRUE(f && g && l && k && v);
    EXPECT_EQ(backup.Folder(), kBackupFolder);
    backup.Record(*f, Removal::Deleted);
    backup.Record(*l, Removal::ReplacedAtRestart);

    const auto manifest = ReadManifest(h.files.Content(kBackupFolder + "\\backup.txt"));
    ASSERT_TRUE(manifest);
    ASSERT_EQ(manifest->size(), 5u);
    EXPECT_EQ((*manifest)[0],
              (BackupItem{BackupKind::File, Removal::Deleted, "file1.bak",
                          Sha256Hex(std::string("MZ\0\x01", 4)), dll, "", 4, 0x27}));
    EXPECT_EQ((*manifest)[4].valueName, "msg126");
    EXPECT_NE(h.files.Content(kBackupFolder + "\\backup.txt").find("a %09%25\xC3\xA9.dll"),
              std::string::npos);

    h.files.Remove(dll);
    h.files.WriteFileBytes(other, "changed");
    const auto failures = RestoreFromBackup(backup.Folder(), h.files, h.store, h.boxes);

    // The default answer keeps the changed file; the unchanged one is not asked about, but its
    // pending replacement is named.
    EXPECT_EQ(failures, (std::vector<std::string>{other + ": a file is there now, and was kept",
                                                  held + text::kStillReplacedAtRestart}));
    EXPECT_EQ(h.boxes.shown.size(), 2u);
    EXPECT_EQ(h.files.Content(other), "changed");

    // A Yes replaces the file; a copy changed since is refused by name.
    h.boxes.shown.clear();
    h.boxes.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    h.files.SetAttributes(kBackupFolder + "\\file1.bak", 0);
    h.files.WriteFileBytes(kBackupFolder + "\\file1.bak", "tampered");
    const auto second = RestoreFromBackup(backup.Folder(), h.files, h.store, h.boxes);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second,
              (std::vector<std::string>{dll + ": the copy in the backup is missing or has changed",
                                        held + text::kStillReplacedAtRestart}));
    EXPECT_EQ(h.files.Content(other), "second");
    EXPECT_EQ(h.boxes.shown.back().prompt,
              "These could not be put back:\r\n" + second[0] + "\r\n" + second[1] + "\r\n");
}

// Without a backup the user is asked, and the box's default answer keeps what was to go; a Yes
// removes it all the same.
TEST(Backup, WithoutOneTheDefaultAnswerKeepsWhatWasToGo) {
    const std::string dll = SystemPath("a.dll");
    const std::string guard = kNotifyPath + "\\GuardX";
    const struct {
        const char* what;
        std::function<void(Harness&)> click;
        std::function<bool(Harness&)> kept;
        std::string prompt;
    } cases[] = {
        {"Delete",
         [&](Harness& h) {
             h.controls.SetList1Checked(0, true);
             h.form.CmdFix_Click();
         },
         [&](Harness& h) { return h.files.Exists(dll); }, "the file " + dll},
        {"Guardian .reg", [](Harness& h) { h.form.CmdGuard_Click(); },
         [&](Harness& h) { return h.reg.HasKey(guard); }, "the Registry key GuardX"},
        {"User Agent$", [](Harness& h) { h.form.CmdUAS_Click(); },
         [&](Harness& h) { return h.reg.Get(kPostPlatformPath, "msg126").has_value(); },
         "the User Agent String msg126"},
    };
    for (const auto& c : cases) {
        for (const bool yes : {false, true}) {
            Harness h;
            h.files.AddFile(dll, 320872);
            h.reg.SetString(guard, "Version", "126");
            h.reg.SetString(kPostPlatformPath, "msg126", "x");
            h.LoadAndFind();
            h.store.failFolders = true;
            h.boxes.shown.clear();
            h.boxes.answers = {MsgAnswer::Yes};
            if (yes) {
                h.boxes.answers.push_back(MsgAnswer::Yes);
            }
            c.click(h);
            ASSERT_GE(h.boxes.shown.size(), 2u) << c.what;
            EXPECT_EQ(h.boxes.shown[1], (fake::ShownBox{"No backup could be made of " + c.prompt +
                                                            "\r\nDelete it without a backup?",
                                                        MsgButtons::YesNoDefaultNo,
                                                        MsgIcon::Exclamation, "No Backup"}))
                << c.what;
            EXPECT_EQ(c.kept(h), !yes) << c.what << (yes ? " Yes" : " default");
        }
    }
}

// The system menu's restore: with no backup it says where it looked; it offers the folders
// newest first, puts back the one picked and scans again.
TEST(Backup, TheMenuOffersTheFoldersNewestFirstAndRestoresThePickedOne) {
    Harness h;
    h.LoadAndFind();
    h.form.RestoreFromMenu([](const std::vector<std::string>&) -> std::optional<std::string> {
        ADD_FAILURE() << "nothing to pick from";
        return std::nullopt;
    });
    EXPECT_EQ(h.boxes.Prompts(),
              std::vector<std::string>{"There is no backup in C:\\WINDOWS\\KR8 Backup"});

    const std::string older = SystemPath("older.dll");
    const std::string newer = SystemPath("newer.dll");
    h.files.WriteFileBytes(older, std::string(320872, 'o'));
    h.files.WriteFileBytes(newer, std::string(320872, 'n'));
    h.store.timeName = "2026-12-06 23.59.59";
    Backup first(h.files, h.store, h.os);
    ASSERT_TRUE(first.SaveFile(older));
    h.store.timeName = "2026-12-07 00.00.01";
    Backup second(h.files, h.store, h.os);
    ASSERT_TRUE(second.SaveFile(newer));
    h.files.Remove(older);
    h.files.Remove(newer);

    std::vector<std::string> offered;
    h.form.RestoreFromMenu([&](const std::vector<std::string>& folders) {
        offered = folders;
        return std::optional<std::string>(folders.back());
    });
    EXPECT_EQ(offered, (std::vector<std::string>{second.Folder(), first.Folder()}));
    EXPECT_FALSE(h.files.Exists(newer));
    EXPECT_EQ(h.controls.Entries(), std::vector<std::string>{older}) << "scanned again";
}

}  // namespace
}  // namespace kr8::test
