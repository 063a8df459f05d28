#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/offline/OfflineTarget.h"
#include "tests/offline/Scratch.h"

namespace kr8::test {
namespace {

const std::string kProfiles = "Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Windows paths reach the disk step by step: the name held, else one that differs in ASCII case
// only; never a step out of the drive, another drive, or a name that is no Windows name.
TEST(MountedDrive, FindsEachStepAsHeldOrElseWithoutRegardToCase) {
    Scratch s;
    s.File("WINDOWS/System32/a.dll", 3);
    s.File("WINDOWS/System32/x.dll", 1);
    s.File("WINDOWS/System32/X.dll", 2);
    s.File("WINDOWS/System32/b.dll ", 4);
    s.File("WINDOWS/System32/\xC3\xA9.dll", 5);
    s.File("secret", 6);
    MountedDrive drive("C:", s.dir.string());
    const struct {
        const char* path;
        std::optional<std::uint64_t> length;
    } cases[] = {
        {"C:\\windows\\system32\\A.DLL", 3},
        {"c:\\WINDOWS\\SYSTEM32\\x.dll", 1},
        {"C:\\WINDOWS\\System32\\X.dll", 2},
        {"C:\\WINDOWS\\System32\\b.dll ", 4},
        {"C:\\WINDOWS\\System32\\b.dll", std::nullopt},
        {"C:\\WINDOWS\\System32\\\xC3\x89.dll", std::nullopt},
        {"C:\\WINDOWS\\System32\\\xC3\xA9.dll", 5},
        {"C:\\WINDOWS\\..\\secret", std::nullopt},
        {"C:\\WINDOWS\\System32\\a.dll\\", std::nullopt},
        {"D:\\secret", std::nullopt},
        {"C:secret", std::nullopt},
        {"C:\\WINDOWS/System32\\a.dll", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(drive.FileLength(c.path), c.length) << c.path;
    }
    const auto listed = drive.ListFolder("C:\\windows\\system32", "*");
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->size(), 5u);
    EXPECT_FALSE(drive.ListFolder("C:\\windows\\system64", "*"));
    // A link on the scanned disk is read through, never written through.
    std::filesystem::create_directory_symlink(s.Folder("elsewhere"), s.dir / "WINDOWS/KR8 Backup");
    EXPECT_TRUE(drive.Exists("C:\\WINDOWS\\KR8 Backup"));
    EXPECT_FALSE(drive.CreateFolder("C:\\WINDOWS\\KR8 Backup\\x"));
    EXPECT_FALSE(drive.CreateNewFile("C:\\WINDOWS\\KR8 Backup\\y", "z"));
    EXPECT_TRUE(std::filesystem::is_empty(s.dir / "elsewhere"));
}

// The temporary folders are each profile's, in the layout of 2000/XP or of later Windows, and
// the Windows folder's own, named as that Windows names them; a profile elsewhere is skipped.
TEST(OfflineTarget, TakesTheFoldersFromTheHiveAndTheDisk) {
    Scratch s;
    s.Folder("mnt/Documents and Settings/ann/Local Settings/TEMP");
    s.Folder("mnt/Users/bob/AppData/Local/Temp");
    s.Folder("mnt/WinNT/temp");
    s.Hive(
        "mnt/WinNT/SYSTEM32/CONFIG/SOFTWARE", {kProfiles + "\\S-1-5-18"},
        {{"Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", hive_t_REG_SZ, "D:\\WINNT"},
         {kProfiles + "\\S-1-5-21-1", "ProfileImagePath", hive_t_REG_EXPAND_SZ,
          "%SystemDrive%\\Documents and Settings\\ann"},
         {kProfiles + "\\S-1-5-21-2", "ProfileImagePath", hive_t_REG_EXPAND_SZ, "D:\\Users\\bob\\"},
         {kProfiles + "\\S-1-5-21-3", "ProfileImagePath", hive_t_REG_EXPAND_SZ, "E:\\Users\\eve"}});
    std::string why;
    auto target = OfflineTarget::Open((s.dir / "mnt/WinNT/").string(), false, &why);
    ASSERT_TRUE(target) << why;
    EXPECT_EQ(target->GetSystemFolder(), "D:\\WINNT\\system32");
    EXPECT_EQ(
        target->GetTempFolders(),
        (std::vector<std::string>{"D:\\Documents and Settings\\ann\\Local Settings\\Temp",
                                  "D:\\Users\\bob\\AppData\\Local\\Temp", "D:\\WINNT\\Temp"}));
}

}  // namespace
}  // namespace kr8::test
