#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/RestoreText.h"
#include "remove/Backup.h"
#include "remove/Restore.h"
#include "scan/AdwarePlaces.h"
#include "sys/RegFile.h"
#include "sys/Sha256.h"
#include "sys/Utf.h"
#include "tests/unit/Harness.h"

namespace kr8::test {
namespace {

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
TEST(RegFile, WritesEachTypeAndNameAsTheRegistryEditorReadsItAndReadsItBackOrRefusesIt) {
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
                  LittleEndianBytes(u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                                    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n" +
                                    c.line + u"\r\n\r\n"))
            << c.value.name;
        all[0].values.push_back(c.value);
    }
    all.push_back({RegRoot::CurrentUser, "S\\K\\\xE2\x86\x92 ]", {{"", RegType::Binary, "x"}}});
    std::string error;
    EXPECT_EQ(ReadRegFile(WriteRegFile(all, refused).value(), error), all) << error;
    // A name it cannot write whole is refused, and named.
    const std::string nul("a\0b", 3);
    const std::pair<RegKeyBytes, std::string> unwritable[] = {
        {{RegRoot::LocalMachine, "N\\" + nul, {}}, "HKEY_LOCAL_MACHINE\\N\\" + nul},
        {{RegRoot::LocalMachine, "N\\a\nb", {}}, "HKEY_LOCAL_MACHINE\\N\\a\nb"},
        {{RegRoot::LocalMachine, "N", {{nul, RegType::Sz, ""}}}, "HKEY_LOCAL_MACHINE\\N : " + nul},
        {{RegRoot::LocalMachine, "N", {{"a\rb", RegType::Sz, ""}}}, "HKEY_LOCAL_MACHINE\\N : a\rb"},
    };
    for (const auto& [key, name] : unwritable) {
        EXPECT_FALSE(WriteRegFile({key}, refused)) << name;
        EXPECT_EQ(refused, name);
    }
}

// The manifest names every item with its hash, length and attributes, hostile characters
// escaped; each copy is kept read-only, and a second session of the same second gets a folder
// of its own. What cannot be put back is named: a copy changed in the backup is refused, a file
// that is there again is kept at the default answer, one that cannot be written over stays as it
// was, marks included, and a file still due to be replaced at the restart is said.
TEST(Backup, TheManifestNamesEachItemAndTheRestoreWhatItCannotPutBack) {
    Harness h;
    const std::string dll = SystemPath("a \t%\xC3\xA9.dll");
    const std::string other = SystemPath("b.dll");
    const std::string held = SystemPath("held.dll");
    const std::string locked = SystemPath("locked.dll");
    h.files.WriteFileBytes(dll, std::string("MZ\0\x01", 4));
    h.files.Find(dll)->attributes = 0x27;
    for (const std::string& path : {other, held, locked}) {
        h.files.WriteFileBytes(path, path);
    }

    Backup backup(h.files, h.reg, h.store, h.os);
    const auto f = backup.SaveFile(dll);
    const auto l = backup.SaveFile(held);
    ASSERT_TRUE(f && l && backup.SaveFile(other) && backup.SaveFile(locked));
    backup.Record(*f, Removal::Deleted);
    backup.Record(*l, Removal::ReplacedAtRestart);
    EXPECT_EQ(h.files.Find(backup.Folder() + "\\file1.bak")->attributes, 0x21u);
    Backup sameSecond(h.files, h.reg, h.store, h.os);
    ASSERT_TRUE(sameSecond.SaveFile(other));
    EXPECT_EQ(sameSecond.Folder(), backup.Folder() + " (2)");

    const std::string manifest = h.files.Content(backup.Folder() + "\\backup.txt");
    EXPECT_NE(manifest.find("a %09%25\xC3\xA9.dll"), std::string::npos);
    const auto items = ReadManifest(manifest);
    ASSERT_TRUE(items && items->size() == 4u);
    EXPECT_EQ((*items)[0], (BackupItem{BackupKind::File, Removal::Deleted, "file1.bak",
                                       Sha256Hex(std::string("MZ\0\x01", 4)), dll, "", 4, 0x27}));

    h.files.Find(backup.Folder() + "\\file1.bak")->content = "tampered";
    h.files.WriteFileBytes(other, "changed");
    h.files.WriteFileBytes(locked, "another");
    *h.files.Find(locked) = {locked, 7, "another", 0x3, true};
    h.boxes.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_FALSE(RestoreAndTell(backup.Folder(), h.files, h.store, h.os, h.boxes));
    EXPECT_EQ(h.boxes.shown,
              (Strings{text::kReplaceFilePrefix + other + text::kReplaceFileSuffix,
                       text::kReplaceFilePrefix + locked + text::kReplaceFileSuffix,
                       text::kRestoreFailedPrefix + dll + text::kCopyChanged + "\r\n" + held +
                           text::kStillReplacedAtRestart + "\r\n" + other + text::kFileKept +
                           "\r\n" + locked + text::kFileNotWritten + "\r\n"}))
        << "each file there now asked about, then the summary";
    EXPECT_EQ(h.files.Content(other), "changed");
    EXPECT_EQ(h.files.Content(locked), "another");
    EXPECT_EQ(h.files.Find(locked)->attributes, 0x3u);
}

