// Where the Find scan spends its time with the real Win32 layer underneath, each figure set
// beside a bare Win32 walk measured in the same run, so that the machine's speed cancels out of
// the ratios. It prints figures and judges nothing.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/FileListBox.h"
#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "scan/ReportText.h"
#include "sys/Clock.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"
#include "sys/win32/Handles.h"
#include "sys/win32/SystemWin32.h"
#include "tests/fakes/FakeMachine.h"
#include "tests/fakes/FakeWindow.h"

namespace kr8::bench {
namespace {

constexpr std::uint64_t kAdwareLength = 320872;
// One file in this many has the adware's length: a few hits, as on a machine that has it.
constexpr std::size_t kHitEvery = 1000;
// The scan's caption throttle; a clock that steps by this much makes it caption every file.
constexpr std::uint64_t kCaptionStepMs = 30;
constexpr char kNotifyPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";

// ---- Timing

double NowSeconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER count;
    ::QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / frequency;
}

template <typename F>
double Seconds(F&& work) {
    const double start = NowSeconds();
    work();
    return NowSeconds() - start;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

template <typename F>
double MedianSeconds(int runs, F&& work) {
    work();  // warms the caches the first run would otherwise pay for
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(Seconds(work));
    }
    return Median(times);
}

// Every run times each piece of work once, starting with a different one each time, so that
// drift, other load on the machine and cache warmth fall on all of them alike.
std::vector<double> MedianInterleaved(int runs, const std::vector<std::function<void()>>& works) {
    for (const auto& work : works) {
        work();
    }
    std::vector<std::vector<double>> times(works.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t k = 0; k < works.size(); ++k) {
            const std::size_t which = (static_cast<std::size_t>(run) + k) % works.size();
            times[which].push_back(Seconds(works[which]));
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& each : times) {
        medians.push_back(Median(each));
    }
    return medians;
}

struct Pair {
    double first = 0;
    double second = 0;
};

template <typename F, typename G>
Pair MedianSideBySide(int runs, F&& first, G&& second) {
    const std::vector<double> both = MedianInterleaved(runs, {first, second});
    return {both[0], both[1]};
}

double Ms(double seconds) {
    return seconds * 1e3;
}
double Us(double seconds) {
    return seconds * 1e6;
}

// ---- Seams for the form

// The window's controls in memory, except the caption, which can go to a real window: the
// caption is the one control the scan touches per file.
class BenchControls final : public WindowControls {
  public:
    explicit BenchControls(HWND captionWindow = nullptr) : window_(captionWindow) {}

    std::string GetText1() override { return text1_; }
    void SetText1(const std::string& text) override { text1_ = text; }
    void ClearList1() override { list_.clear(); }
    void AddList1(const std::string& entry) override { list_.push_back(entry); }
    int List1Count() override { return static_cast<int>(list_.size()); }
    std::string List1Entry(int index) override { return list_.at(static_cast<size_t>(index)); }
    bool List1Checked(int) override { return false; }
    void SetList1Checked(int, bool) override {}
    void RemoveList1(int index) override { list_.erase(list_.begin() + index); }
    void SetList1Current(int) override {}
    void SetEnabled(Button, bool) override {}
    bool IsEnabled(Button) override { return true; }
    void SetCaption(const std::string& caption) override {
        ++captions;
        if (window_ != nullptr) {
            ::SetWindowTextA(window_, caption.c_str());
        }
    }

    std::size_t captions = 0;

  private:
    HWND window_;
    std::string text1_;
    std::vector<std::string> list_;
};

// The real folders, except that the system and temp folders are the benchmark's own.
class BenchFolders final : public CommonFunction {
  public:
    explicit BenchFolders(std::string folder) : folder_(std::move(folder)) {}
    std::string GetWindowsFolder() override { return real_.GetWindowsFolder(); }
    std::string GetSystemFolder() override { return folder_; }
    std::string GetTempFolder() override { return folder_; }
    std::string GetShortPath(const std::string& path) override { return real_.GetShortPath(path); }

  private:
    CommonFunctionWin32 real_;
    std::string folder_;
};

// Every length the listing reports becomes one value, to compare a scan that finds every file
// with one that finds none over the same folder and the same listing cost.
class SameLengths final : public FileSystem {
  public:
    SameLengths(FileSystem& inner, std::uint64_t length) : inner_(inner), length_(length) {}
    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    std::optional<std::uint64_t> FileLength(const std::string& path) override {
        return inner_.FileLength(path) ? std::optional<std::uint64_t>(length_) : std::nullopt;
    }
    std::vector<FolderEntry> ListFolder(const std::string& folder,
                                      const std::string& pattern) override {
        std::vector<FolderEntry> files = inner_.ListFolder(folder, pattern);
        for (FolderEntry& file : files) {
            file.length = length_;
        }
        return files;
    }

