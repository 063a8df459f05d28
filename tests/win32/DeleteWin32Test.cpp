// The Delete button end to end on the real file system, registry, processes and launcher, with
// the Windows, system and temp folders moved to folders of the test's own. Only the window, its
// message boxes and the restart are stand-ins, so no display is needed and nothing restarts.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "remove/win32/KillProcessWin32.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"
#include "sys/win32/Handles.h"
#include "sys/win32/SystemWin32.h"
#include "tests/fakes/FakeMachine.h"
#include "tests/fakes/FakeWindow.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

constexpr std::uint64_t kAdwareLength = 320872;
constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";
// What a dummy must hold, byte for byte: it ends up in the adware's place after the restart.
constexpr char kDummyBytes[] = "Look2Me trojan dummy file\r\nIt is safe to delete this file\r\n";
static_assert(sizeof kDummyBytes - 1 == 59);
constexpr DWORD kReadOnlyHiddenSystem =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::string SleeperPath() {
    char module[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module, length);
    return path.substr(0, path.rfind('\\') + 1) + "kr8_sleeper.exe";
}

std::string RealSystemFolder() {
    char folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder, length);
}

std::string RawShortPath(const std::string& path) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    EXPECT_TRUE(length != 0 && length <= MAX_PATH) << path;
    return std::string(buffer, length <= MAX_PATH ? length : 0);
}

