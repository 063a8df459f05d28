#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/RestoreText.h"
#include "app/Texts.h"
#include "app/offline/OfflineClean.h"
#include "app/offline/OfflineStore.h"
#include "app/offline/OfflineTarget.h"
#include "remove/Backup.h"
#include "remove/Restore.h"
#include "tests/offline/Scratch.h"

namespace kr8::test {
namespace {

const std::string kProfiles = "Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const std::string kCurrentVersion = "Microsoft\\Windows NT\\CurrentVersion";

// The temporary folders are each profile's, in the layout of 2000/XP or of later Windows, and
// the Windows folder's own, named as that Windows names them; a profile elsewhere is skipped.
TEST(OfflineTarget, TakesTheFoldersFromTheHiveAndTheDisk) {
    Scratch s;
    s.Folder("mnt/Documents and Settings/ann/Local Settings/TEMP");
    s.Folder("mnt/Users/bob/AppData/Local/Temp");
    s.Folder("mnt/WinNT/temp");
    s.Hive(
        "mnt/WinNT/SYSTEM32/CONFIG/SOFTWARE", {kProfiles + "\\S-1-5-18"},
        {{kCurrentVersion, "SystemRoot", hive_t_REG_SZ, "D:\\WINNT"},
         {kProfiles + "\\S-1-5-21-1", "ProfileImagePath", hive_t_REG_EXPAND_SZ,
          "%SystemDrive%\\Documents and Settings\\ann"},
         {kProfiles + "\\S-1-5-21-2", "ProfileImagePath", hive_t_REG_EXPAND_SZ, "D:\\Users\\bob\\"},
         {kProfiles + "\\S-1-5-21-4", "ProfileImagePath", hive_t_REG_EXPAND_SZ, "D:\\users\\BOB"},
         {kProfiles + "\\S-1-5-21-3", "ProfileImagePath", hive_t_REG_EXPAND_SZ, "E:\\Users\\eve"}});
    std::string why;
    auto target = OfflineTarget::Open((s.dir / "mnt/WinNT/").string(), false, &why);
    ASSERT_TRUE(target) << why;
    EXPECT_EQ(target->GetSystemFolder(), "D:\\WINNT\\system32");
    EXPECT_EQ(
        target->GetTempFolders(),
        (std::vector<std::string>{"D:\\Documents and Settings\\ann\\Local Settings\\Temp",
                                  "D:\\Users\\bob\\AppData\\Local\\Temp", "D:\\WINNT\\Temp"}));
    EXPECT_TRUE(target->Warnings().empty());
}

// The folder given is the Windows folder, typed relative or not, and the folder above it the
// drive's root; the hive's SystemRoot only spells the folder for the report, when it names that
// folder. Nothing lands in a case twin of it, nor outside the disk.
TEST(OfflineTarget, ScansTheFolderGivenWhateverTheHiveSays) {
    const struct {
        const char* given;
        const char* systemRoot;  // none: nullptr
        const char* windowsFolder;
        bool warned, relative;
    } cases[] = {
        {"WINDOWS", "C:\\WINDOWS", "C:\\WINDOWS", false, false},
        {"windows", "C:\\WINDOWS", "C:\\WINDOWS", false, true},
        {"WINDOWS", "d:\\windows\\", "d:\\windows", false, true},
        {"WINDOWS", "C:\\victim\\WIN", "C:\\WINDOWS", true, false},
        {"windows", "E:\\Other", "E:\\windows", true, true},
        {"WINDOWS", "WINDOWS", "C:\\WINDOWS", true, false},
        {"WINDOWS", nullptr, "C:\\WINDOWS", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.given) + " " + (c.systemRoot ? c.systemRoot : "(none)"));
        Scratch s;
        const std::string twin = c.given == std::string("WINDOWS") ? "windows" : "WINDOWS";
        std::vector<Scratch::Value> values;
        if (c.systemRoot != nullptr) {
            values.push_back({kCurrentVersion, "SystemRoot", hive_t_REG_SZ, c.systemRoot});
        }
        for (const std::string& folder : {std::string(c.given), twin}) {
            s.Hive("disk/" + folder + "/system32/config/software", {}, values);
            s.Folder("disk/" + folder + "/Temp");
        }
        s.File("victim/WIN/sentinel", "host");
        const auto host = s.Snapshot("victim");
        const std::string cwd = std::filesystem::current_path();
        std::filesystem::current_path(c.relative ? s.dir / "disk" : s.dir);
        std::string why;
        auto target = OfflineTarget::Open(
            c.relative ? c.given : (s.dir / "disk" / c.given).string(), true, &why);
        std::filesystem::current_path(cwd);
        ASSERT_TRUE(target) << why;
        EXPECT_EQ(target->GetWindowsFolder(), c.windowsFolder);
        EXPECT_EQ(target->Warnings().size(), c.warned ? 1u : 0u);
        EXPECT_EQ(target->GetTempFolders(),
                  std::vector<std::string>{c.windowsFolder + std::string("\\Temp")});
        EXPECT_TRUE(target->Drive().CreateFolder(target->GetWindowsFolder() + "\\KR8 Backup"));
        EXPECT_TRUE(std::filesystem::is_directory(s.dir / "disk" / c.given / "KR8 Backup"));
        EXPECT_FALSE(std::filesystem::exists(s.dir / "disk" / twin / "KR8 Backup"));
        EXPECT_FALSE(target->Drive().Exists("C:\\victim\\WIN\\sentinel"));
        EXPECT_EQ(s.Snapshot("victim"), host);
    }
}

// A hive that is no regular file of the disk is refused without waiting on it.
TEST(OfflineTarget, RefusesAHiveThatIsNoFileOfTheDisk) {
    const HangGuard guard;
    Scratch s;
    const std::string host = s.Hive("host/software", {}, {});
    s.Fifo("fifo/WINDOWS/system32/config/software");
    s.Link("link/WINDOWS/system32/config/software", host);
    s.Link("folder/WINDOWS/system32/config", (s.dir / "host").string());
    s.Folder("none/WINDOWS/system32/config");
    const struct {
        const char* disk;
        std::string why;
    } cases[] = {{"fifo", text::kHiveUnreadable},
                 {"link", text::kHiveUnreadable},
                 {"folder", text::kNotAWindowsFolder},
                 {"none", text::kNotAWindowsFolder}};
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(OfflineTarget::Open((s.dir / c.disk / "WINDOWS").string(), false, &why));
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.disk << ": " << why;
    }
}