  private:
    FileSystem& inner_;
    std::uint64_t length_;
};

// Each EllRegWin32 call opens (or creates) exactly one key, so calls counted are keys opened.
class CountingReg final : public EllReg {
  public:
    explicit CountingReg(EllReg& inner) : inner_(inner) {}
    std::string ReadRegValue(RegRoot root, const std::string& keyPath,
                             const std::string& valueName) override {
        ++reads;
        return inner_.ReadRegValue(root, keyPath, valueName);
    }
    void WriteRegValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                       std::uint32_t type, const std::string& value) override {
        ++writes;
        inner_.WriteRegValue(root, keyPath, valueName, type, value);
    }
    std::optional<std::string> GetSubKeyName(RegRoot root, const std::string& keyPath,
                                             std::int32_t index) override {
        ++subKeyEnums;
        return inner_.GetSubKeyName(root, keyPath, index);
    }
    std::optional<ValueEntry> GetValueEntry(RegRoot root, const std::string& keyPath,
                                            std::int32_t index) override {
        ++valueEnums;
        return inner_.GetValueEntry(root, keyPath, index);
    }
    void DeleteRegKey(RegRoot root, const std::string& keyPath) override {
        ++deletes;
        inner_.DeleteRegKey(root, keyPath);
    }
    void DeleteRegValue(RegRoot root, const std::string& keyPath,
                        const std::string& valueName) override {
        ++deletes;
        inner_.DeleteRegValue(root, keyPath, valueName);
    }

    std::size_t Opens() const { return reads + writes + subKeyEnums + valueEnums + deletes; }

    std::size_t reads = 0;
    std::size_t writes = 0;
    std::size_t subKeyEnums = 0;
    std::size_t valueEnums = 0;
    std::size_t deletes = 0;

  private:
    EllReg& inner_;
};

// A form wired to the real registry and files, looking at folder as its system folder.
struct Bench {
    Bench(const std::string& folder, FileSystem& fileSeam, EllReg& regSeam, Clock& clockSeam,
          HWND captionWindow = nullptr)
        : controls(captionWindow),
          folders(folder),
          form(controls, boxes, Machine{regSeam, os, folders, fileSeam, clockSeam}) {}

    // False when the platform was refused, which would leave File1 empty and the figures void.
    bool Load() { return form.Form_Load(); }
    void Find() { form.CmdFind_Click(); }

    BenchControls controls;
    fake::FakeBoxes boxes;
    OS_DetectWin32 os;
    BenchFolders folders;
    FrmKR8 form;
};

// ---- Fixtures on the machine

std::string TempFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH + 1, buffer);
    std::string folder(buffer, length <= MAX_PATH ? length : 0);
    while (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

std::string Decimal(std::size_t number, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*zu", width, number);
    return buffer;
}

// Under Wine every new name given through a drive path makes it read the whole folder, looking
// for the name in another case: filling a folder that way is quadratic (170 s for 30,000 files).
// A "\\?\unix" path is taken as exact, which keeps it linear (about 6 s). Elsewhere, or when
// that path does not lead to the same folder, the drive path is used.
std::string CreatablePath(const std::string& folder) {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix == nullptr || *prefix == '\0' || folder.size() < 3 || folder[1] != ':' ||
        folder[2] != '\\') {
        return folder;
    }
    std::string unixPath = std::string(prefix) + "/dosdevices/";
    unixPath += static_cast<char>(std::tolower(static_cast<unsigned char>(folder[0])));
    unixPath += ":" + folder.substr(2);
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return "\\\\?\\unix" + unixPath;
}

bool SameFile(const std::string& a, const std::string& b) {
    WIN32_FILE_ATTRIBUTE_DATA first;
    WIN32_FILE_ATTRIBUTE_DATA second;
    return ::GetFileAttributesExA(a.c_str(), GetFileExInfoStandard, &first) &&
           ::GetFileAttributesExA(b.c_str(), GetFileExInfoStandard, &second) &&
           first.nFileSizeLow == second.nFileSizeLow &&
           first.ftCreationTime.dwLowDateTime == second.ftCreationTime.dwLowDateTime &&
           first.ftCreationTime.dwHighDateTime == second.ftCreationTime.dwHighDateTime;
}

