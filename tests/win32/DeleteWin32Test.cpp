// The Delete button end to end on the real file system, registry, processes and launcher.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using Strings = std::vector<std::string>;

constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";
// Written out here rather than taken from the program: it ends up in the adware's place.
constexpr char kDummyBytes[] = "Look2Me trojan dummy file\r\nIt is safe to delete this file\r\n";

// A file kept open by another process the way the adware's host process keeps its loaded DLL:
// others may read it, but neither delete nor rename it while the holder runs.
struct HeldFile : test::Child {
    HeldFile(const std::string& holder, const std::string& path)
        : Child(test::Quoted(holder) + " hold " + test::Quoted(path) + " 60000") {
        for (int attempt = 0; attempt < 100 && !Holding(path); ++attempt) {
            ::Sleep(50);
        }
        EXPECT_TRUE(Holding(path)) << path;
    }
    static bool Holding(const std::string& path) {
        const UniqueHandle probe(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
        return !probe && ::GetLastError() == ERROR_SHARING_VIOLATION;
    }
};

// One replacement as the system's list of renames at restart holds it.
std::string PendingPair(const std::string& from, const std::string& to) {
    return "\\??\\" + test::RawShortPath(from) + '\0' + "!\\??\\" + test::RawShortPath(to) + '\0';
}

class DeleteWin32Test : public ::testing::Test {
  protected:
    std::string PlantAdware(const std::string& name, DWORD attributes) const {
        return m_.system.AddFile(name, 320872, attributes);
    }

    // The scan the user runs before Delete, which fills List1; then the click.
    void FindAndDelete(size_t expectFound) {
        ASSERT_TRUE(m_.form.Form_Load());
        m_.form.CmdFind_Click();
        ASSERT_EQ(m_.controls.Entries().size(), expectFound);
        m_.form.Click(Button::CmdFix);
    }

    // What the click added to the renames at restart: the value as it is now, less what it held
    // before. A value of several strings ends with one more NUL, which is not part of the last.
    std::string AddedRenames() const {
        const auto now = test::GetRaw(RegRoot::LocalMachine, kSessionManager, kPendingRenames);
        if (!now) {
            return "<none>";
        }
        EXPECT_EQ(now->type, static_cast<DWORD>(REG_MULTI_SZ));
        std::string before = pending_.Saved() ? pending_.Saved()->bytes : "";
        if (!before.empty() && before.back() == '\0') {
            before.pop_back();
        }
        if (now->bytes.compare(0, before.size(), before) != 0) {
            return "<replaced the earlier renames>";
        }
        std::string added = now->bytes.substr(before.size());
        if (!added.empty() && added.back() == '\0') {
            added.pop_back();
        }
        return added;
    }

    std::string Dummy(const std::string& name) const { return m_.windows.Path() + "\\" + name; }

    const test::RestoredValue pending_{RegRoot::LocalMachine, kSessionManager, kPendingRenames};
    const test::RestoredValue lastKey_{RegRoot::CurrentUser, text::kRegeditKey,
                                       text::kLastKeyValue};
    test::RealMachine m_;
};

// The host keeps the file open until it has really ended, which the platform finishes after
// TerminateProcess returns; and the real attrib runs on it first.
TEST_F(DeleteWin32Test, AProtectedFileHeldByTheHostProcessIsFreedAndDeleted) {
    char realSystem[MAX_PATH + 1] = {};
    ::GetSystemDirectoryA(realSystem, MAX_PATH);
    ASSERT_TRUE(::CopyFileA((std::string(realSystem) + "\\attrib.exe").c_str(),
                            (m_.system.Path() + "\\attrib.exe").c_str(), FALSE));
    const test::TempDir hostFolder;
    const std::string host = hostFolder.Path() + "\\rundll32.exe";
    ASSERT_TRUE(::CopyFileA(test::SleeperPath().c_str(), host.c_str(), FALSE));
    const std::string adware = PlantAdware(
        "hosted.dll", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    const HeldFile held(host, adware);

    FindAndDelete(1);  // nothing ticked: every box takes its first button

    EXPECT_TRUE(held.Ended(5000));
    EXPECT_FALSE(test::OnDisk(adware));
    EXPECT_EQ(m_.launcher.commands.size(), 1u);
    EXPECT_EQ(m_.Prompts(), (Strings{text::kSelectError, text::kConfirmDeletePrefix + adware}));
    EXPECT_TRUE(m_.controls.Entries().empty());
    EXPECT_FALSE(test::OnDisk(Dummy("dummy.dll")));
    EXPECT_EQ(AddedRenames(), pending_.Saved() ? "" : "<none>");
}

// Each file that stays locked is replaced at the restart by a dummy of its own, registered in
// the system's list of renames after whatever was there.
TEST_F(DeleteWin32Test, EachHeldFileGetsADummyOfItsOwnAtTheRestart) {
    const std::string first = PlantAdware("first.dll", FILE_ATTRIBUTE_NORMAL);
    const std::string second = PlantAdware("second.dll", FILE_ATTRIBUTE_NORMAL);
    const HeldFile heldFirst(test::SleeperPath(), first);
    const HeldFile heldSecond(test::SleeperPath(), second);

    FindAndDelete(2);

    const Strings prompts = m_.Prompts();
    const std::string prefix = text::kConfirmDeletePrefix;
    ASSERT_EQ(prompts.size(), 7u) << ::testing::PrintToString(prompts);
    ASSERT_EQ(prompts[1].rfind(prefix, 0), 0u);
    ASSERT_EQ(prompts[4].rfind(prefix, 0), 0u);
    Strings deleted = {prompts[1].substr(prefix.size()), prompts[4].substr(prefix.size())};
    EXPECT_EQ(Strings({prompts[2], prompts[3], prompts[5], prompts[6]}),
              Strings({text::kCannotDelete, text::kChangesAfterReboot, text::kCannotDelete,
                       text::kChangesAfterReboot}));
    EXPECT_EQ(test::ContentOf(Dummy("dummy.dll")), kDummyBytes);
    EXPECT_EQ(test::ContentOf(Dummy("dummy2.dll")), kDummyBytes);
    EXPECT_FALSE(test::OnDisk(Dummy("dummy.txt")));
    EXPECT_EQ(AddedRenames(), PendingPair(Dummy("dummy.dll"), deleted[0]) +
                                  PendingPair(Dummy("dummy2.dll"), deleted[1]));
    Strings left = m_.controls.Entries();
    std::sort(left.begin(), left.end());
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(left, (Strings{first, second}));
    EXPECT_EQ(deleted, left);

    // Both were backed up before anything else, and the manifest says what became of them.
    const Strings folders = BackupFolders(m_.files, m_.folders);
    ASSERT_EQ(folders.size(), 1u);
    const auto items = ReadManifest(test::ContentOf(folders[0] + "\\backup.txt"));
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2u);
    for (const BackupItem& item : *items) {
        EXPECT_EQ(item.removal, Removal::ReplacedAtRestart) << item.original;
        EXPECT_EQ(item.size, 320872u);
        EXPECT_EQ(test::ContentOf(folders[0] + "\\" + item.stored), test::ContentOf(item.original));
        EXPECT_EQ(::GetFileAttributesA((folders[0] + "\\" + item.stored).c_str()),
                  static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    }
}

}  // namespace
}  // namespace kr8
