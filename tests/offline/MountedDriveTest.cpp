#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sys/posix/MountedDrive.h"
#include "tests/offline/Scratch.h"

namespace kr8::test {
namespace {

// Every table runs with the kernel's confinement and with the step-by-step walk of kernels
// without openat2.
class Drive : public ::testing::TestWithParam<Confinement> {
  protected:
    MountedDrive Open(const std::string& root) {
        MountedDrive drive("C:", root, GetParam());
        EXPECT_EQ(drive.Confined(), GetParam());
        return drive;
    }
};

INSTANTIATE_TEST_SUITE_P(BothWays, Drive,
                         ::testing::Values(Confinement::Kernel, Confinement::StepByStep),
                         [](const auto& run) {
                             return run.param == Confinement::Kernel ? "Kernel" : "StepByStep";
                         });

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&part](const std::string& t) { return t.find(part) != std::string::npos; });
}

// Windows paths reach the disk step by step: the name held, else one that differs in ASCII case
// only; never a step out of the drive, another drive, or a name that is no Windows name. A name
// Windows cannot hold is left out of listings: "drivers\good.dll" joined to the folder would name
// the real drivers\good.dll. Beside a case twin a change acts on the exact spelling alone.
TEST_P(Drive, FindsEachStepAsWindowsWouldAndChangesOnlyTheExactName) {
    Scratch s;
    // Each file holds its own name.
    for (const std::string name :
         {"a.dll", "x.dll", "X.dll", "b.dll ", "\xC3\xA9.dll", "drivers/good.dll",
          "drivers\\good.dll", "a\x01.dll", "\xFF.dll", "c:d.dll"}) {
        s.File("WINDOWS/System32/" + name, name);
    }
    s.File("secret", "secret");
    MountedDrive drive = Open(s.dir.string());
    const struct {
        const char* path;
        std::optional<std::string> read;
    } cases[] = {
        {"C:\\windows\\system32\\A.DLL", "a.dll"},
        {"c:\\WINDOWS\\SYSTEM32\\x.dll", "x.dll"},
        {"C:\\WINDOWS\\System32\\X.dll", "X.dll"},
        {"C:\\WINDOWS\\System32\\b.dll ", "b.dll "},
        {"C:\\WINDOWS\\System32\\b.dll", std::nullopt},
        {"C:\\WINDOWS\\System32\\\xC3\x89.dll", std::nullopt},
        {"C:\\WINDOWS\\System32\\\xC3\xA9.dll", "\xC3\xA9.dll"},
        {"C:\\WINDOWS\\..\\secret", std::nullopt},
        {"C:\\WINDOWS\\System32\\a.dll\\", std::nullopt},
        {"D:\\secret", std::nullopt},
        {"C:secret", std::nullopt},
        {"C:\\WINDOWS/System32\\a.dll", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(drive.ReadFileBytes(c.path), c.read) << c.path;
    }
    const auto listed = drive.ListFolder("C:\\windows\\system32", "*");
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->size(), 6u);
    EXPECT_EQ(drive.Problems().size(), 4u);
    EXPECT_TRUE(Contains(drive.Problems(), "drivers\\good.dll"));
    EXPECT_FALSE(drive.WindowsPath((s.dir / "WINDOWS/System32/drivers\\good.dll").string()));
    EXPECT_FALSE(drive.ListFolder("C:\\windows\\system64", "*"));

    const std::string dir = "C:\\WINDOWS\\System32\\";
    ASSERT_TRUE(drive.RemoveFile(dir + "x.dll"));
    EXPECT_TRUE(drive.Exists(dir + "x.dll"));  // as Windows would look it up: X.dll
    EXPECT_FALSE(drive.ExistsExactly(dir + "x.dll"));
    EXPECT_FALSE(drive.RemoveFile(dir + "x.dll"));
    EXPECT_FALSE(drive.SetAttributes(dir + "x.dll", 0x1));
    EXPECT_TRUE(drive.WriteFileBytes(dir + "x.dll", "back"));
    EXPECT_EQ(s.Read("WINDOWS/System32/x.dll"), "back");
    EXPECT_EQ(s.Read("WINDOWS/System32/X.dll"), "X.dll");
}

