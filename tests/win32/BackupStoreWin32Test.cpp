// The backup's seam on the real registry and file system.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sys/win32/BackupStoreWin32.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

// What the export reads, the import writes back: every type, data with NULs and of odd length,
// a name outside ASCII, the default value and a sub-key, byte for byte.
TEST(BackupStoreWin32Test, AKeyExportedAndPutBackIsTheSameByteForByte) {
    BackupStoreWin32 store;
    const RegRoot root = RegRoot::CurrentUser;
    const std::string key = test::UniqueKeyPath(root);
    const std::string sub = key + "\\Sub ]";
    test::SetRaw(root, key, "", REG_SZ, std::string("a\0b", 3));
    test::SetRaw(root, key, "expand", REG_EXPAND_SZ, "%SystemRoot%");
    test::SetRaw(root, key, "multi", REG_MULTI_SZ, std::string("a\0b\0", 4));
    test::SetRaw(root, key, "binary", REG_BINARY, std::string("\0\xff\x01", 3));
    test::SetRaw(root, key, "dword", REG_DWORD, test::DwordBytes(126));
    test::SetRaw(root, key, "qword", REG_QWORD, std::string("\x01\0\0\0\0\0\0\x80", 8));
    test::SetRaw(root, key, "none", REG_NONE, "");
    test::SetRaw(root, sub, "own type", 0x1234, "\x05");
    test::SetRawCountedName(root, key, L"caf\u00e9 \"q\"", L"x");

    const auto before = store.ExportKey(root, key);
    ASSERT_TRUE(before);
    ASSERT_EQ(before->size(), 2u);
    EXPECT_EQ((*before)[0].values.size(), 8u);
    EXPECT_EQ((*before)[1].path, sub);
    EXPECT_EQ(store.ExportValue(root, key, "caf\xC3\xA9 \"q\"")->bytes, std::string("x\0\0\0", 4));

    test::DeleteTree(root, key);
    for (const RegKeyBytes& k : *before) {
        ASSERT_TRUE(store.CreateKey(root, k.path)) << k.path;
        for (const RegValueBytes& v : k.values) {
            EXPECT_TRUE(store.SetValue(root, k.path, v)) << v.name;
        }
    }
    EXPECT_EQ(store.ExportKey(root, key), before);
    EXPECT_FALSE(store.ExportKey(root, key + "\\missing"));
    test::DeleteTree(root, key);
}

TEST(BackupStoreWin32Test, FoldersAreNewAndAttributesGoBothWays) {
    BackupStoreWin32 store;
    const test::TempDir dir;
    const std::string folder = dir.Path() + "\\2026-12-07 02.51.28";
    EXPECT_TRUE(store.CreateFolder(folder));
    EXPECT_FALSE(store.CreateFolder(folder)) << "one folder per session";
    const std::string file = dir.AddFile("f.dll", 10);
    constexpr std::uint32_t kMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    EXPECT_TRUE(store.SetAttributes(file, kMarks));
    EXPECT_EQ(store.Attributes(file), kMarks);
    EXPECT_EQ(::GetFileAttributesA(file.c_str()), kMarks);
    EXPECT_TRUE(store.SetAttributes(file, 0));
    EXPECT_FALSE(store.Attributes(dir.Path() + "\\missing"));
}

}  // namespace
}  // namespace kr8