bool OnDisk(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file kept open without sharing by another process, the way the adware's host process keeps
// its DLL: neither deleted nor renamed while the holder runs. The holder is ended, if still
// running, when the object goes.
class HeldFile {
  public:
    HeldFile(const std::string& holder, const std::string& path) {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        UniqueHandle fromChild;
        UniqueHandle toParent;
        if (!::CreatePipe(fromChild.put(), toParent.put(), &inheritable, 0) ||
            !::SetHandleInformation(fromChild.get(), HANDLE_FLAG_INHERIT, 0)) {
            ADD_FAILURE() << "pipe, error " << ::GetLastError();
            return;
        }
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = toParent.get();
        startup.hStdError = toParent.get();
        PROCESS_INFORMATION info = {};
        std::string line = "\"" + holder + "\" hold \"" + path + "\" 60000";
        if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                              &startup, &info)) {
            ADD_FAILURE() << "cannot start " << line << ", error " << ::GetLastError();
            return;
        }
        ::CloseHandle(info.hThread);
        holder_.reset(info.hProcess);
        // Only the holder may keep the pipe's writing end, so that its end ends the read below.
        toParent.reset();
        std::string said;
        char buffer[64];
        DWORD got = 0;
        while (said.find('\n') == std::string::npos &&
               ::ReadFile(fromChild.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
            said.append(buffer, got);
        }
        holding_ = said.rfind("holding", 0) == 0;
        if (!holding_) {
            ADD_FAILURE() << "the holder of " << path << " said: " << said;
        }
    }
    ~HeldFile() {
        if (holder_ && ::WaitForSingleObject(holder_.get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(holder_.get(), 99);
            ::WaitForSingleObject(holder_.get(), 5000);
        }
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool Holding() const { return holding_; }
    bool HolderEnded() const {
        return holder_ && ::WaitForSingleObject(holder_.get(), 5000) == WAIT_OBJECT_0;
    }

  private:
    UniqueHandle holder_;
    bool holding_ = false;
};

// Puts a registry value back as it was when the test started: its old data, or no value, or no
// key at all.
class RestoredValue {
  public:
    RestoredValue(RegRoot root, std::string key, std::string name)
        : root_(root), key_(std::move(key)), name_(std::move(name)) {
        keyExisted_ = test::KeyExists(root_, key_);
        saved_ = test::GetRaw(root_, key_, name_);
    }
    ~RestoredValue() {
        if (saved_) {
            try {
                test::SetRaw(root_, key_, name_, saved_->type, saved_->bytes);
            } catch (const std::exception& e) {
                ADD_FAILURE() << "cannot restore " << name_ << ": " << e.what();
            }
        } else if (!keyExisted_) {
            test::DeleteTree(root_, key_);
        } else {
            UniqueHKey key;
            if (::RegOpenKeyExA(test::RootHKey(root_), key_.c_str(), 0, KEY_SET_VALUE, key.put()) ==
                ERROR_SUCCESS) {
                ::RegDeleteValueA(key.get(), name_.c_str());
            } else {
                key.release();
            }
        }
    }
    RestoredValue(const RestoredValue&) = delete;
    RestoredValue& operator=(const RestoredValue&) = delete;

    const std::optional<test::RawValue>& Saved() const { return saved_; }

  private:
    RegRoot root_;
    std::string key_;
    std::string name_;
    bool keyExisted_ = false;
    std::optional<test::RawValue> saved_;
};

// One replacement as the system's list of renames at restart holds it.
std::string PendingPair(const std::string& from, const std::string& to) {
    return "\\??\\" + RawShortPath(from) + '\0' + "!\\??\\" + RawShortPath(to) + '\0';
}

class DeleteWin32Test : public ::testing::Test {
  protected:
    void SetUp() override {
        // The holders of locked files are this program, or copies of it.
        ASSERT_TRUE(OnDisk(SleeperPath())) << SleeperPath();
    }

    std::string PlantAdware(const std::string& name, DWORD attributes) const {
        return system_.AddFile(name, kAdwareLength, attributes);
    }

    // The scan the user runs before Delete, which also fills List1.
    void Find() {
        ASSERT_TRUE(form_.Form_Load());
        form_.CmdFind_Click();
    }

    std::vector<std::string> Prompts() const {
        std::vector<std::string> prompts;
        for (const fake::ShownBox& box : boxes_.shown) {
            prompts.push_back(box.prompt);
        }
        return prompts;
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

    std::string Dummy(int n) const {
        return windows_.Path() + (n == 1 ? "\\dummy.dll" : "\\dummy" + std::to_string(n) + ".dll");
    }

    RestoredValue pending_{RegRoot::LocalMachine, kSessionManager, kPendingRenames};
    RestoredValue lastKey_{RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue};
    const test::TempDir windows_;
    const test::TempDir system_;
    const test::TempDir temp_;
    test::MovedFolders folders_{windows_.Path(), system_.Path(), temp_.Path()};
    EllRegWin32 reg_;
    OS_DetectWin32 os_;
    FileSystemWin32 files_;
    KillProcessWin32 processes_;
    LaunchAppSychronousWin32 launcher_;
    fake::FakeRestart restart_;
    fake::FakeShell shell_;
    fake::FakeResources resources_;
    fake::FakeControls controls_;
    fake::FakeBoxes boxes_;
    const Machine machine_{reg_,       os_,       folders_, files_, SteadyClock(),
                           processes_, launcher_, restart_, shell_, resources_};
    FrmKR8 form_{controls_, boxes_, machine_};
};

// With attrib.exe in the system folder it runs on the file first; without, the launch fails and
// the button clears the attributes itself. Either way the file must go.
class DeleteProtectedFileTest : public DeleteWin32Test,
                                public ::testing::WithParamInterface<bool> {};

TEST_P(DeleteProtectedFileTest, IsGoneFromDiskAndFromTheRescannedList) {
    if (GetParam()) {
        const std::string attrib = system_.Path() + "\\attrib.exe";
        ASSERT_TRUE(
            ::CopyFileA((RealSystemFolder() + "\\attrib.exe").c_str(), attrib.c_str(), FALSE));
    }
    const std::string adware = PlantAdware("look2me.dll", kReadOnlyHiddenSystem);
    Find();
    ASSERT_EQ(controls_.Entries(), std::vector<std::string>{adware});
    controls_.SetList1Checked(0, true);
    boxes_.answers = {MsgAnswer::Yes};

    form_.Click(Button::CmdFix);

    EXPECT_FALSE(OnDisk(adware));
    EXPECT_EQ(Prompts(), std::vector<std::string>{text::kConfirmDeletePrefix + adware});
    EXPECT_TRUE(controls_.Entries().empty());
    EXPECT_FALSE(OnDisk(Dummy(1)));
    EXPECT_EQ(AddedRenames(), pending_.Saved() ? "" : "<none>");
    EXPECT_TRUE(restart_.requests.empty());
}

INSTANTIATE_TEST_SUITE_P(AttribPresentOrNot, DeleteProtectedFileTest, ::testing::Bool());

TEST_F(DeleteWin32Test, AFileHeldByTheHostProcessIsFreedByEndingItAndDeleted) {
    const test::TempDir hostFolder;
    const std::string host = hostFolder.Path() + "\\rundll32.exe";
    ASSERT_TRUE(::CopyFileA(SleeperPath().c_str(), host.c_str(), FALSE));
    const std::string adware = PlantAdware("hosted.dll", kReadOnlyHiddenSystem);
    const HeldFile held(host, adware);
    ASSERT_TRUE(held.Holding());
    Find();
    ASSERT_EQ(controls_.Entries(), std::vector<std::string>{adware});
    controls_.SetList1Checked(0, true);
    boxes_.answers = {MsgAnswer::Yes};

    form_.Click(Button::CmdFix);

    EXPECT_TRUE(held.HolderEnded());
    EXPECT_FALSE(OnDisk(adware));
    EXPECT_EQ(Prompts(), std::vector<std::string>{text::kConfirmDeletePrefix + adware});
    EXPECT_TRUE(controls_.Entries().empty());
    EXPECT_TRUE(restart_.requests.empty());
}

// A file that stays locked is replaced at the restart; being the only one left, the restart is
// offered, and taken when the user says OK.
class DeleteHeldFileTest : public DeleteWin32Test,
                           public ::testing::WithParamInterface<MsgAnswer> {};

TEST_P(DeleteHeldFileTest, IsReplacedByADummyAtTheRestartWhichIsOffered) {
    const std::string adware = PlantAdware("held.dll", FILE_ATTRIBUTE_NORMAL);
    const HeldFile held(SleeperPath(), adware);
    ASSERT_TRUE(held.Holding());
    Find();
    ASSERT_EQ(controls_.Entries(), std::vector<std::string>{adware});
    controls_.SetList1Checked(0, true);
    boxes_.answers = {MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::Ok, GetParam()};

    form_.Click(Button::CmdFix);

    EXPECT_TRUE(OnDisk(adware));
    EXPECT_EQ(Prompts(),
              (std::vector<std::string>{text::kConfirmDeletePrefix + adware, text::kCannotDelete,
                                        text::kChangesAfterReboot, text::kRebootNow}));
    ASSERT_EQ(boxes_.shown.size(), 4u);
    EXPECT_EQ(boxes_.shown[3].title, text::kRebootNoticeTitle);
    EXPECT_EQ(boxes_.shown[3].buttons, MsgButtons::OkCancel);

    EXPECT_EQ(test::ContentOf(Dummy(1)), kDummyBytes);
    EXPECT_FALSE(OnDisk(windows_.Path() + "\\dummy.txt"));
    EXPECT_EQ(AddedRenames(), PendingPair(Dummy(1), adware));

    EXPECT_EQ(controls_.Entries(), std::vector<std::string>{adware});
    const std::vector<bool> restarts =
        GetParam() == MsgAnswer::Ok ? std::vector<bool>{true} : std::vector<bool>{};
    EXPECT_EQ(restart_.requests, restarts);
}

INSTANTIATE_TEST_SUITE_P(RestartDeclinedOrTaken, DeleteHeldFileTest,
                         ::testing::Values(MsgAnswer::Cancel, MsgAnswer::Ok));

TEST_F(DeleteWin32Test, EachHeldFileGetsADummyOfItsOwnAndTwoLeftOfferNoRestart) {
    const std::string first = PlantAdware("first.dll", FILE_ATTRIBUTE_NORMAL);
    const std::string second = PlantAdware("second.dll", FILE_ATTRIBUTE_NORMAL);
    const HeldFile heldFirst(SleeperPath(), first);
    const HeldFile heldSecond(SleeperPath(), second);
    ASSERT_TRUE(heldFirst.Holding() && heldSecond.Holding());
    Find();
    ASSERT_EQ(controls_.Entries().size(), 2u);
    // Nothing ticked: the button offers to take them all.
    boxes_.answers = {MsgAnswer::Ok,  MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::Ok,
                      MsgAnswer::Yes, MsgAnswer::Ok,  MsgAnswer::Ok};

    form_.Click(Button::CmdFix);

    const std::vector<std::string> prompts = Prompts();
    ASSERT_EQ(prompts.size(), 7u) << ::testing::PrintToString(prompts);
    EXPECT_EQ(prompts[0], text::kSelectError);
    const std::string prefix = text::kConfirmDeletePrefix;
    ASSERT_EQ(prompts[1].rfind(prefix, 0), 0u);
    ASSERT_EQ(prompts[4].rfind(prefix, 0), 0u);
    const std::string deletedFirst = prompts[1].substr(prefix.size());
    const std::string deletedSecond = prompts[4].substr(prefix.size());
    EXPECT_EQ(std::vector<std::string>({prompts[2], prompts[3], prompts[5], prompts[6]}),
              std::vector<std::string>({text::kCannotDelete, text::kChangesAfterReboot,
                                        text::kCannotDelete, text::kChangesAfterReboot}));

    for (int n : {1, 2}) {
        EXPECT_EQ(test::ContentOf(Dummy(n)), kDummyBytes) << Dummy(n);
    }
    EXPECT_EQ(AddedRenames(),
              PendingPair(Dummy(1), deletedFirst) + PendingPair(Dummy(2), deletedSecond));
    std::vector<std::string> deleted = {deletedFirst, deletedSecond};
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (std::vector<std::string>{first, second}));

    std::vector<std::string> left = controls_.Entries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{first, second}));
    EXPECT_TRUE(restart_.requests.empty());
}

}  // namespace
}  // namespace kr8