// No link on the disk is followed, whatever it points at and at whichever step, and a FIFO,
// device or folder where a file is wanted is refused at once, never waited on nor
// written through, and told as a problem. The host's files beside the disk stay as they were.
TEST_P(Drive, FollowsNoLinkAndOpensOnlyRegularFiles) {
    const HangGuard guard;
    Scratch s;
    const std::string host = s.File("host/secret.dll", "host bytes");
    s.Folder("host/folder");
    s.File("disk/WINDOWS/system32/real.dll", "disk bytes");
    s.Link("disk/WINDOWS/up", "../../host");                // a folder, relative, out through ".."
    s.Link("disk/WINDOWS/abs", (s.dir / "host").string());  // a folder, absolute
    s.Link("disk/WINDOWS/system32/file.dll", host);         // a file, absolute
    s.Link("disk/WINDOWS/system32/rel.dll", "../../../host/secret.dll");
    s.Link("disk/WINDOWS/KR8 Backup", (s.dir / "host/folder").string());
    // Links that stay on the disk: the kernel's confinement alone would let these through.
    s.Link("disk/WINDOWS/inside", "system32");
    s.Link("disk/WINDOWS/system32/twin.dll", "real.dll");
    s.Fifo("disk/WINDOWS/system32/fifo.dll");
    s.Folder("disk/WINDOWS/system32/folder.dll");
    std::vector<std::string> special = {"fifo.dll", "folder.dll"};
    // Where root runs the tests: a device that takes any write.
    if (mknod((s.dir / "disk/WINDOWS/system32/device.dll").c_str(), S_IFCHR | 0666,
              makedev(1, 3)) == 0) {
        special.push_back("device.dll");
    }
    const auto before = s.Snapshot("host");
    MountedDrive drive = Open((s.dir / "disk").string());
    for (const std::string path :
         {"C:\\WINDOWS\\up\\secret.dll", "C:\\WINDOWS\\abs\\secret.dll",
          "C:\\WINDOWS\\system32\\file.dll", "C:\\WINDOWS\\system32\\rel.dll",
          "C:\\WINDOWS\\..\\..\\host\\secret.dll", "C:\\WINDOWS\\KR8 Backup\\new",
          "C:\\WINDOWS\\inside\\real.dll", "C:\\WINDOWS\\system32\\twin.dll"}) {
        EXPECT_FALSE(drive.ReadFileBytes(path) || drive.FileLength(path) || drive.Hold(path) ||
                     drive.Attributes(path) || drive.WriteFileBytes(path, "x") ||
                     drive.CreateNewFile(path, "x") || drive.SetAttributes(path, 0x80) ||
                     drive.RemoveFile(path) || drive.CreateFolder(path + "\\x") ||
                     drive.RenameFile("C:\\WINDOWS\\system32\\real.dll", path))
            << path;
    }
    for (const std::string folder : {"C:\\WINDOWS\\up", "C:\\WINDOWS\\abs",
                                     "C:\\WINDOWS\\KR8 Backup", "C:\\WINDOWS\\up\\folder"}) {
        EXPECT_FALSE(drive.ListFolder(folder, "*")) << folder;
    }
    for (const std::string& name : special) {
        const std::string path = "C:\\WINDOWS\\system32\\" + name;
        EXPECT_FALSE(drive.ReadFileBytes(path) || drive.Hold(path) || drive.FileLength(path) ||
                     drive.WriteFileBytes(path, "x") || drive.RemoveFile(path))
            << name;
        EXPECT_TRUE(drive.Exists(path)) << name;
        EXPECT_TRUE(Contains(drive.Problems(), path)) << name;
    }
    // A link in a listing has no length and is no folder.
    const auto files = drive.ListFolder("C:\\WINDOWS\\system32", "*");
    const auto folders = drive.ListFolder("C:\\WINDOWS", "*");
    ASSERT_TRUE(files && folders);
    for (const FolderEntry& entry : *files) {
        EXPECT_EQ(entry.length, entry.name == "real.dll" ? 10u : 0u) << entry.name;
    }
    for (const FolderEntry& entry : *folders) {
        EXPECT_EQ(entry.isFolder, entry.name == "system32") << entry.name;
    }
    EXPECT_EQ(s.Snapshot("host"), before);
    EXPECT_EQ(s.Read("disk/WINDOWS/system32/real.dll"), "disk bytes");
    for (const std::string& name : special) {
        EXPECT_TRUE(std::filesystem::exists(s.dir / "disk/WINDOWS/system32" / name)) << name;
    }
}

}  // namespace
}  // namespace kr8::test