// A folder of *.dll files that grows on demand and is removed with everything in it. The files
// get their lengths from SetEndOfFile alone: no data is written.
class DllFolder {
  public:
    explicit DllFolder(std::string path) : path_(std::move(path)) {
        made_ = ::CreateDirectoryA(path_.c_str(), nullptr) != FALSE;
    }
    ~DllFolder() {
        for (const std::string& name : names_) {
            ::DeleteFileA((path_ + "\\" + name).c_str());
        }
        if (made_) {
            ::RemoveDirectoryA(path_.c_str());
        }
    }
    DllFolder(const DllFolder&) = delete;
    DllFolder& operator=(const DllFolder&) = delete;

    bool Made() const { return made_; }
    const std::string& Path() const { return path_; }
    std::size_t Count() const { return names_.size(); }
    std::size_t Hits() const { return hits_; }

    bool GrowTo(std::size_t count) {
        while (names_.size() < count) {
            const std::size_t index = names_.size();
            const std::string name = "b" + Decimal(index, 6) + ".dll";
            const bool hit = index % kHitEvery == kHitEvery / 2;
            // Small and never the adware's length: 512 bytes to about 60 KB.
            const std::uint64_t length = hit ? kAdwareLength : 512 + (index * 7919) % 60000;
            if (!Make(name, length)) {
                std::fprintf(stderr, "cannot create %s\\%s (error %lu)\n", path_.c_str(),
                             name.c_str(), ::GetLastError());
                return false;
            }
            names_.push_back(name);
            hits_ += hit ? 1 : 0;
        }
        return true;
    }

  private:
    bool Make(const std::string& name, std::uint64_t length) {
        if (createIn_.empty()) {
            // Settled on the first file: the fast path only where it leads to this very folder.
            const std::string fast = CreatablePath(path_);
            createIn_ = path_;
            if (fast != path_ && MakeFile(fast + "\\" + name, length)) {
                if (SameFile(fast + "\\" + name, path_ + "\\" + name)) {
                    createIn_ = fast;
                    return true;
                }
                ::DeleteFileA((fast + "\\" + name).c_str());
            }
        }
        return MakeFile(createIn_ + "\\" + name, length);
    }

    static bool MakeFile(const std::string& path, std::uint64_t length) {
        const UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return false;
        }
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        return ::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) != FALSE &&
               ::SetEndOfFile(file.get()) != FALSE;
    }

    std::string path_;
    std::string createIn_;
    bool made_ = false;
    std::vector<std::string> names_;
    std::size_t hits_ = 0;
};

class EmptyFolder {
  public:
    explicit EmptyFolder(std::string path) : path_(std::move(path)) {
        made_ = ::CreateDirectoryA(path_.c_str(), nullptr) != FALSE;
    }
    ~EmptyFolder() {
        if (made_) {
            ::RemoveDirectoryA(path_.c_str());
        }
    }
    EmptyFolder(const EmptyFolder&) = delete;
    EmptyFolder& operator=(const EmptyFolder&) = delete;

    bool Made() const { return made_; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    bool made_ = false;
};

// Sub-keys added under the machine's Notify key and removed again, the key itself too when
// this made it.
class NotifySubKeys {
  public:
    NotifySubKeys() {
        DWORD disposition = 0;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kNotifyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, notify_.put(), &disposition) != ERROR_SUCCESS) {
            notify_.release();
        }
        madeNotify_ = disposition == REG_CREATED_NEW_KEY;
    }
    ~NotifySubKeys() {
        for (const std::string& name : names_) {
            ::RegDeleteKeyA(notify_.get(), name.c_str());
        }
        if (madeNotify_) {
            notify_.reset();
            ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kNotifyPath);
        }
    }
    NotifySubKeys(const NotifySubKeys&) = delete;
    NotifySubKeys& operator=(const NotifySubKeys&) = delete;

    bool Opened() const { return static_cast<bool>(notify_); }
    std::size_t Count() const { return names_.size(); }
    const std::string& Name(std::size_t index) const { return names_.at(index); }

    // Each sub-key carries what a Winlogon notification package usually has, and no Version.
    bool GrowTo(std::size_t count) {
        static const char dll[] = "kr8bench.dll";
        const DWORD zero = 0;
        while (names_.size() < count) {
            const std::string name = "Kr8Bench" + Decimal(names_.size(), 5);
            UniqueHKey sub;
            if (::RegCreateKeyExA(notify_.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, sub.put(), nullptr) != ERROR_SUCCESS) {
                sub.release();
                return false;
            }
            names_.push_back(name);
            ::RegSetValueExA(sub.get(), "DllName", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll),
                             sizeof dll);
            ::RegSetValueExA(sub.get(), "Asynchronous", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&zero), sizeof zero);
            ::RegSetValueExA(sub.get(), "Impersonate", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&zero), sizeof zero);
        }
        return true;
    }

  private:
    UniqueHKey notify_;
    bool madeNotify_ = false;
    std::vector<std::string> names_;
};