// The disk is written only over what was read. The hive is replaced only while it is the file
// that was read: a change made meanwhile, even one that keeps the size and puts the time back, is
// never overwritten, and a stale file of an earlier run beside it blocks nothing. The restore
// writes over no twin: each is put back as itself.
TEST(OfflineTarget, WritesOnlyOverWhatItRead) {
    Scratch s;
    const std::string key = "SOFTWARE\\" + kCurrentVersion + "\\";
    const std::string path = s.Hive("WINDOWS/system32/config/software", {},
                                    {{kCurrentVersion, "SystemRoot", hive_t_REG_SZ, "C:\\WINDOWS"},
                                     {kCurrentVersion, "a", hive_t_REG_SZ, "1"},
                                     {kCurrentVersion, "b", hive_t_REG_SZ, "2"}});
    s.File("WINDOWS/system32/config/software.kr8-new/stale", "stale");
    s.File("WINDOWS/system32/twin.dll", "lower");
    s.File("WINDOWS/system32/TWIN.dll", "upper");
    std::string why;
    auto target = OfflineTarget::Open((s.dir / "WINDOWS").string(), true, &why);
    ASSERT_TRUE(target) << why;
    MountedDrive& drive = target->Drive();
    target->Registry().DeleteRegValue(RegRoot::LocalMachine, key, "a");
    ASSERT_TRUE(target->SaveHive(&why)) << why;
    const std::string saved = s.Read("WINDOWS/system32/config/software");
    EXPECT_EQ(HiveRegistry::FromBytes(saved, false)->ReadRegValue(RegRoot::LocalMachine, key, "a"),
              kNotFound);
    EXPECT_EQ(s.Read("WINDOWS/system32/config/software.kr8-new/stale"), "stale");

    // Another program changes one byte in place, and puts the time back.
    const auto mtime = std::filesystem::last_write_time(path);
    std::string changed = saved;
    changed[0x1000 + 0x30] ^= 1;
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << changed;
    std::filesystem::last_write_time(path, mtime);
    target->Registry().DeleteRegValue(RegRoot::LocalMachine, key, "b");
    EXPECT_FALSE(target->SaveHive(&why));
    EXPECT_NE(why.find("content"), std::string::npos) << why;
    EXPECT_EQ(s.Read("WINDOWS/system32/config/software"), changed);
    // The copy kept is the hive as it was read, not as it is now.
    ASSERT_TRUE(drive.CreateFolder("C:\\WINDOWS\\KR8 Backup"));
    ASSERT_TRUE(target->KeepHiveCopy("C:\\WINDOWS\\KR8 Backup"));
    EXPECT_EQ(s.Read("WINDOWS/KR8 Backup" + std::string(text::kHiveCopy).replace(0, 1, "/")),
              saved);

    OfflineStore store(drive, target->Registry());
    std::FILE* out = std::fopen("/dev/null", "w");
    std::FILE* in = std::fopen("/dev/null", "r");
    TerminalBoxes noToAll(in, out, false);
    const std::string system = "C:\\WINDOWS\\system32\\";

    // Twins both of the adware's size: each backed up, deleted and put back as itself, with no
    // question about replacing the other.
    Backup backup(drive, target->Registry(), store, *target);
    for (const std::string name : {"twin.dll", "TWIN.dll"}) {
        ASSERT_TRUE(backup.SaveFile(system + name)) << name;
        ASSERT_TRUE(drive.RemoveFile(system + name)) << name;
        EXPECT_FALSE(drive.ExistsExactly(system + name)) << name;
    }
    EXPECT_TRUE(
        RestoreFromBackup(backup.Folder(), drive, store, *target, ReplaceAskedIn(noToAll)).Whole());
    EXPECT_EQ(s.Read("WINDOWS/system32/twin.dll"), "lower");
    EXPECT_EQ(s.Read("WINDOWS/system32/TWIN.dll"), "upper");

    std::fclose(in);
    std::fclose(out);
}

}  // namespace
}  // namespace kr8::test
