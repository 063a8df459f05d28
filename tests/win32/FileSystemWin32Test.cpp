// The file seams against the real file system: names the adware may choose, lengths past 4 GiB,
// files held open, the stored rights tool and the folders, the backup's own included. The
// restart's pending rename is the backup road's, which restarts its prefix.
#include "sys/win32/FileSystemWin32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "sys/win32/BackupStoreWin32.h"
#include "sys/win32/ResourcesWin32.h"
#include "sys/win32/SystemWin32.h"
#include "tests/win32/Setup.h"

namespace kr8 {
namespace {

constexpr std::uint64_t kAdware = 320872;
constexpr DWORD kCloaked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A name that makes the path 271 characters long, past MAX_PATH.
std::string LongName(const test::TempDir& dir) {
    return std::string(271 - dir.Path().size() - 8, 'L') + "ong.dll";
}

// Each hostile name stands beside the decoy an ANSI (best-fit) or trimmed form of it would name:
// it is listed and measured as its own file, and removed as the remover does it, the decoy
// keeping its own length.
TEST(FileSystemWin32Test, FilesAreListedMeasuredAndRemovedUnderTheirOwnNames) {
    const test::TempDir dir;
    const struct {
        const char* label;
        std::string name;
        std::uint64_t length;
        bool removed;
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    } files[] = {
        {"CJK", "\u6F22.dll", kAdware, true},
        {"beta", "\u03B2f.dll", kAdware, true},
        {"sharp s, beta's best fit", "\u00DFf.dll", 1000, false},
        {"fullwidth asterisk", "\uFF0A.dll", kAdware, true},
        {"fullwidth quote", "\uFF02.dll", kAdware, true},
        {"trailing blank", "tail.dll ", kAdware, true},
        {"its trimmed form", "tail.dll", 1000, false},
        {"read-only, hidden, system", "cloaked.dll", kAdware, true, kCloaked},
        // Past 4 GiB by exactly the adware's length: a length cut to 32 bits would match it.
        {"4 GiB more", "huge.dll", (std::uint64_t{1} << 32) + kAdware, false},
        {"past MAX_PATH", LongName(dir), kAdware, true},
    };
    for (const auto& f : files) {
        dir.AddFile(f.name, f.length, f.attributes);
    }
    FileSystemWin32 fs;
    const auto listing = fs.ListFolder(dir.Path(), "*");
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->size(), std::size(files)) << "one entry each, none merged, no . or ..";
    for (const auto& f : files) {
        SCOPED_TRACE(f.label);
        const std::string path = dir.Path() + "\\" + f.name;
        EXPECT_EQ(std::count_if(listing->begin(), listing->end(),
                                [&](const FolderEntry& e) {
                                    return e.name == f.name && e.length == f.length && !e.isFolder;
                                }),
                  1);
        EXPECT_EQ(fs.FileLength(path), f.length);
        if (f.removed) {
            fs.ClearReadOnlyHiddenSystem(path);
            EXPECT_TRUE(fs.RemoveFile(path));
        }
    }
    for (const auto& f : files) {
        EXPECT_EQ(test::LengthOnDisk(dir.Path() + "\\" + f.name),
                  f.removed ? std::nullopt : std::optional<std::uint64_t>(f.length))
            << f.label;
    }
    // A folder that cannot be read is not one without matches, and an empty name must not turn
    // into a search of the drive's root.
    EXPECT_TRUE(fs.ListFolder(dir.Path(), "*.exe").value().empty());
    EXPECT_FALSE(fs.ListFolder(dir.Path() + "\\absent", "*"));
    EXPECT_FALSE(fs.ListFolder("", "*"));
}

// A file its host keeps open cannot go now; the restart gets it by its short name, which the
// boot-time rename can use whatever the length, and which must name that same file.
TEST(FileSystemWin32Test, AHeldFileStaysAndItsShortNameReachesIt) {
    const test::TempDir dir;
    const std::string held = dir.AddFile(LongName(dir), kAdware);
    const UniqueHandle host(::CreateFileW(test::Exact(held).c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(host);
    FileSystemWin32 fs;
    EXPECT_FALSE(fs.RemoveFile(held));
    CommonFunctionWin32 folders;
    const std::string shortHeld = folders.GetShortPath(held);
    EXPECT_LT(shortHeld.size(), std::size_t{MAX_PATH});
    EXPECT_EQ(test::LengthOnDisk(shortHeld), kAdware);
    for (const std::string& path : {std::string(), dir.Path() + "\\absent", held + '\0' + "x"}) {
        EXPECT_EQ(folders.GetShortPath(path), "");
    }
}

// The rights tool reaches the disk exactly as built (a byte short gives a program that does not
// run), only where nothing is yet, and stays as it was checked while held: readable, so that it
// can be started, but not writable or removable.
TEST(FileSystemWin32Test, TheStoredRightsToolIsWrittenNewWholeAndHeldUnchanged) {
    std::ifstream file(test::Beside("NTrights.exe"), std::ios::binary);
    const std::string built{std::istreambuf_iterator<char>(file), {}};
    const std::optional<std::string> stored = ResourcesWin32().CustomResource(101);
    EXPECT_TRUE(stored == built);
    const test::TempDir dir;
    FileSystemWin32 fs;
    const std::string taken = dir.AddFile("taken.exe", 3);
    EXPECT_FALSE(fs.CreateNewFile(taken, built));
    EXPECT_EQ(test::LengthOnDisk(taken), 3u);

    const std::string tool = dir.Path() + "\\NTrights.exe";
    ASSERT_TRUE(fs.CreateNewFile(tool, built));
    const std::unique_ptr<HeldFile> held = fs.Hold(tool);
    ASSERT_TRUE(held);
    EXPECT_TRUE(held->Bytes() == built);
    const UniqueHandle writer(::CreateFileW(test::Exact(tool).c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer);
    EXPECT_FALSE(fs.RemoveFile(tool));
}

// The temp folder as the variable names it, in whatever form, or none when it is no folder.
TEST(CommonFunctionWin32Test, TempFolderIsTheFullPathOfAFolderOrNothing) {
    const test::TempDir dir;
    const std::string unicode = dir.AddFolder("\u6F22 \u03B2 tmp");
    const struct {
        std::string tmp;
        std::string expected;
    } cases[] = {
        {dir.Path() + "\\absent\\..\\\u6F22 \u03B2 tmp\\", unicode},
        {dir.Path() + "\\absent", ""},
        {dir.AddFile("file.tmp", 1), ""},
    };
    wchar_t saved[32768];
    const DWORD savedLength = ::GetEnvironmentVariableW(L"TMP", saved, 32768);
    for (const auto& c : cases) {
        ::SetEnvironmentVariableW(L"TMP", Wide(c.tmp).c_str());
        EXPECT_EQ(CommonFunctionWin32().GetTempFolder(), c.expected) << c.tmp;
    }
    ::SetEnvironmentVariableW(L"TMP", savedLength != 0 && savedLength < 32768 ? saved : nullptr);
}

// A backup's folder is made only where nothing is, under its own name, and removed only empty.
TEST(BackupStoreWin32Test, AFolderIsMadeWhereNothingIsAndRemovedOnlyEmpty) {
    const test::TempDir dir;
    BackupStoreWin32 store;
    const std::string folder = dir.Path() + "\\2026-12-07 02.51.28 ";
    EXPECT_TRUE(store.CreateFolder(folder));
    EXPECT_FALSE(store.CreateFolder(folder));
    const std::string copy = dir.AddFile("2026-12-07 02.51.28 \\file1.bak", 1);
    EXPECT_FALSE(store.RemoveFolder(folder));
    ASSERT_TRUE(::DeleteFileW(test::Exact(copy).c_str()));
    EXPECT_TRUE(store.RemoveFolder(folder));
    EXPECT_EQ(::GetFileAttributesW(test::Exact(folder).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW(test::Exact(dir.Path() + "\\2026-12-07 02.51.28").c_str()),
              INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace kr8