// A real, shown top-level window: the caption's cost is the window manager side of it, which a
// hidden or in-memory window does not pay.
class CaptionWindow {
  public:
    CaptionWindow() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        registered_ = ::RegisterClassA(&windowClass) != 0;
        if (registered_) {
            window_ = ::CreateWindowExA(0, kClassName, text::kCaption, WS_OVERLAPPEDWINDOW,
                                        CW_USEDEFAULT, CW_USEDEFAULT, 480, 360, nullptr, nullptr,
                                        windowClass.hInstance, nullptr);
        }
        if (window_ != nullptr) {
            ::ShowWindow(window_, SW_SHOWNORMAL);
            ::UpdateWindow(window_);
            Pump();
        }
    }
    ~CaptionWindow() {
        if (window_ != nullptr) {
            ::DestroyWindow(window_);
            Pump();
        }
        if (registered_) {
            ::UnregisterClassA(kClassName, ::GetModuleHandleA(nullptr));
        }
    }
    CaptionWindow(const CaptionWindow&) = delete;
    CaptionWindow& operator=(const CaptionWindow&) = delete;

    HWND Get() const { return window_; }

    // Lets the window handle what the captions queued, so that no run inherits a backlog.
    static void Pump() {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }

  private:
    static constexpr char kClassName[] = "Kr8ScanBenchCaption";
    bool registered_ = false;
    HWND window_ = nullptr;
};

std::size_t CaptionsOfOneFind(Bench& bench) {
    bench.controls.captions = 0;
    bench.Find();
    CaptionWindow::Pump();
    return bench.controls.captions;
}

// ---- Bare Win32 references

struct Walk {
    std::size_t files = 0;
    std::uint64_t bytes = 0;
};

// What the Find scan's file pass cannot do with less: one listing of the folder, with sizes.
Walk BareWalk(const std::string& folder) {
    Walk walk;
    WIN32_FIND_DATAA data;
    const UniqueFindHandle find(::FindFirstFileA((folder + "\\*.dll").c_str(), &data));
    if (!find) {
        return walk;
    }
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            ++walk.files;
            walk.bytes += (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        }
    } while (::FindNextFileA(find.get(), &data));
    return walk;
}

void OpenClose(const std::string& keyPath, int count) {
    for (int i = 0; i < count; ++i) {
        HKEY key = nullptr;
        if (::RegOpenKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str(), &key) == ERROR_SUCCESS) {
            ::RegCloseKey(key);
        }
    }
}

double EnumKeySeconds(DWORD index, int count) {
    UniqueHKey notify;
    if (::RegOpenKeyA(HKEY_LOCAL_MACHINE, kNotifyPath, notify.put()) != ERROR_SUCCESS) {
        notify.release();
        return 0;
    }
    return MedianSeconds(5,
                         [&] {
                             char name[kRegBufferSize];
                             for (int i = 0; i < count; ++i) {
                                 ::RegEnumKeyA(notify.get(), index, name, sizeof name);
                             }
                         }) /
           count;
}

// The Files Found part of the report as the scan builds it, for every file a hit.
std::string ReportAlone(const std::string& folder, const std::vector<FolderEntry>& files) {
    std::string report = std::string(text::kFilesFound) + text::kCrLf;
    for (const FolderEntry& file : files) {
        report += ShownInReport(folder + "\\" + file.name) + text::kCrLf;
    }
    return report;
}

// ---- The scan's steps, rebuilt here so that each can be timed on its own

// The names the scan looks for besides the size pass, all in the folder it is given.
constexpr const char* kFixedNames[] = {"wincore.dll", "cidrules.dll", "winupd.dll",
                                       "lspak.dll",   "inetadpt.dll", "winhost32.exe",
                                       "7k15.exe",    "upd126.exe",   "upd126new.exe"};

std::size_t FixedNameChecks(FileSystem& files, const std::string& folder) {
    std::size_t found = 0;
    for (const char* name : kFixedNames) {
        found += files.Exists(folder + "\\" + name) ? 1 : 0;
    }
    return found;
}