// A line is read only whole: a stored name is a name in the backup folder and nothing more,
// every escape complete. A name ending in an escaped character comes back as it went.
TEST(Backup, TheManifestRefusesBrokenLinesAndKeepsEveryNameToItsLastCharacter) {
    const std::string hash(64, 'a');
    for (const std::string& line : {
             "file\tdeleted\t..\\x.bak\t" + hash + "\tC:\\x.dll\t1\t0x00000000 ---",
             "file\tdeleted\ta/b.bak\t" + hash + "\tC:\\x.dll\t1\t0x00000000 ---",
             "file\tdeleted\tC:x.bak\t" + hash + "\tC:\\x.dll\t1\t0x00000000 ---",
             "file\tdeleted\t\t" + hash + "\tC:\\x.dll\t1\t0x00000000 ---",
             "file\tdeleted\tf.bak\t" + hash + "\tC:\\x.dll",
             "value\tdeleted\tv.reg\t" + hash + "\tHKEY_LOCAL_MACHINE\\K\tmsg%0",
             "value\tdeleted\tv.reg\t" + hash + "\tHKEY_LOCAL_MACHINE\\K\tmsg%G0",
             "key\tgone\tk.reg\t" + hash + "\tHKEY_LOCAL_MACHINE\\K",
             "link\tdeleted\tk.reg\t" + hash + "\tHKEY_LOCAL_MACHINE\\K",
         }) {
        EXPECT_FALSE(ReadManifest(line)) << line;
    }
    std::vector<BackupItem> items;
    for (const std::string name : {"msg\x01", "\x7F", "%", "126%", "\t", "%%41"}) {
        items.push_back({BackupKind::Value, Removal::Deleted, "v.reg", hash,
                         "HKEY_LOCAL_MACHINE\\K" + name, name, 0, 0});
    }
    EXPECT_EQ(ReadManifest(ManifestText("now", items)), items);
}

// The folder is made when a checked copy needs it: a copy that fails leaves none behind (nor
// itself), and a folder deleted while the program runs is made again.
TEST(Backup, TheFolderIsMadeWhenACheckedCopyNeedsItAndOnlyThen) {
    const std::string parent = std::string(fake::kWindows) + "\\KR8 Backup";
    const std::function<void(Harness&, bool)> faults[] = {
        [](Harness& h, bool on) { h.files.failWrites = on; },
        [](Harness& h, bool on) { h.files.garbleNewFiles = on; },
        [](Harness& h, bool on) { h.store.failFolders = on; },
    };
    for (const auto& fault : faults) {
        Harness h;
        const std::string dll = SystemPath("a.dll");
        h.files.WriteFileBytes(dll, "MZ");
        Backup backup(h.files, h.reg, h.store, h.os);
        fault(h, true);
        EXPECT_FALSE(backup.SaveFile(dll));
        EXPECT_TRUE(h.files.ListFolder(parent, "*").value().empty());
        EXPECT_EQ(backup.Folder(), "");
        fault(h, false);
        const auto first = backup.SaveFile(dll);
        ASSERT_TRUE(first);
        EXPECT_EQ(h.files.Content(backup.Folder() + "\\file1.bak"), "MZ");

        h.files.disk.clear();  // KR8 Backup deleted, and all in it
        h.files.WriteFileBytes(dll, "MZ");
        h.store.timeName = "2026-12-07 02.51.29";
        ASSERT_TRUE(backup.SaveFile(dll));
        EXPECT_EQ(backup.Folder(), parent + "\\2026-12-07 02.51.29");
        backup.Record(*first, Removal::Deleted);
        const auto items = ReadManifest(h.files.Content(backup.Folder() + "\\backup.txt"));
        ASSERT_TRUE(items && items->size() == 1u);
        EXPECT_EQ((*items)[0].removal, Removal::NotYet) << "an item of the deleted folder";
    }
}

