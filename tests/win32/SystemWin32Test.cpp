#include "sys/win32/SystemWin32.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using test::OnDisk;

TEST(CommonFunctionWin32Test, NtFamilyAndFoldersThatExistAndEndWithoutABackslash) {
    EXPECT_EQ(OS_DetectWin32().GetPlatformId(), 2);
    CommonFunctionWin32 folders;
    const std::string windows = folders.GetWindowsFolder();
    const std::string system = folders.GetSystemFolder();
    const std::string temp = folders.GetTempFolder();
    for (const std::string& folder : {windows, system, temp}) {
        ASSERT_GT(folder.size(), 3u) << folder;
        EXPECT_NE(folder.back(), '\\') << folder;
        EXPECT_EQ(folder.find('\0'), std::string::npos) << folder;
        EXPECT_TRUE(OnDisk(folder)) << folder;
    }
    EXPECT_EQ(system.rfind(windows + "\\", 0), 0u) << system;
}

TEST(CommonFunctionWin32Test, TempFolderIsEmptyWhenItDoesNotFitTheBuffer) {
    // GetTempPathA adds the backslash, and needs room for the NUL as well: a 98-character
    // folder is the longest that fits in 100 bytes.
    const struct {
        std::string tmp;
        std::string expected;
    } cases[] = {
        {"C:\\KR8TMP", "C:\\KR8TMP"},
        {"C:\\KR8TMP\\", "C:\\KR8TMP"},
        {"C:\\" + std::string(95, 'a'), "C:\\" + std::string(95, 'a')},
        {"C:\\" + std::string(96, 'a'), ""},
        {"C:\\" + std::string(150, 'a'), ""},
    };
    char saved[32768];
    const DWORD savedLength = ::GetEnvironmentVariableA("TMP", saved, sizeof saved);
    for (const auto& c : cases) {
        ::SetEnvironmentVariableA("TMP", c.tmp.c_str());
        EXPECT_EQ(CommonFunctionWin32().GetTempFolder(), c.expected) << c.tmp.size();
    }
    ::SetEnvironmentVariableA("TMP",
                              savedLength != 0 && savedLength < sizeof saved ? saved : nullptr);
}

TEST(CommonFunctionWin32Test, ShortPathShortensLongNamesKeepsShortOnesAndFailsOnMissingOnes) {
    test::TempDir dir;
    CommonFunctionWin32 folders;
    const std::string longName = dir.AddFolder("A long folder.name with blanks");
    const std::string shortened = folders.GetShortPath(longName);
    ASSERT_FALSE(shortened.empty());
    EXPECT_LT(shortened.size(), longName.size());
    EXPECT_EQ(shortened.find(' '), std::string::npos);
    EXPECT_TRUE(OnDisk(shortened));
    EXPECT_EQ(folders.GetShortPath(shortened), shortened);
    for (const std::string& path :
         {std::string(), dir.Path() + "\\absent", dir.Path() + "\\absent\\deeper.dll",
          dir.Path() + std::string(1, '\0') + "x"}) {
        EXPECT_EQ(folders.GetShortPath(path), "") << path;
    }
}

TEST(CommonFunctionWin32Test, ShortPathIsEmptyPastTheAnnouncedBuffer) {
    test::TempDir dir;
    const std::string base = test::RawShortPath(dir.Path());
    ASSERT_FALSE(base.empty());
    CommonFunctionWin32 folders;
    // Paths made of 8.3 names only, so that their short form is themselves.
    for (const std::size_t target : {std::size_t{163}, std::size_t{164}}) {
        std::string path = base;
        while (path.size() < target) {
            const std::size_t remaining = target - path.size();
            std::size_t length = std::min<std::size_t>(8, remaining - 1);
            if (remaining - (length + 1) == 1) {
                --length;
            }
            path += "\\" + std::string(length, static_cast<char>('A' + remaining % 26));
            ::CreateDirectoryA(path.c_str(), nullptr);
        }
        ASSERT_EQ(path.size(), target);
        ASSERT_TRUE(OnDisk(path)) << path;
        EXPECT_EQ(folders.GetShortPath(path), target <= 163 ? path : "") << target;
    }
}

}  // namespace
}  // namespace kr8