using LengthMap = std::unordered_map<std::string, std::uint64_t>;

LengthMap MapOf(const std::vector<FolderEntry>& listed) {
    LengthMap lengths;
    for (const FolderEntry& file : listed) {
        lengths.emplace(file.name, file.length);
    }
    return lengths;
}

// As the scan runs it: a path for every file, a hash lookup, a clock read.
std::size_t LoopAsItIs(const FileListBox& file1, const LengthMap& lengths,
                       const std::string& folder, FileSystem& files, Clock& clock) {
    std::size_t hits = 0;
    for (std::size_t index = 0; index != file1.ListCount(); ++index) {
        const std::string& name = file1.List(index);
        const std::string path = folder + "\\" + name;
        std::optional<std::uint64_t> length;
        if (auto found = lengths.find(name); found != lengths.end()) {
            length = found->second;
        } else {
            length = files.FileLength(path);
        }
        clock.NowMs();
        if (length == kAdwareLength) {
            ++hits;
        }
    }
    return hits;
}

// File1 and the listing both come from one folder in the platform's order, so they can be read
// side by side: a name compare instead of a hash, a path only for a hit, and the map only once
// a name is out of step.
std::size_t LoopInStep(const FileListBox& file1, const std::vector<FolderEntry>& listed,
                       const std::string& folder, FileSystem& files, Clock& clock) {
    std::optional<LengthMap> lengths;
    std::size_t hits = 0;
    for (std::size_t index = 0; index != file1.ListCount(); ++index) {
        const std::string& name = file1.List(index);
        std::optional<std::uint64_t> length;
        if (index < listed.size() && listed[index].name == name) {
            length = listed[index].length;
        } else {
            if (!lengths) {
                lengths = MapOf(listed);
            }
            if (auto found = lengths->find(name); found != lengths->end()) {
                length = found->second;
            } else {
                length = files.FileLength(folder + "\\" + name);
            }
        }
        clock.NowMs();
        if (length == kAdwareLength) {
            const std::string path = folder + "\\" + name;
            hits += path.empty() ? 0 : 1;
        }
    }
    return hits;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(),
                            static_cast<int>(std::min(text.size(), std::strlen(prefix))), prefix,
                            static_cast<int>(std::strlen(prefix))) == CSTR_EQUAL;
}

// The Notify part of the registry pass with the sub-key names read through one open of the key
// and kept for the guardian's name check: one RegEnumKeyA a sub-key instead of two, each of
// those with an open and a close of its own. The Version reads stay as they are.
std::size_t NotifyPassOneOpen(EllReg& reg) {
    std::vector<std::string> names;
    {
        UniqueHKey notify;
        if (::RegOpenKeyA(HKEY_LOCAL_MACHINE, kNotifyPath, notify.put()) != ERROR_SUCCESS) {
            notify.release();
            return 0;
        }
        std::vector<char> name(kRegBufferSize);
        for (DWORD index = 0;
             ::RegEnumKeyA(notify.get(), index, name.data(), kRegBufferSize) == ERROR_SUCCESS;
             ++index) {
            names.emplace_back(name.data(), ::strnlen(name.data(), name.size()));
        }
    }
    std::size_t guardians = 0;
    for (const std::string& name : names) {
        const std::string version =
            reg.ReadRegValue(RegRoot::LocalMachine, std::string(text::kNotifyKey) + name + "\\",
                             text::kVersionValue);
        guardians += StartsWith(version, text::kGuardianVersionPrefix) ? 1 : 0;
    }
    for (const std::string& name : names) {
        guardians += StartsWith(name, text::kGuardianNamePrefix) ? 1 : 0;
    }
    return guardians;
}

// ---- The run

struct Sizes {
    std::size_t count;
    int runs;
};

constexpr Sizes kFolderSizes[] = {{1000, 9}, {10000, 7}, {30000, 5}};
constexpr std::size_t kDetailSize = 10000;
constexpr std::size_t kNotifySizes[] = {1000, 2000, 4000};

void Rule() {
    std::printf(
        "----------------------------------------------------------------------------------"
        "----------\n");
}

struct Folders {
    std::string base;
    EmptyFolder root;
    EmptyFolder empty;
    DllFolder dlls;
    DllFolder detail;

    explicit Folders(const std::string& path)
        : base(path),
          root(path),
          empty(path + "\\empty"),
          dlls(path + "\\dlls"),
          detail(path + "\\detail") {}
    bool Made() const { return root.Made() && empty.Made() && dlls.Made() && detail.Made(); }
};

