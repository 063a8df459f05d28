#include "sys/win32/EllRegWin32.h"

#include <windows.h>

#include <winternl.h>

#include <algorithm>
#include <vector>

#include "sys/AsciiCase.h"
#include "sys/win32/Handles.h"
#include "sys/win32/Wide.h"

namespace kr8 {

// The predefined keys are pseudo-handles whose numbers differ between 32- and 64-bit builds'
// HKEY widths, so they are looked up rather than made from the enum's number.
HKEY RootKey(RegRoot root) {
    switch (root) {
        case RegRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
    }
    return nullptr;
}

namespace {

// The registry's own calls take every name counted, so a name with a NUL in it (which the
// adware can make, and the documented calls would cut short into another name) is addressed as
// itself. They are in ntdll on every NT version, though not in its import library for all.
struct Native {
    using OpenKey = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
    using DeleteKey = NTSTATUS(NTAPI*)(HANDLE);
    using DeleteValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING);
    using QueryValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, int, PVOID, ULONG, PULONG);
    OpenKey openKey;
    DeleteKey deleteKey;
    DeleteValueKey deleteValueKey;
    QueryValueKey queryValueKey;
};

template <typename Function>
Function NtFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

const Native& Nt() {
    static const Native native{NtFunction<Native::OpenKey>("NtOpenKey"),
                               NtFunction<Native::DeleteKey>("NtDeleteKey"),
                               NtFunction<Native::DeleteValueKey>("NtDeleteValueKey"),
                               NtFunction<Native::QueryValueKey>("NtQueryValueKey")};
    return native;
}

constexpr NTSTATUS kObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kObjectPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kBufferOverflow = static_cast<NTSTATUS>(0x80000005);
constexpr NTSTATUS kBufferTooSmall = static_cast<NTSTATUS>(0xC0000023);
constexpr NTSTATUS kNotImplemented = static_cast<NTSTATUS>(0xC0000002);
constexpr int kKeyValuePartialInformation = 2;

bool MeansAbsent(NTSTATUS status) {
    return status == kObjectNameNotFound || status == kObjectPathNotFound;
}

// One name as the native calls take it: every UTF-16 unit counted, NULs included.
class Counted {
  public:
    explicit Counted(const std::string& utf8) : text_(Wide(utf8)) {
        string_.Buffer = text_.empty() ? nullptr : &text_[0];
        string_.Length = static_cast<USHORT>(std::min<std::size_t>(text_.size() * 2, 0xFFFE));
        string_.MaximumLength = string_.Length;
    }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    bool Fits() const { return text_.size() * 2 <= 0xFFFE; }
    PUNICODE_STRING get() { return &string_; }

  private:
    std::wstring text_;
    UNICODE_STRING string_;
};

// A key name never holds a backslash, so the path splits into exactly its names; empty pieces
// (a doubled or trailing backslash) name nothing and are skipped.
std::vector<std::string> NamesIn(const std::string& path) {
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('\\', at), path.size());
        if (end > at) {
            names.push_back(path.substr(at, end - at));
        }
        at = end + 1;
    }
    return names;
}

// A key can be a link to any other key of the registry. Where the program deletes, it opens the
// link itself (OBJ_OPENLINK): a link planted under Notify must not turn a delete of "its" tree
// into a delete of the tree it points at.
constexpr ULONG kOpenLink = 0x100;

UniqueHKey OpenChild(HKEY parent, const std::string& name, ACCESS_MASK access, bool* absent,
                     ULONG extraAttributes = 0) {
    Counted counted(name);
    UniqueHKey child;
    if (!counted.Fits() || Nt().openKey == nullptr) {
        return child;
    }
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = parent;
    attributes.ObjectName = counted.get();
    attributes.Attributes = OBJ_CASE_INSENSITIVE | extraAttributes;
    HANDLE opened = nullptr;
    const NTSTATUS status = Nt().openKey(&opened, access, &attributes);
    if (status < 0) {
        *absent = MeansAbsent(status);
        return child;
    }
    child.reset(static_cast<HKEY>(opened));
    return child;
}

struct OpenedKey {
    UniqueHKey key;
    // The system answered that the key, or one above it, is not there. Any other failure (a
    // denied access) leaves open whether it is.
    bool absent = false;
};

