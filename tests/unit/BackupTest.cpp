#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remove/Backup.h"
#include "sys/RegFile.h"
#include "sys/Sha256.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

std::string Le(const std::u16string& units) {
    std::string bytes;
    for (char16_t c : units) {
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    }
    return bytes;
}
// A string value's bytes as the registry holds them: UTF-16LE with the terminating NUL.
template <size_t N>
std::string Sz(const char16_t (&units)[N]) {
    return Le(std::u16string(units, N));
}

TEST(Sha256, MatchesThePublishedDigests) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the first last block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [input, digest] : cases) {
        EXPECT_EQ(Sha256Hex(input), digest) << input.size();
    }
}

// Each value alone gives its line; all of them, and a sub-key of a non-ASCII name, come back
// whole from one file.
TEST(RegFile, WritesEachTypeAndNameAsTheRegistryEditorReadsItAndReadsItBack) {
    const struct {
        RegValueBytes value;
        std::u16string line;
    } cases[] = {
        {{"Version", RegType::Sz, Sz(u"126 \\ \"x\"")}, u"\"Version\"=\"126 \\\\ \\\"x\\\"\""},
        {{"", RegType::Sz, Sz(u"v")}, u"@=\"v\""},
        {{"say \"\xC3\xA9\"\\now", RegType::Sz, Sz(u"\u00e9")},
         u"\"say \\\"\u00e9\\\"\\\\now\"=\"\u00e9\""},
        {{"n", RegType::Sz, Sz(u"a\0b")}, u"\"n\"=hex(1):61,00,00,00,62,00,00,00"},
        {{"n", RegType::Sz, std::string("a\0", 2)}, u"\"n\"=hex(1):61,00"},
        {{"n", RegType::Sz, Sz(u"\n")}, u"\"n\"=hex(1):0a,00,00,00"},
        {{"n", RegType::Sz, "a"}, u"\"n\"=hex(1):61"},
        {{"p", RegType::ExpandSz, Sz(u"%")}, u"\"p\"=hex(2):25,00,00,00"},
        {{"m", RegType::MultiSz, Sz(u"a\0")}, u"\"m\"=hex(7):61,00,00,00,00,00"},
        {{"b", RegType::Binary, std::string("\x01\xab\0", 3)}, u"\"b\"=hex:01,ab,00"},
        {{"d", RegType::Dword, std::string("\x7e\x01\0\0", 4)}, u"\"d\"=dword:0000017e"},
        {{"d", RegType::Dword, "\x01\x02\x03"}, u"\"d\"=hex(4):01,02,03"},
        {{"t", 0x1234, ""}, u"\"t\"=hex(1234):"},
        {{"long", RegType::Binary, std::string(30, '\x11')},
         u"\"long\"=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,\\\r\n"
         u"  11,11,11,11,11,11,11,11"},
    };
    std::vector<RegKeyBytes> all{{RegRoot::LocalMachine, "SOFTWARE\\K", {}}};
    std::string refused;
    for (const auto& c : cases) {
        EXPECT_EQ(WriteRegFile({{RegRoot::LocalMachine, "SOFTWARE\\K", {c.value}}}, refused),
                  Le(u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                     u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n" +
                     c.line + u"\r\n\r\n"))
            << c.value.name;
        all[0].values.push_back(c.value);
    }
    all.push_back({RegRoot::CurrentUser, "S\\K\\\xE2\x86\x92 ]", {{"", RegType::Binary, "x"}}});
    std::string error;
    EXPECT_EQ(ReadRegFile(WriteRegFile(all, refused).value(), error), all) << error;
}

TEST(RegFile, RefusesNamesItCannotWriteWhole) {
    const std::string nul("a\0b", 3);
    const std::pair<RegKeyBytes, std::string> cases[] = {
        {{RegRoot::LocalMachine, "N\\" + nul, {}}, "HKEY_LOCAL_MACHINE\\N\\" + nul},
        {{RegRoot::LocalMachine, "N\\a\nb", {}}, "HKEY_LOCAL_MACHINE\\N\\a\nb"},
        {{RegRoot::LocalMachine, "N", {{nul, RegType::Sz, ""}}}, "HKEY_LOCAL_MACHINE\\N : " + nul},
        {{RegRoot::LocalMachine, "N", {{"a\rb", RegType::Sz, ""}}}, "HKEY_LOCAL_MACHINE\\N : a\rb"},
    };
    for (const auto& [key, name] : cases) {
        std::string refused;
        EXPECT_FALSE(WriteRegFile({key}, refused)) << name;
        EXPECT_EQ(refused, name);
    }
}

