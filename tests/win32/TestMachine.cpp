#include "tests/win32/TestMachine.h"

#include <shlwapi.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "sys/win32/Wide.h"

namespace kr8::test {

namespace {

void Check(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what + " failed, error " + std::to_string(::GetLastError()));
    }
}

void CheckReg(LONG result, const std::string& what) {
    if (result != ERROR_SUCCESS) {
        throw std::runtime_error(what + " failed, error " + std::to_string(result));
    }
}

// One name at a time: Wine's registry calls take at most 260 characters of key path in one
// call, and the tests use longer paths. Names are UTF-8, as the seams take them.
UniqueHKey OpenRaw(RegRoot root, const std::string& keyPath, bool create) {
    UniqueHKey key;
    std::size_t at = 0;
    while (at <= keyPath.size()) {
        const std::size_t end = std::min(keyPath.find('\\', at), keyPath.size());
        const std::wstring name = Wide(keyPath.substr(at, end - at));
        at = end + 1;
        if (name.empty()) {
            continue;
        }
        const HKEY parent = key ? key.get() : RootHKey(root);
        UniqueHKey next;
        const LONG result =
            create ? ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                       next.put(), nullptr)
                   : ::RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, next.put());
        if (result != ERROR_SUCCESS) {
            next.release();
            if (create) {
                CheckReg(result, "RegCreateKeyExW " + keyPath);
            }
            return UniqueHKey();
        }
        key = std::move(next);
    }
    return key;
}

template <typename Function>
Function NtFunction(const char* name) {
    const auto function = reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), name)));
    Check(function != nullptr, std::string(name) + " lookup");
    return function;
}

// A counted name over the characters of text, which must outlive it.
UNICODE_STRING CountedName(std::wstring& text) {
    UNICODE_STRING counted;
    counted.Buffer = text.empty() ? nullptr : &text[0];
    counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    return counted;
}

int NextSerial() {
    static std::atomic<int> serial{0};
    return ++serial;
}

// Through the exact long form, so that the hostile names the tests make go as well.
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    if (const UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &found)); find) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = path + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(child);
            } else {
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find.get(), &found));
    }
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace

HKEY RootHKey(RegRoot root) {
    return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::string UniqueKeyPath(RegRoot root) {
    return std::string(root == RegRoot::CurrentUser ? "Software" : "SOFTWARE") + "\\KR8Test-" +
           std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(NextSerial());
}

void SetRaw(RegRoot root, const std::string& keyPath, const std::string& name, DWORD type,
            const std::string& bytes) {
    const UniqueHKey key = OpenRaw(root, keyPath, true);
    // RegSetValueExA stores a NUL that follows the data as well; a stop byte after the data
    // keeps the value to exactly the bytes given.
    const std::string stopped = bytes + '#';
    CheckReg(::RegSetValueExA(key.get(), name.c_str(), 0, type,
                              reinterpret_cast<const BYTE*>(stopped.data()),
                              static_cast<DWORD>(bytes.size())),
             "RegSetValueExA " + name);
}

void SetCountedValue(HKEY key, const std::wstring& name, const std::wstring& sz) {
    using SetValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
    std::wstring nameCopy = name;
    UNICODE_STRING counted = CountedName(nameCopy);
    std::wstring data = sz;
    data.push_back(L'\0');
    const NTSTATUS status = NtFunction<SetValueKey>("NtSetValueKey")(
        key, &counted, 0, REG_SZ, &data[0], static_cast<ULONG>(data.size() * sizeof(wchar_t)));
    Check(status >= 0, "NtSetValueKey");
}

void SetRawCountedName(RegRoot root, const std::string& keyPath, const std::wstring& name,
                       const std::wstring& sz) {
    SetCountedValue(OpenRaw(root, keyPath, true).get(), name, sz);
}

UniqueHKey CreateCountedKey(RegRoot root, const std::string& parentPath, const std::wstring& name,
                            ULONG options) {
    using CreateKey = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG,
                                       PUNICODE_STRING, ULONG, PULONG);
    const UniqueHKey parent = OpenRaw(root, parentPath, true);
    std::wstring nameCopy = name;
    UNICODE_STRING counted = CountedName(nameCopy);
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = parent.get();
    attributes.ObjectName = &counted;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    HANDLE key = nullptr;
    const NTSTATUS status = NtFunction<CreateKey>("NtCreateKey")(&key, KEY_ALL_ACCESS, &attributes,
                                                                 0, nullptr, options, nullptr);
    Check(status >= 0, "NtCreateKey");
    return UniqueHKey(static_cast<HKEY>(key));
}