struct Seams {
    FileSystemWin32 files;
    EllRegWin32 reg;
    Clock& clock = SteadyClock();
};

bool FindAgainstBareWalk(Seams& seams, Folders& folders) {
    Rule();
    std::printf(
        "1. Find (Form_Load once, then CmdFind_Click) vs. a bare FindFirstFileA/FindNextFileA"
        " walk of the same folder\n");
    std::printf("%8s %5s %5s %9s %9s %7s %13s %13s %13s %10s\n", "files", "hits", "runs", "Find ms",
                "bare ms", "ratio", "Find us/file", "bare us/file", "Form_Load ms", "made in s");
    for (const Sizes& size : kFolderSizes) {
        const double createStart = NowSeconds();
        if (!folders.dlls.GrowTo(size.count)) {
            return false;
        }
        const double created = NowSeconds() - createStart;
        Bench bench(folders.dlls.Path(), seams.files, seams.reg, seams.clock);
        const double load = Seconds([&] { bench.Load(); });
        if (bench.form.File1.ListCount() != folders.dlls.Count()) {
            std::fprintf(stderr, "File1 holds %zu files, the folder %zu\n",
                         bench.form.File1.ListCount(), folders.dlls.Count());
            return false;
        }
        Walk walk;
        const Pair times = MedianSideBySide(
            size.runs, [&] { bench.Find(); }, [&] { walk = BareWalk(folders.dlls.Path()); });
        if (walk.files != folders.dlls.Count() ||
            static_cast<std::size_t>(bench.controls.List1Count()) != folders.dlls.Hits()) {
            std::fprintf(stderr, "the walk saw %zu files; Find listed %d hits of %zu\n", walk.files,
                         bench.controls.List1Count(), folders.dlls.Hits());
            return false;
        }
        std::printf("%8zu %5zu %5d %9.2f %9.2f %6.2fx %13.2f %13.2f %13.2f %10.1f\n", size.count,
                    folders.dlls.Hits(), size.runs, Ms(times.first), Ms(times.second),
                    times.first / times.second, Us(times.first) / size.count,
                    Us(times.second) / size.count, Ms(load), created);
    }
    return true;
}

void FindTakenApart(Seams& seams, Folders& folders) {
    Rule();
    std::printf("2. What Find is made of, %zu files (%s)\n", kDetailSize,
                folders.detail.Path().c_str());
    Bench bench(folders.detail.Path(), seams.files, seams.reg, seams.clock);
    bench.Load();
    Bench emptyBench(folders.empty.Path(), seams.files, seams.reg, seams.clock);
    emptyBench.Load();
    const std::string& folder = folders.detail.Path();
    const std::vector<double> times = MedianInterleaved(
        7, {[&] { bench.Find(); }, [&] { BareWalk(folder); },
            [&] { seams.files.ListFolder(folder, "*.dll"); },
            [&] { FixedNameChecks(seams.files, folder); }, [&] { emptyBench.Find(); },
            [&] { FixedNameChecks(seams.files, folders.empty.Path()); }});
    const double find = times[0];
    const double bare = times[1];
    const double list = times[2];
    const double fixedFull = times[3];
    const double emptyFind = times[4];
    const double fixedEmpty = times[5];

    const FileListBox& file1 = bench.form.File1;
    const std::vector<FolderEntry> listed = seams.files.ListFolder(folder, "*.dll");
    const LengthMap lengths = MapOf(listed);
    const std::vector<double> steps = MedianInterleaved(
        7, {[&] { MapOf(listed); },
            [&] { LoopAsItIs(file1, lengths, folder, seams.files, seams.clock); },
            [&] { LoopInStep(file1, listed, folder, seams.files, seams.clock); }});
    const double map = steps[0];
    const double loop = steps[1];
    const double inStep = steps[2];
    const int reads = 100000;
    const double clockRead = MedianSeconds(5,
                                           [&] {
                                               for (int i = 0; i < reads; ++i) {
                                                   seams.clock.NowMs();
                                               }
                                           }) /
                             reads;
    const double registry = emptyFind - fixedEmpty;
    const double parts = list + fixedFull + map + loop + registry;
    const double projected = find - map - loop + inStep;

    auto line = [find](const char* what, double seconds) {
        std::printf("   %-58s %9.2f ms %5.0f%%\n", what, Ms(seconds), 100 * seconds / find);
    };
    std::printf("   %-58s %9.2f ms  (bare walk %.2f ms, %.2fx)\n", "Find", Ms(find), Ms(bare),
                find / bare);
    line("FileSystemWin32::ListFiles, the listing Find needs", list);
    line("the 9 fixed-name checks in this folder (none there)", fixedFull);
    std::printf("   %-58s %9.2f ms        (in an empty folder)\n", "", Ms(fixedEmpty));
    line("listing copied into the hash map (rebuilt here)", map);
    line("per-file loop: path, hash lookup, clock (rebuilt here)", loop);
    line("  of which the clock reads", clockRead * kDetailSize);
    line("registry pass with the prefix's own keys", registry);
    line("sum of the parts", parts);
    std::printf("   %-58s %9.2f ms  (%.2fx the bare walk)\n",
                "Find projected with File1 and the listing read in step", Ms(projected),
                projected / bare);
    std::printf("   %-58s %9.2f ms  (%.2fx the bare walk)\n",
                "  and with no fixed-name folder reads", Ms(projected - fixedFull + fixedEmpty),
                (projected - fixedFull + fixedEmpty) / bare);
}