// The manifest names every item with its hash, length and attributes, hostile characters
// escaped. What cannot be put back is named: a copy changed in the backup is refused, a file that
// is there again is kept at the default answer, a file still due to be replaced at the restart is
// said. (That the rest comes back whole is the end-to-end backup road's.)
TEST(Backup, TheManifestNamesEachItemAndTheRestoreWhatItCannotPutBack) {
    Harness h;
    const std::string dll = SystemPath("a \t%\xC3\xA9.dll");
    const std::string other = SystemPath("b.dll");
    const std::string held = SystemPath("held.dll");
    h.files.WriteFileBytes(dll, std::string("MZ\0\x01", 4));
    h.files.Find(dll)->attributes = 0x27;
    h.files.WriteFileBytes(other, "second");
    h.files.WriteFileBytes(held, "held");

    Backup backup(h.files, h.reg, h.store, h.os);
    const auto f = backup.SaveFile(dll);
    const auto l = backup.SaveFile(held);
    ASSERT_TRUE(f && l && backup.SaveFile(other));
    backup.Record(*f, Removal::Deleted);
    backup.Record(*l, Removal::ReplacedAtRestart);
    const std::string manifest = h.files.Content(backup.Folder() + "\\backup.txt");
    EXPECT_NE(manifest.find("a %09%25\xC3\xA9.dll"), std::string::npos);
    const auto items = ReadManifest(manifest);
    ASSERT_TRUE(items && items->size() == 3u);
    EXPECT_EQ((*items)[0], (BackupItem{BackupKind::File, Removal::Deleted, "file1.bak",
                                       Sha256Hex(std::string("MZ\0\x01", 4)), dll, "", 4, 0x27}));

    h.files.Find(backup.Folder() + "\\file1.bak")->content = "tampered";
    h.files.WriteFileBytes(other, "changed");
    EXPECT_EQ(RestoreFromBackup(backup.Folder(), h.files, h.store, h.boxes),
              (Strings{dll + text::kCopyChanged, held + text::kStillReplacedAtRestart,
                       other + text::kFileKept}));
    EXPECT_EQ(h.boxes.shown.size(), 2u) << "the changed file asked about, then the summary";
    EXPECT_EQ(h.files.Content(other), "changed");
}

// Without a backup the user is asked, and the box's default answer keeps what was to go; a Yes
// removes it all the same.
TEST(Backup, WithoutOneTheDefaultAnswerKeepsWhatWasToGo) {
    const std::string noBackup = text::kNoBackupSuffix;
    for (const bool yes : {false, true}) {
        Harness h;
        h.reg.AddKey(kNotifyPath + "\\GuardX");
        h.reg.SetString(kPostPlatformPath, "msg126", "x");
        const std::string dll = h.Infect({"a.dll"})[0];
        h.store.failFolders = true;
        h.boxes.answers.assign(yes ? 6 : 0, MsgAnswer::Yes);
        h.TickAll();
        h.form.CmdFix_Click();
        h.form.CmdGuard_Click();
        h.form.CmdUAS_Click();
        EXPECT_EQ(
            h.boxes.shown,
            (Strings{text::kConfirmDeletePrefix + dll, text::kNoFileBackupPrefix + dll + noBackup,
                     "Delete the Registry key GuardX",
                     text::kNoKeyBackupPrefix + std::string("GuardX") + noBackup,
                     text::kDeleteUserAgent,
                     text::kNoValueBackupPrefix + std::string("msg126") + noBackup}));
        EXPECT_EQ(h.files.Exists(dll), !yes);
        EXPECT_EQ(h.reg.HasKey(kNotifyPath + "\\GuardX"), !yes);
        EXPECT_EQ(h.reg.Get(kPostPlatformPath, "msg126").has_value(), !yes);
    }
}

// The system menu's restore: with no backup it says where it looked; it offers the folders
// newest first, puts back the one picked and scans again.
TEST(Backup, TheMenuOffersTheFoldersNewestFirstAndRestoresThePickedOne) {
    Harness h;
    h.LoadAndFind();
    h.form.RestoreFromMenu([](const Strings&) -> std::optional<std::string> {
        ADD_FAILURE() << "nothing to pick from";
        return std::nullopt;
    });
    EXPECT_EQ(h.boxes.shown, Strings{"There is no backup in C:\\WINDOWS\\KR8 Backup"});
    Strings folders;
    for (const char* name : {"older.dll", "newer.dll"}) {
        h.files.WriteFileBytes(SystemPath(name), std::string(320872, name[0]));
        h.store.timeName = name[0] == 'o' ? "2026-12-06 23.59.59" : "2026-12-07 00.00.01";
        Backup backup(h.files, h.reg, h.store, h.os);
        ASSERT_TRUE(backup.SaveFile(SystemPath(name)));
        folders.insert(folders.begin(), backup.Folder());
        h.files.Remove(SystemPath(name));
    }
    Strings offered;
    h.form.RestoreFromMenu([&](const Strings& shown) {
        offered = shown;
        return std::optional<std::string>(shown.back());
    });
    EXPECT_EQ(offered, folders);
    EXPECT_EQ(h.controls.Entries(), Strings{SystemPath("older.dll")}) << "scanned again";
}

}  // namespace
}  // namespace kr8::test