void CreateLinkKey(RegRoot root, const std::string& parentPath, const std::wstring& name,
                   const std::wstring& targetNtPath) {
    using SetValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
    constexpr ULONG kCreateLink = 0x2;  // REG_OPTION_CREATE_LINK
    const UniqueHKey link = CreateCountedKey(root, parentPath, name, kCreateLink);
    std::wstring valueName = L"SymbolicLinkValue";
    UNICODE_STRING counted = CountedName(valueName);
    std::wstring target = targetNtPath;
    const NTSTATUS status = NtFunction<SetValueKey>("NtSetValueKey")(
        link.get(), &counted, 0, REG_LINK, &target[0],
        static_cast<ULONG>(target.size() * sizeof(wchar_t)));
    Check(status >= 0, "NtSetValueKey SymbolicLinkValue");
}

std::optional<RawValue> GetRaw(RegRoot root, const std::string& keyPath, const std::string& name) {
    const UniqueHKey key = OpenRaw(root, keyPath, false);
    if (!key) {
        return std::nullopt;
    }
    DWORD size = 0;
    RawValue value;
    if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.assign(size, '\0');
    if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type,
                           reinterpret_cast<BYTE*>(&value.bytes[0]), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    return value;
}

bool KeyExists(RegRoot root, const std::string& keyPath) {
    return static_cast<bool>(OpenRaw(root, keyPath, false));
}

void CreateKey(RegRoot root, const std::string& keyPath) {
    OpenRaw(root, keyPath, true);
}

void DeleteTree(RegRoot root, const std::string& keyPath) {
    ::SHDeleteKeyA(RootHKey(root), keyPath.c_str());
}

std::string DwordBytes(DWORD number) {
    return std::string(reinterpret_cast<const char*>(&number), sizeof number);
}

TempDir::TempDir() {
    char temp[MAX_PATH + 1] = {};
    Check(::GetTempPathA(MAX_PATH, temp) != 0, "GetTempPathA");
    path_ = std::string(temp) + "KR8Test-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(NextSerial());
    Check(::CreateDirectoryA(path_.c_str(), nullptr) != FALSE, "CreateDirectoryA " + path_);
}

TempDir::~TempDir() {
    RemoveTree(LongPath(path_));
}

std::string TempDir::AddFile(const std::string& name, std::uint64_t length,
                             DWORD attributes) const {
    const std::string path = path_ + "\\" + name;
    {
        const UniqueHandle file(::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        Check(static_cast<bool>(file), "CreateFileW " + path);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        Check(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) != FALSE,
              "SetFilePointerEx");
        Check(::SetEndOfFile(file.get()) != FALSE, "SetEndOfFile");
    }
    Check(::SetFileAttributesW(LongPath(path).c_str(), attributes) != FALSE, "SetFileAttributesW");
    return path;
}

std::string TempDir::AddFolder(const std::string& name) const {
    const std::string path = path_ + "\\" + name;
    Check(::CreateDirectoryW(LongPath(path).c_str(), nullptr) != FALSE, "CreateDirectoryW " + path);
    return path;
}

bool OnDisk(const std::string& path) {
    return ::GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::uint64_t> LengthOnDisk(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::string Beside(const std::string& name) {
    char module[MAX_PATH + 1] = {};
    const std::string path(module, ::GetModuleFileNameA(nullptr, module, MAX_PATH));
    return path.substr(0, path.rfind('\\') + 1) + name;
}

RestoredValue::RestoredValue(RegRoot root, std::string key, std::string name)
    : root_(root),
      key_(std::move(key)),
      name_(std::move(name)),
      keyExisted_(KeyExists(root_, key_)),
      saved_(GetRaw(root_, key_, name_)) {}

RestoredValue::~RestoredValue() {
    if (saved_) {
        try {
            SetRaw(root_, key_, name_, saved_->type, saved_->bytes);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "cannot restore " << name_ << ": " << e.what();
        }
    } else if (!keyExisted_) {
        DeleteTree(root_, key_);
    } else if (const UniqueHKey key = OpenRaw(root_, key_, false); key) {
        ::RegDeleteValueA(key.get(), name_.c_str());
    }
}

Child::Child(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        ADD_FAILURE() << "cannot start " << line << ", error " << ::GetLastError();
        return;
    }
    ::CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    id_ = info.dwProcessId;
}

Child::~Child() {
    if (process_ && !Ended(0)) {
        ::TerminateProcess(process_.get(), 99);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

bool Child::Ended(DWORD withinMs) const {
    return process_ && ::WaitForSingleObject(process_.get(), withinMs) == WAIT_OBJECT_0;
}

std::optional<DWORD> Child::ExitCode() const {
    DWORD code = 0;
    if (!Ended(0) || !::GetExitCodeProcess(process_.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

std::string ContentOf(const std::string& path) {
    const UniqueHandle file(::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return "<missing>";
    }
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return bytes;
}

}  // namespace kr8::test
