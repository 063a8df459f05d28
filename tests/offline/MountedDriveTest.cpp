#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

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
    for (const std::string& text : texts) {
        if (text.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Windows paths reach the disk step by step: the name held, else one that differs in ASCII case
// only; never a step out of the drive, another drive, or a name that is no Windows name.
TEST_P(Drive, FindsEachStepAsHeldOrElseWithoutRegardToCase) {
    Scratch s;
    s.File("WINDOWS/System32/a.dll", 3);
    s.File("WINDOWS/System32/x.dll", 1);
    s.File("WINDOWS/System32/X.dll", 2);
    s.File("WINDOWS/System32/b.dll ", 4);
    s.File("WINDOWS/System32/\xC3\xA9.dll", 5);
    s.File("secret", 6);
    MountedDrive drive = Open(s.dir.string());
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
}

// No link on the disk is followed, whatever it points at and at whichever step: the host's
// files beside the disk are neither read nor changed.
TEST_P(Drive, FollowsNoLinkAtAnyStep) {
    Scratch s;
    const std::string host = s.File("host/secret.dll", "host bytes");
    s.Folder("host/folder");
    s.File("disk/WINDOWS/system32/real.dll", "disk bytes");
    s.Link("disk/WINDOWS/up", "../../host");                // a folder, relative, out through ".."
    s.Link("disk/WINDOWS/abs", (s.dir / "host").string());  // a folder, absolute
    s.Link("disk/WINDOWS/system32/file.dll", host);         // a file, absolute
    s.Link("disk/WINDOWS/system32/rel.dll", "../../../host/secret.dll");
    s.Link("disk/WINDOWS/KR8 Backup", (s.dir / "host/folder").string());
    const auto before = s.Snapshot("host");
    MountedDrive drive = Open((s.dir / "disk").string());
    for (const std::string path :
         {"C:\\WINDOWS\\up\\secret.dll", "C:\\WINDOWS\\abs\\secret.dll",
          "C:\\WINDOWS\\system32\\file.dll", "C:\\WINDOWS\\system32\\rel.dll",
          "C:\\WINDOWS\\..\\..\\host\\secret.dll", "C:\\WINDOWS\\KR8 Backup\\new"}) {
        EXPECT_FALSE(drive.ReadFileBytes(path)) << path;
        EXPECT_FALSE(drive.FileLength(path)) << path;
        EXPECT_FALSE(drive.Hold(path)) << path;
        EXPECT_FALSE(drive.Attributes(path)) << path;
        EXPECT_FALSE(drive.WriteFileBytes(path, "x")) << path;
        EXPECT_FALSE(drive.CreateNewFile(path, "x")) << path;
        EXPECT_FALSE(drive.SetAttributes(path, 0x80)) << path;
        EXPECT_FALSE(drive.RemoveFile(path)) << path;
        EXPECT_FALSE(drive.CreateFolder(path + "\\x")) << path;
        EXPECT_FALSE(drive.RenameFile("C:\\WINDOWS\\system32\\real.dll", path)) << path;
    }
    for (const std::string folder : {"C:\\WINDOWS\\up", "C:\\WINDOWS\\abs",
                                     "C:\\WINDOWS\\KR8 Backup", "C:\\WINDOWS\\up\\folder"}) {
        EXPECT_FALSE(drive.ListFolder(folder, "*")) << folder;
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
}

// A FIFO, socket, device or folder where a file is wanted is refused at once, never waited on
// nor written through, and told as a problem.
TEST_P(Drive, OpensOnlyRegularFiles) {
    const HangGuard guard;
    Scratch s;
    s.Fifo("WINDOWS/system32/fifo.dll");
    s.Folder("WINDOWS/system32/folder.dll");
    std::vector<std::string> names = {"fifo.dll", "folder.dll"};
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (s.dir / "WINDOWS/system32/socket.dll").string();
    if (socketPath.size() < sizeof address.sun_path) {
        socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        names.push_back("socket.dll");
    }
    // Where root runs the tests: a device that takes any write.
    if (mknod((s.dir / "WINDOWS/system32/device.dll").c_str(), S_IFCHR | 0666, makedev(1, 3)) ==
        0) {
        names.push_back("device.dll");
    }
    MountedDrive drive = Open(s.dir.string());
    for (const std::string& name : names) {
        const std::string path = "C:\\WINDOWS\\system32\\" + name;
        EXPECT_FALSE(drive.ReadFileBytes(path)) << name;
        EXPECT_FALSE(drive.Hold(path)) << name;
        EXPECT_FALSE(drive.FileLength(path)) << name;
        EXPECT_FALSE(drive.WriteFileBytes(path, "x")) << name;
        EXPECT_FALSE(drive.RemoveFile(path)) << name;
        EXPECT_TRUE(drive.Exists(path)) << name;
        EXPECT_TRUE(std::filesystem::exists(s.dir / "WINDOWS/system32" / name)) << name;
        EXPECT_TRUE(Contains(drive.Problems(), path)) << name;
    }
    close(sock);
}

// A name Windows cannot hold never reaches a Windows path: "drivers\good.dll" joined to the
// folder would name the real drivers\good.dll.
TEST_P(Drive, SkipsNamesWindowsCannotHold) {
    Scratch s;
    s.File("WINDOWS/system32/drivers/good.dll", "real driver");
    for (const std::string name : {"drivers\\good.dll", "a\x01.dll", "\xFF.dll", "c:d.dll"}) {
        s.File("WINDOWS/system32/" + name, "adware");
    }
    MountedDrive drive = Open(s.dir.string());
    const auto listed = drive.ListFolder("C:\\WINDOWS\\system32", "*");
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 1u);
    EXPECT_EQ(listed->front().name, "drivers");
    EXPECT_EQ(drive.Problems().size(), 4u);
    EXPECT_TRUE(Contains(drive.Problems(), "drivers\\good.dll"));
    EXPECT_FALSE(
        drive.WindowsPath((s.dir / "WINDOWS/system32/drivers\\good.dll").string()).has_value());
}

// Where a case-sensitive disk holds twins, the exact spelling wins, and a change acts on that
// spelling alone: never on the twin, which is another file there.
TEST_P(Drive, ChangesOnlyTheExactNameBesideItsCaseTwin) {
    Scratch s;
    s.File("WINDOWS/system32/twin.dll", "lower");
    s.File("WINDOWS/system32/TWIN.dll", "upper");
    s.File("WINDOWS/system32/solo.dll", "solo");
    MountedDrive drive = Open(s.dir.string());
    const std::string dir = "C:\\WINDOWS\\system32\\";
    EXPECT_EQ(drive.ReadFileBytes(dir + "twin.dll"), "lower");
    EXPECT_EQ(drive.ReadFileBytes(dir + "TWIN.dll"), "upper");
    ASSERT_TRUE(drive.RemoveFile(dir + "twin.dll"));
    EXPECT_TRUE(drive.Exists(dir + "twin.dll"));  // as Windows would look it up: TWIN.dll
    EXPECT_FALSE(drive.ExistsExactly(dir + "twin.dll"));
    EXPECT_TRUE(drive.ExistsExactly(dir + "TWIN.dll"));
    EXPECT_FALSE(drive.SetAttributes(dir + "twin.dll", 0x1));
    EXPECT_FALSE(drive.RemoveFile(dir + "twin.dll"));
    EXPECT_TRUE(drive.WriteFileBytes(dir + "twin.dll", "back"));
    EXPECT_EQ(s.Read("WINDOWS/system32/twin.dll"), "back");
    EXPECT_EQ(s.Read("WINDOWS/system32/TWIN.dll"), "upper");
    EXPECT_FALSE(drive.CreateNewFile(dir + "TWIN.dll", "x"));
    EXPECT_TRUE(drive.CreateNewFile(dir + "Solo.dll", "beside"));
    EXPECT_TRUE(drive.RenameFile(dir + "Solo.dll", dir + "SOLO.dll"));
    EXPECT_EQ(s.Read("WINDOWS/system32/solo.dll"), "solo");
    EXPECT_EQ(s.Read("WINDOWS/system32/SOLO.dll"), "beside");
}

}  // namespace
}  // namespace kr8::test