void Captions(Seams& seams, Folders& folders, HWND window) {
    std::printf(" a) caption, %zu files\n", kDetailSize);
    const std::string& folder = folders.detail.Path();
    Bench memory(folder, seams.files, seams.reg, seams.clock);
    memory.Load();
    if (window == nullptr) {
        std::printf(
            "   no display (CreateWindowExA failed): the real-window figures are left out\n");
        std::printf("   Find, throttled, caption in memory:  %9.2f ms, %zu captions a run\n",
                    Ms(MedianSeconds(7, [&] { memory.Find(); })), CaptionsOfOneFind(memory));
        return;
    }
    Bench real(folder, seams.files, seams.reg, seams.clock, window);
    real.Load();
    const int batch = 200;
    int updates = 0;
    const std::vector<double> times = MedianInterleaved(
        7, {[&] { memory.Find(); },
            [&] {
                real.Find();
                CaptionWindow::Pump();
            },
            [&] {
                for (int i = 0; i < batch; ++i) {
                    const std::string caption = text::kScanningPrefix + std::to_string(++updates);
                    ::SetWindowTextA(window, caption.c_str());
                }
                CaptionWindow::Pump();
            }});
    const double perCaption = times[2] / batch;
    const std::size_t realCaptions = CaptionsOfOneFind(real);

    fake::FakeClock stepping;
    stepping.step = kCaptionStepMs;
    Bench everyFile(folder, seams.files, seams.reg, stepping, window);
    everyFile.Load();
    const double everyFind = MedianSeconds(3, [&] {
        everyFile.Find();
        CaptionWindow::Pump();
    });
    const std::size_t everyCaptions = CaptionsOfOneFind(everyFile);

    std::printf("   SetWindowTextA on a shown top-level window: %.3f ms a caption\n",
                Ms(perCaption));
    std::printf("   %-44s %9.2f ms, %5zu captions a run\n", "Find, throttled, caption in memory",
                Ms(times[0]), CaptionsOfOneFind(memory));
    std::printf("   %-44s %9.2f ms, %5zu captions a run = %.2f ms of captions (%.1f%%)\n",
                "Find, throttled, caption on the window", Ms(times[1]), realCaptions,
                Ms(perCaption * realCaptions), 100 * perCaption * realCaptions / times[1]);
    std::printf("   %-44s %9.2f ms, %5zu captions a run (%.1fx the throttled Find)\n",
                "Find, caption on the window every file", Ms(everyFind), everyCaptions,
                everyFind / times[1]);
}

void Report(Seams& seams, Folders& folders) {
    std::printf(" b) report, %zu files\n", kDetailSize);
    const std::string& folder = folders.detail.Path();
    SameLengths noHits(seams.files, 1);
    SameLengths allHits(seams.files, kAdwareLength);
    Bench none(folder, noHits, seams.reg, seams.clock);
    Bench all(folder, allHits, seams.reg, seams.clock);
    none.Load();
    all.Load();
    const std::vector<FolderEntry> listed = seams.files.ListFolder(folder, "*.dll");
    std::size_t reportLength = 0;
    const std::vector<double> times =
        MedianInterleaved(7, {[&] { none.Find(); }, [&] { all.Find(); },
                              [&] { reportLength = ReportAlone(folder, listed).size(); }});
    std::printf(
        "   Find, no file a hit / every file a hit: %.2f / %.2f ms: %.2f ms for %zu hits, "
        "%.2f us a hit\n",
        Ms(times[0]), Ms(times[1]), Ms(times[1] - times[0]), kDetailSize,
        Us(times[1] - times[0]) / kDetailSize);
    std::printf("   building the report string alone for %zu hits: %.2f ms (%zu bytes)\n",
                listed.size(), Ms(times[2]), reportLength);
}

