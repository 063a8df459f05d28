// Names the adware chooses, through the seams and the handlers on the real file system and
// registry: each must be listed, measured, read and removed as exactly the object the system
// holds under it, and a removal that did not happen must be reported. The decoys carry the names
// that an ANSI or NUL-terminated form of the hostile ones would turn into.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "scan/ReportText.h"
#include "sys/win32/Wide.h"
#include "tests/win32/TestMachine.h"

namespace kr8 {
namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;

constexpr std::uint64_t kAdware = 320872;
constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";

// Whether another process keeps the file open, sharing nothing.
bool Held(const std::string& path) {
    const UniqueHandle probe(::CreateFileW(LongPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    return !probe && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

// Whether a box said by name that what was not removed.
bool Reported(const test::RealMachine& m, const std::string& what) {
    const Strings prompts = m.boxes.Prompts();
    return std::any_of(prompts.begin(), prompts.end(), [&](const std::string& prompt) {
        for (const char* failure :
             {text::kNotScheduledPrefix, text::kNotAFilePrefix, text::kRegKeyNotDeletedPrefix,
              text::kUserAgentNotDeletedPrefix}) {
            if (prompt == failure + ShownInReport(what)) {
                return true;
            }
        }
        return false;
    });
}

TEST(NamesWin32Test, FilesAreListedMeasuredAndDeletedUnderTheirOwnNames) {
    test::RealMachine m;
    const struct {
        const char* label;
        std::string name;
        std::uint64_t length;
        bool found;  // a *.dll of the adware's length
    } files[] = {
        {"plain", "plain.dll", kAdware, true},
        {"CJK", "\xE6\xBC\xA2.dll", kAdware, true},
        {"beta, best-fit to sharp s",
         "\xCE\xB2"
         "f.dll",
         kAdware, true},
        {"sharp s beside it",
         "\xC3\x9F"
         "f.dll",
         1000, false},
        {"fullwidth asterisk", "\xEF\xBC\x8A.dll", kAdware, true},
        {"fullwidth quote", "\xEF\xBC\x82.dll", kAdware, true},
        {"trailing blank", "tail.dll ", kAdware, false},
        {"its trimmed form", "tail.dll", 1000, false},
        {"past MAX_PATH", std::string(270 - m.system.Path().size() - 7, 'L') + "ong.dll", kAdware,
         true},
    };
    Strings found;
    for (const auto& f : files) {
        m.system.AddFile(f.name, f.length);
        if (f.found) {
            found.push_back(m.system.Path() + "\\" + f.name);
        }
    }
    ASSERT_GT(found.back().size(), std::size_t{MAX_PATH});

    const std::vector<FolderEntry> listing = m.files.ListFolder(m.system.Path(), "*").value();
    EXPECT_EQ(listing.size(), std::size(files)) << "one entry for each file, none merged";
    for (const auto& f : files) {
        SCOPED_TRACE(f.label);
        const std::string path = m.system.Path() + "\\" + f.name;
        EXPECT_EQ(std::count_if(listing.begin(), listing.end(),
                                [&](const FolderEntry& e) {
                                    return e.name == f.name && e.length == f.length;
                                }),
                  1);
        EXPECT_EQ(m.files.FileLength(path), f.length);
        EXPECT_EQ(test::LengthOnDisk(path), f.length);
    }

    ASSERT_TRUE(m.form.Form_Load());
    m.form.CmdFind_Click();
    Strings listed = m.controls.Entries();
    std::sort(listed.begin(), listed.end());
    Strings sorted = found;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(listed, sorted);
    for (const std::string& path : found) {
        EXPECT_NE(m.controls.text1.find(path + "\r\n"), std::string::npos) << path;
    }

    // The file past MAX_PATH is kept open by its host: it cannot go now, and must be handed to
    // the restart by a name the restart can use.
    const std::string held = found.back();
    const test::RestoredValue pending(RegRoot::LocalMachine, kSessionManager, kPendingRenames);
    const test::Child holder(test::Quoted(test::AutoPath()) + " hold-readable " +
                             test::Quoted("\\\\?\\" + held) + " 60");
    for (int attempt = 0; attempt < 100 && !Held(held); ++attempt) {
        ::Sleep(50);
    }
    ASSERT_TRUE(Held(held));
    std::sort(found.begin(), found.end());

    m.form.Click(Button::CmdFix);  // nothing ticked: every box takes its first button
    for (const std::string& path : found) {
        EXPECT_TRUE(!test::OnDisk(path) || Reported(m, path) || path == held) << path;
        EXPECT_EQ(test::OnDisk(path), path == held) << path;
    }
    const auto renames = test::GetRaw(RegRoot::LocalMachine, kSessionManager, kPendingRenames);
    ASSERT_TRUE(renames);
    EXPECT_NE(renames->bytes.find("!\\??\\" + m.folders.GetShortPath(held) + '\0'),
              std::string::npos);
    EXPECT_EQ(m.restart.requests.size(), 1u) << "the restart was offered for what it will do";
    // No command line carries a name that is not plain ASCII.
    const std::string plain = m.system.Path() + "\\plain.dll";
    EXPECT_EQ(m.launcher.commands,
              Strings{m.system.Path() + "\\attrib.exe -r -h -s \"" + plain + "\""});
    for (const auto& f : files) {
        if (!f.found) {
            EXPECT_EQ(test::LengthOnDisk(m.system.Path() + "\\" + f.name), f.length) << f.label;
        }
    }
    EXPECT_TRUE(m.files.RemoveFile(m.system.Path() + "\\tail.dll "));
    EXPECT_FALSE(test::OnDisk(m.system.Path() + "\\tail.dll "));
    EXPECT_EQ(test::LengthOnDisk(m.system.Path() + "\\tail.dll"), 1000u);
}

TEST(NamesWin32Test, KeysAndValuesAreReadAndDeletedUnderTheirOwnNames) {
    const std::string notify = text::kNotifyKey;
    const std::string agents = text::kPostPlatformKey;
    const std::wstring prefix = L"KR8Test-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
    // Remove the keys themselves when the test made them.
    const test::RestoredValue notifyKey(RegRoot::LocalMachine, notify, "KR8Test");
    const test::RestoredValue agentsKey(RegRoot::LocalMachine, agents, "KR8Test");
    const test::RestoredValue lastKey(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue);
    const struct {
        const char* label;
        std::wstring name;
        bool adware;
    } keys[] =
        {
            {"Greek", L"Guard\u03BB", true},
            {"its ANSI form", L"Guard?", false},
            {"NUL", L"Guard\0hid"s, true},
            {"cut at the NUL", L"Guard", false},
        },
      values[] = {
          {"Cyrillic",
           L"msg\u0434"
           L"126",
           true},
          {"its ANSI form", L"msg?126", false},
          {"NUL", L"SV1\0evil"s, true},
          {"cut at the NUL", L"SV1", false},
      };
    for (const auto& k : keys) {
        const UniqueHKey key =
            test::CreateCountedKey(RegRoot::LocalMachine, notify, prefix + k.name);
        test::SetCountedValue(key.get(), L"Version", L"126 " + Wide(k.label));
        if (k.adware) {
            UniqueHKey child;
            ASSERT_EQ(::RegCreateKeyW(key.get(), L"inside", child.put()), ERROR_SUCCESS);
        }
    }
    for (const auto& v : values) {
        test::SetRawCountedName(RegRoot::LocalMachine, agents, prefix + v.name, Wide(v.label));
    }

    test::RealMachine m;
    Strings subKeys;
    for (std::int32_t i = 0; auto name = m.reg.GetSubKeyName(RegRoot::LocalMachine, notify, i);
         ++i) {
        subKeys.push_back(*name);
    }
    Strings valueNames;
    for (std::int32_t i = 0; auto entry = m.reg.GetValueEntry(RegRoot::LocalMachine, agents, i);
         ++i) {
        valueNames.push_back(entry->name);
    }
    for (const auto& k : keys) {
        SCOPED_TRACE(std::string("key ") + k.label);
        const std::string name = Narrow(prefix + k.name);
        EXPECT_EQ(std::count(subKeys.begin(), subKeys.end(), name), 1);
        EXPECT_EQ(m.reg.ReadRegValue(RegRoot::LocalMachine, notify + name, "Version"),
                  "126 "s + k.label);
    }
    for (const auto& v : values) {
        SCOPED_TRACE(std::string("value ") + v.label);
        const std::string name = Narrow(prefix + v.name);
        EXPECT_EQ(std::count(valueNames.begin(), valueNames.end(), name), 1);
        EXPECT_EQ(m.reg.ReadRegValue(RegRoot::LocalMachine, agents, name), v.label);
    }

    // Guardian .reg and User Agent$ with their Yes, as the scan would have named them.
    for (const auto& k : keys) {
        if (k.adware) {
            SCOPED_TRACE(std::string("key ") + k.label);
            m.form.GuardianKeyName = Narrow(prefix + k.name);
            // Yes, and Yes again where no backup can be made (a name with a NUL has no .reg form).
            m.boxes.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
            m.form.CmdGuard_Click();
            m.boxes.answers.clear();
            const std::string path = notify + Narrow(prefix + k.name);
            EXPECT_TRUE(!m.reg.KeyExists(RegRoot::LocalMachine, path) ||
                        Reported(m, Narrow(prefix + k.name)));
            EXPECT_FALSE(m.reg.KeyExists(RegRoot::LocalMachine, path))
                << ::testing::PrintToString(m.boxes.Prompts());
        }
    }
    for (const auto& v : values) {
        if (v.adware) {
            SCOPED_TRACE(std::string("value ") + v.label);
            m.form.UserAgentValueName = Narrow(prefix + v.name);
            m.boxes.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
            m.form.CmdUAS_Click();
            m.boxes.answers.clear();
            const std::string name = Narrow(prefix + v.name);
            EXPECT_TRUE(!m.reg.ValueExists(RegRoot::LocalMachine, agents, name) ||
                        Reported(m, name));
            EXPECT_FALSE(m.reg.ValueExists(RegRoot::LocalMachine, agents, name))
                << ::testing::PrintToString(m.boxes.Prompts());
        }
    }
    for (const auto& k : keys) {
        if (!k.adware) {
            const std::string path = notify + Narrow(prefix + k.name);
            EXPECT_EQ(m.reg.ReadRegValue(RegRoot::LocalMachine, path, "Version"), "126 "s + k.label)
                << "the decoy key " << k.label << " stays";
            m.reg.DeleteRegKey(RegRoot::LocalMachine, path);
        }
    }
    for (const auto& v : values) {
        if (!v.adware) {
            const std::string name = Narrow(prefix + v.name);
            EXPECT_EQ(m.reg.ReadRegValue(RegRoot::LocalMachine, agents, name), v.label)
                << "the decoy value " << v.label << " stays";
            m.reg.DeleteRegValue(RegRoot::LocalMachine, agents, name);
        }
    }
}

}  // namespace
}  // namespace kr8