// The path's names joined again from the index on: empty pieces dropped, nothing else changed.
std::string Joined(const std::vector<std::string>& names, std::size_t from) {
    std::string path;
    for (std::size_t i = from; i < names.size(); ++i) {
        path += (i > from ? "\\" : "") + names[i];
    }
    return path;
}

// The documented call takes the path as a C string and resolves the predefined root: it gets
// the whole path when no name in it holds a NUL, in one call. Otherwise it opens only the first
// name (one of the system's own, under the root), and the rest is opened from there with its
// length counted, so that every name is the one enumerated.
// A key out of this registry's reach (no path) is as absent as one that is not there.
OpenedKey OpenKey(RegRoot root, const std::optional<std::string>& keyPath,
                  ACCESS_MASK access = KEY_READ, RegLink last = RegLink::Follow) {
    OpenedKey opened;
    const HKEY rootKey = RootKey(root);
    if (rootKey == nullptr || !keyPath) {
        opened.absent = true;
        return opened;
    }
    const std::vector<std::string> names = NamesIn(*keyPath);
    const std::wstring whole = Wide(Joined(names, 0));
    const bool wholeFits = whole.find(L'\0') == std::wstring::npos;
    const std::wstring head = wholeFits ? whole : Wide(names.front());
    if (head.find(L'\0') != std::wstring::npos) {
        return opened;
    }
    const LONG result = ::RegOpenKeyExW(
        rootKey, head.c_str(), wholeFits && last == RegLink::Open ? REG_OPTION_OPEN_LINK : 0,
        wholeFits ? access : KEY_READ, opened.key.put());
    if (result != ERROR_SUCCESS) {
        // A failed open leaves no handle to close, whatever it wrote to the out-parameter.
        opened.key.release();
        opened.absent = result == ERROR_FILE_NOT_FOUND;
        return opened;
    }
    if (!wholeFits) {
        opened.key = OpenChild(opened.key.get(), Joined(names, 1), access, &opened.absent,
                               last == RegLink::Open ? kOpenLink : 0);
    }
    return opened;
}

// Enough to outgrow a value that is being made longer while it is read, not enough to spin.
constexpr int kEnumAttempts = 4;

struct Queried {
    DWORD type = REG_NONE;
    std::string bytes;  // as the registry holds them
};

// One value by its exact name; the failure's status when there is none.
std::optional<Queried> QueryNamedValue(HKEY key, const std::string& name, NTSTATUS* failure) {
    Counted counted(name);
    if (!counted.Fits() || Nt().queryValueKey == nullptr) {
        *failure = kNotImplemented;
        return std::nullopt;
    }
    // KEY_VALUE_PARTIAL_INFORMATION: index, type, length, then the data.
    constexpr std::size_t kHeader = 3 * sizeof(ULONG);
    std::vector<ULONG> buffer(256);
    for (int attempt = 0; attempt < kEnumAttempts; ++attempt) {
        const auto size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
        ULONG needed = 0;
        const NTSTATUS status = Nt().queryValueKey(key, counted.get(), kKeyValuePartialInformation,
                                                   buffer.data(), size, &needed);
        // A warning such as a buffer overflow is negative too: only success has data.
        if (status >= 0) {
            const ULONG length = std::min(buffer[2], static_cast<ULONG>(size - kHeader));
            const auto* data = reinterpret_cast<const BYTE*>(buffer.data()) + kHeader;
            return Queried{buffer[1], std::string(reinterpret_cast<const char*>(data), length)};
        }
        if (status != kBufferOverflow && status != kBufferTooSmall) {
            *failure = status;
            return std::nullopt;
        }
        buffer.assign(std::max<std::size_t>(buffer.size() * 2, needed / sizeof(ULONG) + 1), 0);
    }
    *failure = kBufferOverflow;
    return std::nullopt;
}

// The sub-key's name at index with the length the system reports, NULs included.
RegRead SubKeyOf(HKEY key, DWORD index, std::wstring& found) {
    // 255 units is the longest name the documented calls make; the native ones can make more.
    std::vector<wchar_t> name(256);
    for (int attempt = 0; attempt < kEnumAttempts; ++attempt) {
        DWORD length = static_cast<DWORD>(name.size());
        const LONG result =
            ::RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_SUCCESS) {
            found.assign(name.data(), std::min<std::size_t>(length, name.size()));
            return RegRead::Item;
        }
        if (result == ERROR_NO_MORE_ITEMS) {
            return RegRead::End;
        }
        if (result != ERROR_MORE_DATA) {
            return RegRead::Failed;
        }
        DWORD longest = 0;
        if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            longest = 0;
        }
        name.assign(std::max<std::size_t>(name.size() * 2, std::size_t{longest} + 1), L'\0');
    }
    return RegRead::Failed;
}