bool Registry(Seams& seams, Folders& folders) {
    std::printf(" c) registry pass: Find on an empty folder with N sub-keys under HKLM\\%s\n",
                kNotifyPath);
    NotifySubKeys notify;
    if (!notify.Opened()) {
        std::printf("   cannot open or create the Notify key: left out\n");
        return true;
    }
    std::printf("%10s %9s %11s %10s %8s %8s %14s %14s %6s %14s\n", "sub-keys", "Find ms",
                "us/sub-key", "key opens", "enums", "reads", "open+close us", "opens x it ms",
                "share", "one-open ms");
    const std::string notifyPath = kNotifyPath;
    const int opens = 1000;
    for (const std::size_t count : kNotifySizes) {
        if (!notify.GrowTo(count)) {
            std::fprintf(stderr, "cannot create Notify sub-keys (%zu made)\n", notify.Count());
            return false;
        }
        Bench bench(folders.empty.Path(), seams.files, seams.reg, seams.clock);
        bench.Load();
        const std::string subKey = notifyPath + "\\" + notify.Name(notify.Count() / 2);
        const std::vector<double> times = MedianInterleaved(
            5, {[&] { bench.Find(); }, [&] { OpenClose(notifyPath, opens); },
                [&] { OpenClose(subKey, opens); }, [&] { NotifyPassOneOpen(seams.reg); }});
        const double find = times[0];
        const double openNotify = times[1] / opens;
        const double openSub = times[2] / opens;
        CountingReg counting(seams.reg);
        Bench counted(folders.empty.Path(), seams.files, counting, seams.clock);
        counted.Load();
        counted.Find();
        // Reads open a sub-key; every other call opens the Notify key or one as shallow.
        const double openCost =
            openNotify * static_cast<double>(counting.Opens() - counting.reads) +
            openSub * static_cast<double>(counting.reads);
        std::printf("%10zu %9.2f %11.2f %10zu %8zu %8zu %14.2f %14.2f %5.0f%% %14.2f\n", count,
                    Ms(find), Us(find) / count, counting.Opens(), counting.subKeyEnums,
                    counting.reads, Us(openNotify), Ms(openCost), 100 * openCost / find,
                    Ms(times[3]));
    }
    const double enumCost = EnumKeySeconds(static_cast<DWORD>(notify.Count() / 2), 2000);
    const double write = MedianSeconds(9, [&] {
        seams.reg.WriteRegValue(RegRoot::CurrentUser, text::kRegeditKey, text::kLastKeyValue,
                                RegType::Sz, text::kLastKeyNotify);
    });
    std::printf(
        "   RegEnumKeyA on a key already open: %.2f us a call; the scan's LastKey write "
        "(create, set, flush): %.2f us\n",
        Us(enumCost), Us(write));
    std::printf(
        "   one-open: the Notify part with the names read through one open and kept for "
        "the second loop\n");
    return true;
}

int Run() {
    Seams seams;
    Folders folders(TempFolder() + "\\kr8bench-" + std::to_string(::GetCurrentProcessId()));
    if (!folders.Made()) {
        std::fprintf(stderr, "cannot create the folders under %s\n", folders.base.c_str());
        return 1;
    }
    CaptionWindow window;

    std::printf(
        "KR8 Finder: Find scan benchmark. Medians; every ratio from runs interleaved in "
        "this process.\n");
    std::printf("system and temp folder: %s; display: %s\n", folders.dlls.Path().c_str(),
                window.Get() != nullptr ? "yes" : "none");
    {
        Bench probe(folders.empty.Path(), seams.files, seams.reg, seams.clock);
        if (!probe.Load()) {
            std::fprintf(stderr, "Form_Load refused the platform\n");
            return 1;
        }
    }
    if (!FindAgainstBareWalk(seams, folders)) {
        return 1;
    }
    if (!folders.detail.GrowTo(kDetailSize)) {
        return 1;
    }
    FindTakenApart(seams, folders);
    Captions(seams, folders, window.Get());
    Report(seams, folders);
    if (!Registry(seams, folders)) {
        return 1;
    }
    Rule();
    return 0;
}

}  // namespace
}  // namespace kr8::bench

int main() {
    // Unbuffered, so that a run cut short still shows every figure it reached.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return kr8::bench::Run();
}
