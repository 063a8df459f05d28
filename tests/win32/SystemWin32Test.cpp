#include "sys/win32/SystemWin32.h"

#include <gtest/gtest.h>

#include <string>

#include "sys/win32/Wide.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using test::OnDisk;

TEST(CommonFunctionWin32Test, TempFolderOfAnyLengthAndNameOrEmptyWhenItIsNotThere) {
    test::TempDir dir;
    const std::string longest = dir.AddFolder(std::string(200, 'a'));
    const std::string unicode = dir.AddFolder("\xE6\xBC\xA2 \xCE\xB2 tmp");
    const struct {
        std::string tmp;
        std::string expected;
    } cases[] = {
        {longest, longest},
        {longest + "\\", longest},
        {unicode, unicode},
        {unicode + "\\..\\" + std::string(200, 'a'), longest},
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

// Long names, and a path past MAX_PATH, get a short form that names the same folder, in the
// form the path was asked in.
TEST(CommonFunctionWin32Test, ShortPathShortensLongNamesKeepsShortOnesAndFailsOnMissingOnes) {
    test::TempDir dir;
    CommonFunctionWin32 folders;
    std::string relative = "A long folder.name with blanks";
    const std::string longName = dir.AddFolder(relative);
    std::string deep = longName;
    while (deep.size() <= MAX_PATH) {
        relative += "\\A long folder name " + std::to_string(deep.size());
        deep = dir.AddFolder(relative);
    }
    for (const std::string& path : {longName, deep}) {
        const std::string shortened = folders.GetShortPath(path);
        ASSERT_FALSE(shortened.empty()) << path.size();
        EXPECT_LT(shortened.size(), path.size());
        EXPECT_EQ(shortened.find(' '), std::string::npos);
        EXPECT_EQ(shortened.rfind(dir.Path().substr(0, 3), 0), 0u) << shortened;
        EXPECT_TRUE(OnDisk(shortened));
        EXPECT_EQ(folders.GetShortPath(shortened), shortened);
    }
    for (const std::string& path :
         {std::string(), dir.Path() + "\\absent", dir.Path() + "\\absent\\deeper.dll",
          dir.Path() + std::string(1, '\0') + "x"}) {
        EXPECT_EQ(folders.GetShortPath(path), "") << path;
    }
}

}  // namespace
}  // namespace kr8