// The value at index as the registry holds it, however long.
RegRead ValueOf(HKEY key, DWORD index, RegValueBytes& value) {
    std::vector<wchar_t> name(256);
    std::vector<BYTE> data(kRegBufferSize);
    for (int attempt = 0; attempt < kEnumAttempts; ++attempt) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG result = ::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                            data.data(), &dataLength);
        if (result == ERROR_SUCCESS) {
            value.type = type;
            value.name = Narrow(name.data(), std::min<std::size_t>(nameLength, name.size()));
            value.bytes.assign(reinterpret_cast<const char*>(data.data()),
                               std::min<std::size_t>(dataLength, data.size()));
            return RegRead::Item;
        }
        if (result == ERROR_NO_MORE_ITEMS) {
            return RegRead::End;
        }
        if (result != ERROR_MORE_DATA) {
            return RegRead::Failed;
        }
        // Too long for the buffers: a value the adware made long on purpose must not end the
        // enumeration early and hide the values after it.
        DWORD maxName = 0;
        DWORD maxData = 0;
        if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
            maxName = 0;
            maxData = 0;
        }
        const std::size_t wantName =
            std::max<std::size_t>(name.size() * 2, std::size_t{maxName} + 1);
        const std::size_t wantData = std::max<std::size_t>(
            {data.size() * 2, std::size_t{maxData} + 2, std::size_t{dataLength}});
        if (wantName > MAXDWORD || wantData > MAXDWORD) {
            return RegRead::Failed;
        }
        name.assign(wantName, L'\0');
        data.assign(wantData, 0);
    }
    return RegRead::Failed;
}

// Deeper than the registry lets keys nest: a loop the tree cannot have.
constexpr int kDeepestKey = 512;

// Removes the key's sub-keys, then the key itself, each through its own handle.
void DeleteTree(HKEY key, int depth) {
    if (depth > kDeepestKey || Nt().deleteKey == nullptr) {
        return;
    }
    // The names first: each delete would shift the indexes of the ones after it.
    std::vector<std::wstring> children;
    std::wstring name;
    for (DWORD index = 0; SubKeyOf(key, index, name) == RegRead::Item; ++index) {
        children.push_back(name);
    }
    for (const std::wstring& child : children) {
        bool absent = false;
        const UniqueHKey opened =
            OpenChild(key, Narrow(child), KEY_READ | DELETE, &absent, kOpenLink);
        if (opened) {
            DeleteTree(opened.get(), depth + 1);
        }
    }
    Nt().deleteKey(key);
}

}  // namespace

std::optional<std::string> EllRegWin32::Reached(RegRoot root, const std::string& keyPath) const {
    if (mount_.empty()) {
        return keyPath;
    }
    const std::vector<std::string> names = NamesIn(keyPath);
    if (root != RegRoot::LocalMachine || names.empty() ||
        !EqualsIgnoringAsciiCase(names.front(), "SOFTWARE")) {
        return std::nullopt;
    }
    return names.size() == 1 ? mount_ : mount_ + "\\" + Joined(names, 1);
}

RegRead EllRegWin32::SubKeyAt(RegRoot root, const std::string& keyPath, RegLink link,
                              std::uint32_t index, std::string& name) {
    const OpenedKey opened =
        OpenKey(root, Reached(root, keyPath), KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, link);
    std::wstring wide;
    const RegRead read = opened.key ? SubKeyOf(opened.key.get(), index, wide) : RegRead::Failed;
    name = Narrow(wide);
    return read;
}

RegRead EllRegWin32::ValueAt(RegRoot root, const std::string& keyPath, RegLink link,
                             std::uint32_t index, RegValueBytes& value) {
    const OpenedKey opened = OpenKey(root, Reached(root, keyPath), KEY_QUERY_VALUE, link);
    return opened.key ? ValueOf(opened.key.get(), index, value) : RegRead::Failed;
}

