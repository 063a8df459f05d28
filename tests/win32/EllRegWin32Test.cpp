// The registry seam against the real registry. The set-up goes through the native calls, which
// take a name with its exact length, NULs included, as the adware can.
#include "sys/win32/EllRegWin32.h"

#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "sys/win32/Handles.h"
#include "sys/win32/Wide.h"

namespace kr8 {
namespace {

using namespace std::string_literals;

template <typename Function>
Function Native(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), name)));
}

UNICODE_STRING Counted(std::wstring& text) {
    const auto bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return {bytes, bytes, text.empty() ? nullptr : &text[0]};
}

// The UTF-16 units as the registry stores them.
std::string Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// Under parent, or at a native path ("\Registry\Machine\...") without one.
UniqueHKey MakeKey(HKEY parent, std::wstring name, ULONG options = 0) {
    using CreateKey = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG,
                                       PUNICODE_STRING, ULONG, PULONG);
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, parent, nullptr);
    HANDLE key = nullptr;
    EXPECT_GE(Native<CreateKey>("NtCreateKey")(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr,
                                               options, nullptr),
              0);
    return UniqueHKey(static_cast<HKEY>(key));
}

void SetValue(HKEY key, std::wstring name, DWORD type, std::string bytes) {
    using SetValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
    UNICODE_STRING counted = Counted(name);
    EXPECT_GE(Native<SetValueKey>("NtSetValueKey")(key, &counted, 0, type, &bytes[0],
                                                   static_cast<ULONG>(bytes.size())),
              0);
}

class EllRegWin32Test : public ::testing::Test {
  protected:
    void SetUp() override { key_ = MakeKey(nullptr, L"\\Registry\\Machine\\" + Wide(path_)); }

    static constexpr RegRoot kRoot = RegRoot::LocalMachine;
    EllRegWin32 reg;
    const std::string path_ = "SOFTWARE\\KR8Test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    UniqueHKey key_;
};

// A read stops at the 2048-byte buffer; enumeration gives every value whole, however long, and
// goes on past the long ones and past the adware's own "Not Found". A hostile name stands beside
// the decoy its ANSI or NUL-cut form would name: it is read and deleted as exactly the value the
// registry holds, and the decoy stays.
TEST_F(EllRegWin32Test, ValuesAreEnumeratedWholeAndDeletedUnderTheirOwnNames) {
    const struct {
        std::string name;
        DWORD type;
        std::string bytes;
        std::string read;        // ReadRegValue's text
        std::string enumerated;  // GetValueEntry's data
        bool adware = false;     // deleted, the others must stay
    } forms[] = {
        {"sz without NUL", REG_SZ, Bytes(L"xyz"), "xyz", "xyz"},
        {"sz 2047", REG_SZ, Bytes(std::wstring(2047, L'x') + L'\0'), std::string(2047, 'x'),
         std::string(2047, 'x')},
        {"sz 2048", REG_SZ, Bytes(std::wstring(2048, L'x') + L'\0'), kNotFound,
         std::string(2048, 'x')},
        {"binary 2049", REG_BINARY, std::string(2049, 'Z'), kNotFound, std::string(2049, 'Z')},
        {"Not Found", REG_SZ, Bytes(L"Not Found\0"s), kNotFound, kNotFound},
        {std::string(3000, 'N'), REG_SZ, Bytes(L"long name\0"s), "long name", "long name"},
        {"msg\u0434126", REG_SZ, Bytes(L"Cyrillic\0"s), "Cyrillic", "Cyrillic", true},
        {"msg?126", REG_SZ, Bytes(L"its ANSI form\0"s), "its ANSI form", "its ANSI form"},
        {"SV1\0evil"s, REG_SZ, Bytes(L"NUL\0"s), "NUL", "NUL", true},
        {"SV1", REG_SZ, Bytes(L"cut at the NUL\0"s), "cut at the NUL", "cut at the NUL"},
    };
    for (const auto& f : forms) {
        SetValue(key_.get(), Wide(f.name), f.type, f.bytes);
    }
    std::vector<ValueEntry> entries;
    for (std::int32_t i = 0; auto entry = reg.GetValueEntry(kRoot, path_, i); ++i) {
        entries.push_back(*entry);
    }
    ASSERT_EQ(entries.size(), std::size(forms));
    for (const auto& f : forms) {
        SCOPED_TRACE(f.name.substr(0, 30));
        EXPECT_EQ(reg.ReadRegValue(kRoot, path_, f.name), f.read);
        EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                                [&](const ValueEntry& e) {
                                    return e.name == f.name && e.type == f.type &&
                                           e.data == f.enumerated;
                                }),
                  1);
        if (f.adware) {
            reg.DeleteRegValue(kRoot, path_, f.name);
        }
    }
    for (const auto& f : forms) {
        EXPECT_EQ(reg.ValueExists(kRoot, path_, f.name), !f.adware) << f.name.substr(0, 30);
    }
}

