#include "sys/win32/FileSystemWin32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using namespace std::string_literals;

std::map<std::string, std::uint64_t> Listed(FileSystem& files, const std::string& folder,
                                            const std::string& pattern) {
    std::map<std::string, std::uint64_t> listed;
    for (const FolderEntry& file :
         files.ListFolder(folder, pattern).value_or(std::vector<FolderEntry>{})) {
        if (!file.isFolder) {
            EXPECT_TRUE(listed.emplace(file.name, file.length).second) << file.name;
        }
    }
    return listed;
}

TEST(FileSystemWin32Test, LengthsAndListingOfFilesWhateverTheirAttributes) {
    test::TempDir dir;
    const struct {
        const char* name;
        std::uint64_t length;
        DWORD attributes;
    } files[] = {
        {"below.dll", 320871, FILE_ATTRIBUTE_NORMAL},
        {"exact.dll", 320872, FILE_ATTRIBUTE_NORMAL},
        {"above.dll", 320873, FILE_ATTRIBUTE_NORMAL},
        {"cloaked.dll", 320872, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"locked.dll", 320872, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
        {"empty.dll", 0, FILE_ATTRIBUTE_NORMAL},
        // Past 4 GiB by exactly the adware's length: a length cut to 32 bits would match it.
        {"huge.dll", (std::uint64_t{1} << 32) + 320872, FILE_ATTRIBUTE_NORMAL},
        {"other.txt", 320872, FILE_ATTRIBUTE_NORMAL},
    };
    std::map<std::string, std::uint64_t> dlls;
    for (const auto& f : files) {
        dir.AddFile(f.name, f.length, f.attributes);
        if (std::string(f.name).find(".dll") != std::string::npos) {
            dlls[f.name] = f.length;
        }
    }
    const std::string folder = dir.AddFolder("x.dll");
    dir.AddFile("x.dll\\inner.dll", 320872);

    FileSystemWin32 fs;
    EXPECT_EQ(Listed(fs, dir.Path(), "*.dll"), dlls);
    for (const auto& f : files) {
        const std::string path = dir.Path() + "\\" + f.name;
        EXPECT_TRUE(fs.Exists(path)) << f.name;
        EXPECT_EQ(fs.FileLength(path), f.length) << f.name;
    }
    EXPECT_TRUE(fs.Exists(folder));
    EXPECT_FALSE(fs.FileLength(folder));
    int folders = 0;
    const std::vector<FolderEntry> listing = fs.ListFolder(dir.Path(), "*").value();
    for (const FolderEntry& entry : listing) {
        folders += entry.isFolder;
        EXPECT_EQ(entry.isFolder, entry.name == "x.dll") << entry.name;
    }
    EXPECT_EQ(folders, 1) << "the folder is listed once, and no . or ..";
    // A folder that cannot be read is no folder without files, and an empty folder must not
    // turn into a search of the drive's root.
    EXPECT_FALSE(fs.ListFolder(dir.Path() + "\\absent", "*"));
    const auto noMatch = fs.ListFolder(dir.Path(), "*.exe");
    EXPECT_TRUE(noMatch && noMatch->empty());
    EXPECT_FALSE(fs.ListFolder("", "*"));
}

TEST(FileSystemWin32Test, AFileHeldOpenWithoutSharingCanBeNeitherRemovedNorRenamed) {
    test::TempDir dir;
    const std::string path = dir.AddFile("held.dll", 320872);
    const UniqueHandle held(
        ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    FileSystemWin32 fs;
    EXPECT_FALSE(fs.RemoveFile(path));
    EXPECT_FALSE(fs.RenameFile(path, dir.Path() + "\\moved.dll"));
    EXPECT_TRUE(fs.Exists(path));
}

// The rights tool's file: made only where nothing is, and held so that what was checked is what
// runs. While held it can be read (and so started) but neither changed, renamed nor deleted.
TEST(FileSystemWin32Test, ANewFileTakesNoNameThatIsTakenAndAHeldOneCannotBeChanged) {
    test::TempDir dir;
    FileSystemWin32 fs;
    const std::string taken = dir.AddFile("taken.exe", 3);
    EXPECT_FALSE(fs.CreateNewFile(taken, "MZ new"));
    EXPECT_EQ(test::ContentOf(taken), std::string(3, '\0'));
    EXPECT_FALSE(fs.CreateNewFile(dir.Path() + "\\absent\\tool.exe", "MZ"));

    const std::string tool = dir.Path() + "\\NTrights.exe";
    ASSERT_TRUE(fs.CreateNewFile(tool, "MZ tool"));
    std::unique_ptr<HeldFile> held = fs.Hold(tool);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->Bytes(), "MZ tool");
    EXPECT_EQ(held->Bytes(), "MZ tool") << "read from the start each time";
    EXPECT_EQ(test::ContentOf(tool), "MZ tool");
    EXPECT_FALSE(fs.WriteFileBytes(tool, "MZ swapped"));
    EXPECT_FALSE(fs.RemoveFile(tool));
    EXPECT_FALSE(fs.RenameFile(tool, dir.Path() + "\\moved.exe"));
    held.reset();
    EXPECT_TRUE(fs.RemoveFile(tool));

    // A file someone holds open for writing cannot be held.
    const std::string written = dir.AddFile("written.exe", 3);
    const UniqueHandle writer(::CreateFileA(written.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_FALSE(fs.Hold(written));
}

}  // namespace
}  // namespace kr8