std::optional<RegValueBytes> EllRegWin32::QueryValue(RegRoot root, const std::string& keyPath,
                                                     const std::string& valueName) {
    const OpenedKey opened = OpenKey(root, Reached(root, keyPath), KEY_QUERY_VALUE);
    NTSTATUS failure = 0;
    const std::optional<Queried> value =
        opened.key ? QueryNamedValue(opened.key.get(), valueName, &failure) : std::nullopt;
    if (!value) {
        return std::nullopt;
    }
    return RegValueBytes{valueName, value->type, value->bytes};
}

// Name by name, so that no name is cut short at a NUL; each key is opened only to make the next.
bool EllRegWin32::CreateKey(RegRoot root, const std::string& keyPath) {
    UniqueHKey key;
    const HKEY rootKey = RootKey(root);
    const std::optional<std::string> path = Reached(root, keyPath);
    const std::vector<std::string> names = NamesIn(path.value_or(""));
    if (rootKey == nullptr || names.empty()) {
        return false;
    }
    for (std::size_t i = 0; i != names.size(); ++i) {
        const std::wstring wide = Wide(names[i]);
        UniqueHKey next;
        if (wide.find(L'\0') != std::wstring::npos ||
            ::RegCreateKeyExW(key ? key.get() : rootKey, wide.c_str(), 0, nullptr, 0,
                              i + 1 < names.size() ? KEY_CREATE_SUB_KEY : KEY_SET_VALUE, nullptr,
                              next.put(), nullptr) != ERROR_SUCCESS) {
            next.release();
            return false;
        }
        key = std::move(next);
    }
    return true;
}

bool EllRegWin32::SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) {
    const OpenedKey opened = OpenKey(root, Reached(root, keyPath), KEY_SET_VALUE);
    const std::wstring name = Wide(value.name);
    // The documented call would store a name with a NUL cut short, over another value.
    if (!opened.key || name.find(L'\0') != std::wstring::npos || value.bytes.size() > MAXDWORD) {
        return false;
    }
    // For the string types the call looks at the character after the data, and when that is a
    // NUL it stores it too (NT does the same): a text saved without its NUL would come back
    // with one. Two stop bytes keep the data to exactly its own bytes, odd lengths included.
    const std::string stopped = value.bytes + "##";
    const auto* data = reinterpret_cast<const BYTE*>(stopped.data());
    return ::RegSetValueExW(opened.key.get(), name.c_str(), 0, value.type, data,
                            static_cast<DWORD>(value.bytes.size())) == ERROR_SUCCESS &&
           ::RegFlushKey(opened.key.get()) == ERROR_SUCCESS;
}

void EllRegWin32::DeleteRegKey(RegRoot root, const std::string& keyPath) {
    // A path of nothing but backslashes would name the root key itself, and SOFTWARE alone the
    // loaded hive's.
    const std::optional<std::string> path = Reached(root, keyPath);
    if (!path || NamesIn(keyPath).size() < (mount_.empty() ? 1u : 2u)) {
        return;
    }
    const OpenedKey opened = OpenKey(root, *path, KEY_READ | DELETE, RegLink::Open);
    if (opened.key) {
        DeleteTree(opened.key.get(), 0);
    }
}

void EllRegWin32::DeleteRegValue(RegRoot root, const std::string& keyPath,
                                 const std::string& valueName) {
    const OpenedKey opened = OpenKey(root, Reached(root, keyPath), KEY_SET_VALUE);
    Counted counted(valueName);
    if (opened.key && counted.Fits() && Nt().deleteValueKey != nullptr) {
        Nt().deleteValueKey(opened.key.get(), counted.get());
    }
}

bool EllRegWin32::KeyExists(RegRoot root, const std::string& keyPath) {
    // The key itself, a link included, whether or not what it points at is there.
    const OpenedKey opened = OpenKey(root, Reached(root, keyPath), KEY_QUERY_VALUE, RegLink::Open);
    return opened.key || !opened.absent;
}

bool EllRegWin32::ValueExists(RegRoot root, const std::string& keyPath,
                              const std::string& valueName) {
    const OpenedKey opened = OpenKey(root, Reached(root, keyPath), KEY_QUERY_VALUE);
    if (!opened.key) {
        return !opened.absent;
    }
    NTSTATUS failure = 0;
    return QueryNamedValue(opened.key.get(), valueName, &failure) || failure != kObjectNameNotFound;
}

}  // namespace kr8