// The same for keys, one of them with a name that takes the path past Wine's 260-character key
// buffer. Every adware key holds a link to a decoy, which reads follow (its values and its
// sub-key) and deleting its tree must not.
TEST_F(EllRegWin32Test, KeysAreListedReadAndDeletedUnderTheirOwnNames) {
    const struct {
        const char* label;
        std::wstring name;
        bool adware;
    } keys[] = {{"Greek", L"Guard\u03BB", true},
                {"its ANSI form", L"Guard?", false},
                {"NUL", L"Guard\0hid"s, true},
                {"cut at the NUL", L"Guard", false},
                {"long", std::wstring(255, L'k'), true}};
    const std::wstring decoy = L"\\Registry\\Machine\\" + Wide(path_) + L"\\Guard";
    for (const auto& k : keys) {
        const UniqueHKey key = MakeKey(key_.get(), k.name);
        SetValue(key.get(), L"Version", REG_SZ, Bytes(Wide(k.label) + L'\0'));
        if (k.adware) {
            const UniqueHKey link = MakeKey(key.get(), L"inside", REG_OPTION_CREATE_LINK);
            SetValue(link.get(), L"SymbolicLinkValue", REG_LINK, Bytes(decoy));
        }
    }
    MakeKey(key_.get(), L"Guard\\below");
    std::vector<std::string> subKeys;
    for (std::int32_t i = 0; auto name = reg.GetSubKeyName(kRoot, path_, i); ++i) {
        subKeys.push_back(*name);
    }
    for (const auto& k : keys) {
        SCOPED_TRACE(k.label);
        const std::string path = path_ + "\\" + Narrow(k.name);
        EXPECT_EQ(std::count(subKeys.begin(), subKeys.end(), Narrow(k.name)), 1);
        EXPECT_EQ(reg.ReadRegValue(kRoot, path, "Version"), k.label);
        if (k.adware) {
            ASSERT_EQ(reg.ReadRegValue(kRoot, path + "\\inside", "Version"), "cut at the NUL");
            const auto entry = reg.GetValueEntry(kRoot, path + "\\inside", 0);
            EXPECT_EQ(entry ? entry->data : "", "cut at the NUL") << "the scan follows the link";
            EXPECT_EQ(reg.GetSubKeyName(kRoot, path + "\\inside", 0), "below");
            reg.DeleteRegKey(kRoot, path);
        }
    }
    for (const auto& k : keys) {
        const std::string path = path_ + "\\" + Narrow(k.name);
        EXPECT_EQ(reg.KeyExists(kRoot, path), !k.adware) << k.label;
    }
}

// A restore makes the key with those above it and writes each value back exactly: a text stored
// without its NUL, or of an odd length, comes back as it went. A name the call would cut short at
// a NUL is refused, and no value of the cut name appears.
TEST_F(EllRegWin32Test, ValuesAreWrittenBackByteForByteIntoKeysMadeForThem) {
    const std::string path = path_ + "\\made\\below";
    ASSERT_TRUE(reg.CreateKey(kRoot, path));
    const RegValueBytes values[] = {
        {"no NUL", REG_SZ, Bytes(L"xyz")},
        {"odd", REG_EXPAND_SZ, "abc"},
        {"", REG_BINARY, "\0\1"s},
    };
    for (const RegValueBytes& v : values) {
        EXPECT_TRUE(reg.SetValue(kRoot, path, v)) << v.name;
        EXPECT_EQ(reg.QueryValue(kRoot, path, v.name), v) << v.name;
    }
    EXPECT_FALSE(reg.SetValue(kRoot, path, {"cut\0here"s, REG_SZ, Bytes(L"x\0"s)}));
    EXPECT_FALSE(reg.ValueExists(kRoot, path, "cut"));
}

// Another disk's Windows: every SOFTWARE path lands under the mount, in any letter case, and the
// rest of this registry is out of reach, for reads and writes alike; SOFTWARE alone names the
// mount's root, which no delete takes.
TEST_F(EllRegWin32Test, AMountedHiveStandsForSoftwareAndNothingElseIsReached) {
    EllRegWin32 mounted(path_);
    const RegValueBytes value{"v", RegType::Sz, Bytes(std::wstring(L"x", 2))};
    EXPECT_TRUE(mounted.CreateKey(kRoot, "software\\Microsoft\\K"));
    EXPECT_TRUE(mounted.SetValue(kRoot, "SOFTWARE\\Microsoft\\K", value));
    EXPECT_EQ(reg.QueryValue(kRoot, path_ + "\\Microsoft\\K", "v"), value);
    EXPECT_EQ(mounted.QueryValue(kRoot, "SOFTWARE\\Microsoft\\K", "v"), value);
    EXPECT_EQ(mounted.GetSubKeyName(kRoot, "SOFTWARE", 0), "Microsoft");
    for (const auto& [root, key] :
         {std::pair{RegRoot::CurrentUser, "Software"},
          std::pair{kRoot, "SYSTEM\\CurrentControlSet"}, std::pair{kRoot, "SOFTWAREX"}}) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(reg.KeyExists(root, key) || root == kRoot);
        EXPECT_FALSE(mounted.KeyExists(root, key));
        EXPECT_FALSE(mounted.CreateKey(root, std::string(key) + "\\KR8Mounted"));
        EXPECT_FALSE(mounted.GetSubKeyName(root, key, 0));
    }
    EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "Software\\KR8Mounted"));
    mounted.DeleteRegKey(kRoot, "SOFTWARE\\");
    EXPECT_TRUE(reg.KeyExists(kRoot, path_ + "\\Microsoft\\K"));
    mounted.DeleteRegKey(kRoot, "Software\\Microsoft");
    EXPECT_FALSE(reg.KeyExists(kRoot, path_ + "\\Microsoft"));
    EXPECT_TRUE(reg.KeyExists(kRoot, path_));
}

}  // namespace
}  // namespace kr8