// Each item goes back only to where the program takes such things from, and only from a .reg
// file that holds exactly what its line names; anything else is named, nothing of it written,
// and the rest is still put back.
TEST(Backup, TheRestorePutsBackOnlyWhatEachLineNamesWhereItWasTaken) {
    const std::string notify = place::kNotifyKey;
    const std::string guard = notify + "GuardTamp", bare = notify.substr(0, notify.size() - 1);
    const std::string agent = kPostPlatformPath.substr(5);
    const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    const RegValueBytes version{"Version", RegType::Sz, Sz(u"126")};
    const RegValueBytes evil{"evil2", RegType::Sz, Sz(u"C:\\evil.exe")};
    const RegValueBytes other{"msgOther", RegType::Sz, Sz(u"x")};
    const RegValueBytes tamp{"msgTamp", RegType::Sz, Sz(u"KR8")};
    const auto lm = [](const std::string& path, std::vector<RegValueBytes> values) {
        return RegKeyBytes{RegRoot::LocalMachine, path, std::move(values)};
    };
    const std::string dll = SystemPath("tamp.dll");
    const std::string hklm = "HKEY_LOCAL_MACHINE\\";
    // What changes in the backup: item 0 (the file), 1 (the key) or 2 (the value) gets a new
    // original, or a new .reg file, and is refused with that text.
    const struct {
        std::size_t item;
        std::string original;
        std::vector<RegKeyBytes> reg;
        const char* failure;
    } cases[] = {
        {0, "", {}, nullptr},
        // Another disk's backup names its files on the drive it was reached on, or on its own.
        {0, "E" + dll.substr(1), {}, nullptr},
        {0, "E:\\tamp.dll", {}, text::kNotItsPlace},
        {1, "", {lm(guard, {version}), lm(run, {evil})}, text::kRegFileHoldsMore},
        {1, "", {lm(notify + "GuardOther", {version})}, text::kRegFileHoldsMore},
        {1, "", {lm(guard, {}), lm(guard + "\\\\x", {})}, text::kRegFileHoldsMore},
        {2, "", {lm(agent, {other}), lm(run, {evil})}, text::kRegFileHoldsMore},
        {2, "", {lm(agent, {tamp, other})}, text::kRegFileHoldsMore},
        {2, "", {lm(agent, {other})}, text::kRegFileHoldsMore},
        {2, "", {{RegRoot::CurrentUser, agent, {tamp}}}, text::kRegFileHoldsMore},
        {0, "tamp.dll", {}, text::kNotItsPlace},
        {0, SystemPath("..\\..\\tamp.dll"), {}, text::kNotItsPlace},
        {0, SystemPath(".."), {}, text::kNotItsPlace},
        {0, SystemPath("tamp.dll:x"), {}, text::kNotItsPlace},
        {0, "C:\\tamp.dll", {}, text::kNotItsPlace},
        {0, "C:\\WINDOWSx.dll", {}, text::kNotItsPlace},
        {1, hklm + run, {lm(run, {evil})}, text::kNotItsPlace},
        {1, hklm + bare, {lm(bare, {evil})}, text::kNotItsPlace},
    };
    for (const auto& c : cases) {
        Harness h;
        h.files.WriteFileBytes(dll, "MZ");
        h.reg.SetRaw("HKLM\\" + guard, version.name, version.type, version.bytes);
        h.reg.AddKey("HKLM\\" + guard + "\\Sub");
        h.reg.SetRaw(kPostPlatformPath, tamp.name, tamp.type, tamp.bytes);
        Backup backup(h.files, h.reg, h.store, h.os);
        ASSERT_TRUE(backup.SaveFile(dll) && backup.SaveKey(RegRoot::LocalMachine, guard) &&
                    backup.SaveValue(RegRoot::LocalMachine, agent, "msgTamp"));
        h.files.Remove(dll);
        h.reg.DeleteRegKey(RegRoot::LocalMachine, guard);
        h.reg.DeleteRegValue(RegRoot::LocalMachine, agent, "msgTamp");

        const std::string folder = backup.Folder();
        auto items = ReadManifest(h.files.Content(folder + "\\backup.txt")).value();
        BackupItem& changed = items[c.item];
        changed.original = c.original.empty() ? changed.original : c.original;
        if (!c.reg.empty()) {
            std::string refused;
            const std::string bytes = WriteRegFile(c.reg, refused).value();
            h.files.Find(folder + "\\" + changed.stored)->content = bytes;
            changed.sha256 = Sha256Hex(bytes);
        }
        h.files.WriteFileBytes(folder + "\\backup.txt", ManifestText("now", items));

        const bool whole = RestoreAndTell(folder, h.files, h.store, h.os, h.boxes);
        const std::string named = changed.original + (c.failure ? c.failure : "");
        EXPECT_EQ(whole, !c.failure) << named;
        EXPECT_EQ(h.boxes.shown.back(), c.failure
                                            ? text::kRestoreFailedPrefix + named + "\r\n"
                                            : text::kRestoredAllPrefix + dll + "\r\n" + hklm +
                                                  guard + "\r\n" + hklm + agent + " : msgTamp\r\n");
        // The three items are back unless refused, and nothing else is there.
        const bool refused = c.failure != nullptr;
        EXPECT_EQ(h.files.Exists(dll), !refused || c.item != 0) << named;
        EXPECT_EQ(h.reg.HasKey("HKLM\\" + guard + "\\Sub"), !refused || c.item != 1) << named;
        EXPECT_EQ(h.reg.Get(kPostPlatformPath, "msgTamp").has_value(), !refused || c.item != 2);
        EXPECT_FALSE(h.reg.HasKey("HKLM\\" + run) ||
                     h.reg.HasKey("HKLM\\" + notify + "GuardOther") ||
                     h.reg.Get(kPostPlatformPath, "msgOther") || h.files.Exists("tamp.dll") ||
                     h.files.Exists(SystemPath("tamp.dll:x")) || h.files.Exists("C:\\WINDOWSx.dll"))
            << named;
    }
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

// The system menu's restore: with no backup it says where it looked; it offers the backups
// newest first, a later session of one second before the earlier, then every other folder of
// KR8 Backup by name: one whose name is no real date and time or that holds no backup.txt. It
// puts back the one picked and scans again.
TEST(Backup, TheMenuOffersTheBackupsNewestFirstThenOtherFoldersAndRestoresThePickedOne) {
    Harness h;
    h.LoadAndFind();
    h.form.RestoreFromMenu([](const std::vector<BackupFolder>&) -> std::optional<std::string> {
        ADD_FAILURE() << "nothing to pick from";
        return std::nullopt;
    });
    EXPECT_EQ(h.boxes.shown, Strings{"There is no backup in C:\\WINDOWS\\KR8 Backup"});
    const std::string parent = std::string(fake::kWindows) + "\\KR8 Backup\\";
    std::vector<BackupFolder> expected;
    for (const char* name : {"older.dll", "newer.dll"}) {
        h.files.WriteFileBytes(SystemPath(name), std::string(320872, name[0]));
        h.store.timeName = name[0] == 'o' ? "2026-12-06 23.59.59" : "2026-12-07 00.00.01";
        Backup backup(h.files, h.reg, h.store, h.os);
        ASSERT_TRUE(backup.SaveFile(SystemPath(name)));
        expected.insert(expected.begin(), {backup.Folder(), true});
        h.files.Remove(SystemPath(name));
    }
    // Each with or without a backup.txt.
    const std::pair<std::string, bool> others[] = {
        {"2026-13-45 99.99.99", false},
        {"2026-02-29 12.00.00", true},
        {"2026-12-07 24.00.00", true},
        {"2026-12-08 00.00.00", false},
        {"2026-12-07 00.00.01 (2)x", true},
        {"2026-12-07 00.00.01 (1)", true},
        {"2026-12-07 00.00.01 (07)", true},
        {"Old backups", true},
        {"zzz", false},
    };
    for (const auto& [name, manifest] : others) {
        h.files.AddFolder(parent + name);
        if (manifest) {
            h.files.WriteFileBytes(parent + name + "\\backup.txt", "");
        }
        expected.push_back({parent + name, false});
    }
    std::sort(expected.begin() + 2, expected.end(),
              [](const BackupFolder& a, const BackupFolder& b) { return a.path < b.path; });
    for (const char* session : {" (10)", " (9)"}) {
        h.store.CreateFolder(expected[0].path + session);
        h.files.WriteFileBytes(expected[0].path + session + "\\backup.txt", "");
    }
    expected.insert(expected.begin(),
                    {{expected[0].path + " (10)", true}, {expected[0].path + " (9)", true}});
    std::vector<BackupFolder> offered;
    h.form.RestoreFromMenu([&](const std::vector<BackupFolder>& shown) {
        offered = shown;
        return std::optional<std::string>(shown[3].path);
    });
    EXPECT_EQ(offered, expected);
    EXPECT_EQ(h.controls.Entries(), Strings{SystemPath("older.dll")}) << "scanned again";
}

}  // namespace
}  // namespace kr8::test
