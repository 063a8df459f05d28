// Where the Find scan spends its time with the real Win32 layer underneath. Every figure times
// the real FrmKR8 code or single real seam calls, in the same runs as a bare Win32 walk, so that
// the machine's speed cancels out of the ratios. It prints figures and judges nothing.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/FrmKR8.h"
#include "app/Texts.h"
#include "sys/Clock.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"
#include "sys/win32/Handles.h"
#include "sys/win32/SystemWin32.h"
#include "tests/fakes/FakeMachine.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeWindow.h"

namespace kr8::bench {
namespace {

constexpr std::uint64_t kAdwareLength = 320872;
// A few hits, as on a machine that has the adware.
constexpr std::size_t kHitEvery = 1000;
// The scan's caption throttle; a clock that steps by this much makes it caption every file.
constexpr std::uint64_t kCaptionStepMs = 30;
// A temp folder as a real machine has one: small, and apart from the system folder.
constexpr std::size_t kTempFiles = 100;
constexpr std::size_t kDetailSize = 10000;
constexpr char kNotifyPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";

// ---- Timing

template <typename F>
double Seconds(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every run times each piece of work once, starting with a different one each time, so that
// drift, other load on the machine and cache warmth fall on all of them alike. One untimed round
// first pays for what a first run would otherwise be charged with.
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
    for (std::vector<double>& each : times) {
        std::sort(each.begin(), each.end());
        const std::size_t mid = each.size() / 2;
        medians.push_back(each.size() % 2 != 0 ? each[mid] : (each[mid - 1] + each[mid]) / 2);
    }
    return medians;
}

// Calls too short to time one by one are timed in a batch; the figure is divided back.
std::function<void()> Times(std::size_t count, std::function<void()> call) {
    return [count, call] {
        for (std::size_t i = 0; i < count; ++i) {
            call();
        }
    };
}

double Ms(double seconds) {
    return seconds * 1e3;
}
double Us(double seconds) {
    return seconds * 1e6;
}
void Rule() {
    std::printf("%s\n", std::string(100, '-').c_str());
}

// Lets the window handle what the captions queued, so that no run inherits a backlog.
void Pump() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

// ---- Seams for the form

// The window's controls in memory, except the caption, which can go to a real window: the
// caption is the one control the scan touches while it walks the files.
class BenchControls final : public fake::FakeControls {
  public:
    explicit BenchControls(HWND captionWindow) : window_(captionWindow) {}
    // Counted rather than kept: the every-file runs would pile up tens of thousands of strings.
    void SetCaption(const std::string& caption) override {
        ++captionCount;
        if (window_ != nullptr) {
            ::SetWindowTextA(window_, caption.c_str());
        }
    }
    std::size_t captionCount = 0;

  private:
    HWND window_;
};

// Find asks the folders for the system and temp folders only, and these are the benchmark's own.
class BenchFolders final : public fake::FakeOs {
  public:
    BenchFolders(std::string system, std::string temp)
        : system_(std::move(system)), temp_(std::move(temp)) {}
    std::string GetSystemFolder() override { return system_; }
    std::string GetTempFolder() override { return temp_; }

  private:
    std::string system_;
    std::string temp_;
};

// Every length the listing reports becomes one value, to compare a scan that finds every file
// with one that finds none over the same folder and the same listing cost. Built on the
// in-memory files so that the calls Find never makes here need no code.
class SameLengths final : public fake::FakeFiles {
  public:
    SameLengths(FileSystem& inner, std::uint64_t length) : inner_(inner), length_(length) {}
    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                       const std::string& pattern) override {
        std::optional<std::vector<FolderEntry>> entries = inner_.ListFolder(folder, pattern);
        for (FolderEntry& entry : entries.value_or(std::vector<FolderEntry>{})) {
            entry.length = entry.isFolder ? 0 : length_;
        }
        return entries;
    }

  private:
    FileSystem& inner_;
    std::uint64_t length_;
};

// Each EllRegWin32 call opens (or creates) exactly one key, so calls counted are keys opened.
// Built on the in-memory registry so that the deletes, which Find never makes, need no code here.
class CountingReg final : public fake::FakeRegistry {
  public:
    explicit CountingReg(EllReg& inner) : inner_(inner) {}
    std::string ReadRegValue(RegRoot root, const std::string& key,
                             const std::string& value) override {
        ++reads;
        return inner_.ReadRegValue(root, key, value);
    }
    void WriteRegValue(RegRoot root, const std::string& key, const std::string& value,
                       const std::string& data) override {
        ++others;
        inner_.WriteRegValue(root, key, value, data);
    }
    std::optional<std::string> GetSubKeyName(RegRoot root, const std::string& key,
                                             std::int32_t index) override {
        ++subKeyEnums;
        return inner_.GetSubKeyName(root, key, index);
    }
    std::optional<ValueEntry> GetValueEntry(RegRoot root, const std::string& key,
                                            std::int32_t index) override {
        ++others;
        return inner_.GetValueEntry(root, key, index);
    }
    std::size_t Opens() const { return reads + subKeyEnums + others; }

    std::size_t reads = 0;
    std::size_t subKeyEnums = 0;
    std::size_t others = 0;

  private:
    EllReg& inner_;
};

struct Seams {
    FileSystem& files;
    EllReg& reg;
    Clock& clock;
    HWND captionWindow = nullptr;
};

// A loaded form on the given seams, with the benchmark's folders as system and temp folder.
struct Bench {
    Bench(const Seams& seams, const std::string& system, const std::string& temp)
        : controls(seams.captionWindow),
          folders(system, temp),
          form(controls, boxes,
               Machine{seams.reg, folders, folders, seams.files, seams.clock, processes, launcher,
                       restart, shell, resources, store}) {
        form.Form_Load();
    }
    void Find() { form.CmdFind_Click(); }
    std::size_t CaptionsOfOneFind() {
        controls.captionCount = 0;
        Find();
        Pump();
        return controls.captionCount;
    }

    BenchControls controls;
    fake::FakeBoxes boxes;
    BenchFolders folders;
    // Fakes: Find never ends a process, runs or opens a program, restarts or reads the program's
    // own data, and a benchmark must not be able to do the first four by mistake.
    fake::FakeProcesses processes;
    fake::FakeLauncher launcher;
    fake::FakeRestart restart;
    fake::FakeShell shell;
    fake::FakeResources resources;
    fake::FakeFiles unusedFiles;
    fake::FakeRegistry unusedReg;
    fake::FakeStore store{unusedFiles, unusedReg};
    FrmKR8 form;
};

// ---- Fixtures on the machine

// Under Wine a name missing from a folder, which every new file's name is, makes it read the
// whole folder looking for the name in another case: filling a folder through a drive path is
// quadratic (170 s for 30,000 files). A "\\?\unix" path is taken as exact, which keeps it linear.
std::string UnixPath(const std::string& folder) {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix == nullptr || *prefix == '\0' || folder.size() < 3 || folder[1] != ':') {
        return "";
    }
    std::string path = std::string(prefix) + "/dosdevices/";
    path += static_cast<char>(std::tolower(static_cast<unsigned char>(folder[0])));
    path += ":" + folder.substr(2);
    std::replace(path.begin(), path.end(), '/', '\\');
    return "\\\\?\\unix" + path;
}

// A folder of files that grows on demand and is removed with everything in it. The files get
// their lengths from SetEndOfFile alone: no data is written.
class FileFolder {
  public:
    FileFolder(std::string path, std::string extension)
        : path_(std::move(path)), extension_(std::move(extension)), createIn_(path_) {
        made_ = ::CreateDirectoryA(path_.c_str(), nullptr) != FALSE;
        // The fast path only where a file made through it shows up in this very folder.
        const std::string fast = UnixPath(path_);
        const std::string probe = "\\kr8probe.tmp";
        if (made_ && !fast.empty() && MakeFile(fast + probe, 0)) {
            if (::GetFileAttributesA((path_ + probe).c_str()) != INVALID_FILE_ATTRIBUTES) {
                createIn_ = fast;
            }
            ::DeleteFileA((fast + probe).c_str());
        }
    }
    ~FileFolder() {
        for (std::size_t index = 0; index < count_; ++index) {
            ::DeleteFileA((path_ + "\\" + Name(index)).c_str());
        }
        if (made_) {
            ::RemoveDirectoryA(path_.c_str());
        }
    }
    FileFolder(const FileFolder&) = delete;
    FileFolder& operator=(const FileFolder&) = delete;

    bool Made() const { return made_; }
    const std::string& Path() const { return path_; }
    std::size_t Count() const { return count_; }
    std::size_t Hits() const { return (count_ + kHitEvery - 1 - kHitEvery / 2) / kHitEvery; }

    bool GrowTo(std::size_t count) {
        for (; count_ < count; ++count_) {
            // One file in kHitEvery has the adware's length; the others are small and never have
            // it: 512 bytes to about 60 KB.
            const bool hit = count_ % kHitEvery == kHitEvery / 2;
            if (!MakeFile(createIn_ + "\\" + Name(count_),
                          hit ? kAdwareLength : 512 + (count_ * 7919) % 60000)) {
                std::fprintf(stderr, "cannot create %s\\%s (error %lu)\n", path_.c_str(),
                             Name(count_).c_str(), ::GetLastError());
                return false;
            }
        }
        return true;
    }

  private:
    std::string Name(std::size_t index) const { return "b" + std::to_string(index) + extension_; }

    static bool MakeFile(const std::string& path, std::uint64_t length) {
        const UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        return file && ::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) != FALSE &&
               ::SetEndOfFile(file.get()) != FALSE;
    }

    std::string path_;
    std::string extension_;
    std::string createIn_;
    bool made_ = false;
    std::size_t count_ = 0;
};

// Sub-keys added under the machine's Notify key and removed again, the key itself too when this
// made it. They have no Version value, so every Version read fails, as on a clean machine.
class NotifySubKeys {
  public:
    NotifySubKeys() {
        DWORD disposition = 0;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kNotifyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, notify_.put(), &disposition) != ERROR_SUCCESS) {
            notify_.release();
        }
        made_ = disposition == REG_CREATED_NEW_KEY;
    }
    ~NotifySubKeys() {
        for (std::size_t index = 0; index < count_; ++index) {
            ::RegDeleteKeyA(notify_.get(), Name(index).c_str());
        }
        if (made_) {
            notify_.reset();
            ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kNotifyPath);
        }
    }
    NotifySubKeys(const NotifySubKeys&) = delete;
    NotifySubKeys& operator=(const NotifySubKeys&) = delete;

    HKEY Key() const { return notify_.get(); }
    static std::string Name(std::size_t index) { return "Kr8Bench" + std::to_string(index); }

    bool GrowTo(std::size_t count) {
        for (; count_ < count; ++count_) {
            UniqueHKey sub;
            if (::RegCreateKeyA(notify_.get(), Name(count_).c_str(), sub.put()) != ERROR_SUCCESS) {
                sub.release();
                std::fprintf(stderr, "cannot create Notify sub-keys (%zu made)\n", count_);
                return false;
            }
        }
        return true;
    }

  private:
    UniqueHKey notify_;
    bool made_ = false;
    std::size_t count_ = 0;
};

struct WindowTraits {
    using Handle = HWND;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::DestroyWindow(h); }
};
using UniqueWindow = UniqueOwner<WindowTraits>;

// A real, shown top-level window: the caption's cost is the window manager side of it, which a
// hidden or in-memory window does not pay. None without a display.
UniqueWindow ShownWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ::DefWindowProcA;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Kr8ScanBenchCaption";
    ::RegisterClassA(&windowClass);
    UniqueWindow window(::CreateWindowExA(
        0, windowClass.lpszClassName, text::kCaption, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
        CW_USEDEFAULT, CW_USEDEFAULT, 480, 360, nullptr, nullptr, windowClass.hInstance, nullptr));
    Pump();
    return window;
}

// What the file pass cannot do with less: one listing of the whole folder, as Find reads it
// afresh each time, with the lengths and the names.
std::size_t BareWalk(const std::string& folder, const wchar_t* pattern = L"\\*") {
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    WIN32_FIND_DATAW data;
    const std::wstring search = std::wstring(folder.begin(), folder.end()) + pattern;
    const UniqueFindHandle find(::FindFirstFileW(search.c_str(), &data));
    if (find) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                ++files;
                bytes += (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
            }
        } while (::FindNextFileW(find.get(), &data));
    }
    // The lengths are used, as Find uses them, so that reading them cannot be left out.
    return bytes != 0 ? files : 0;
}

// ---- The run

struct Folders {
    explicit Folders(const std::string& base)
        : root(base, ""),
          empty(base + "\\empty", ""),
          temp(base + "\\temp", ".tmp"),
          dlls(base + "\\dlls", ".dll"),
          detail(base + "\\detail", ".dll") {}
    bool Made() const {
        return root.Made() && empty.Made() && temp.Made() && dlls.Made() && detail.Made();
    }

    FileFolder root;  // first, so that it is removed last, once the folders in it are gone
    FileFolder empty;
    FileFolder temp;
    FileFolder dlls;
    FileFolder detail;
};

bool FindAgainstBareWalk(const Seams& seams, Folders& folders) {
    Rule();
    std::printf(
        "1. Find (CmdFind_Click, Form_Load once before; it lists the folder itself each time) vs."
        " a bare\n   FindFirstFileW/FindNextFileW walk of the folder. Find: temp folder apart, %zu"
        " files;\n   Find*: temp folder = system folder. us: per file. Load: Form_Load\n",
        kTempFiles);
    std::printf("%7s %4s %4s %8s %8s %6s %8s %8s %8s %6s %8s %7s\n", "files", "hits", "runs",
                "bare ms", "Find ms", "ratio", "bare us", "Find us", "Find* ms", "ratio*",
                "Load ms", "made s");
    struct Size {
        std::size_t count;
        int runs;
    };
    for (const Size size : {Size{1000, 15}, Size{10000, 9}, Size{30000, 5}}) {
        const std::size_t count = size.count;
        const double made = Seconds([&] { folders.dlls.GrowTo(count); });
        const std::string& system = folders.dlls.Path();
        std::optional<Bench> apart;
        const double load = Seconds([&] { apart.emplace(seams, system, folders.temp.Path()); });
        Bench shared(seams, system, system);
        std::size_t walked = 0;
        const std::vector<double> t = MedianInterleaved(
            size.runs,
            {[&] { walked = BareWalk(system); }, [&] { apart->Find(); }, [&] { shared.Find(); }});
        if (folders.dlls.Count() != count || apart->form.File1.ListCount() != count ||
            walked != count ||
            static_cast<std::size_t>(apart->controls.List1Count()) != folders.dlls.Hits()) {
            std::fprintf(stderr, "File1 %zu, walk %zu, hits %d of %zu: the figures are void\n",
                         apart->form.File1.ListCount(), walked, apart->controls.List1Count(),
                         folders.dlls.Hits());
            return false;
        }
        const auto files = static_cast<double>(count);
        std::printf("%7zu %4zu %4d %8.2f %8.2f %5.2fx %8.3f %8.3f %8.2f %5.2fx %8.2f %7.1f\n",
                    count, folders.dlls.Hits(), size.runs, Ms(t[0]), Ms(t[1]), t[1] / t[0],
                    Us(t[0]) / files, Us(t[1]) / files, Ms(t[2]), t[2] / t[0], Ms(load), made);
    }
    return true;
}

void FindTakenApart(const Seams& seams, Folders& folders) {
    Rule();
    std::printf("2. What Find is made of, %zu files\n", kDetailSize);
    const std::string& system = folders.detail.Path();
    const std::string& temp = folders.temp.Path();
    Bench apart(seams, system, temp);
    Bench shared(seams, system, system);
    Bench empty(seams, folders.empty.Path(), temp);
    // A temp-folder name, missing from both folders, as on a clean machine.
    const std::string missingInSystem = system + "\\upd126.exe";
    const std::string missingInTemp = temp + "\\upd126.exe";
    const std::size_t calls = 20;
    const std::vector<double> t = MedianInterleaved(
        9, {[&] { BareWalk(system); }, [&] { apart.Find(); }, [&] { shared.Find(); },
            [&] { seams.files.ListFolder(system, "*"); }, [&] { empty.Find(); },
            Times(kDetailSize, [&] { seams.clock.NowMs(); }),
            Times(calls, [&] { seams.files.Exists(missingInSystem); }),
            Times(calls, [&] { seams.files.Exists(missingInTemp); }),
            [&] { BareWalk(system, L"\\*.dll"); }});
    const double bare = t[0], find = t[1], findShared = t[2];
    const double existsBig = t[6] / calls, existsSmall = t[7] / calls;

    auto line = [](const char* what, double seconds, double whole) {
        std::printf("   %-62s %8.2f ms %5.1f%%\n", what, Ms(seconds), 100 * seconds / whole);
    };
    std::printf("   %-62s %8.2f ms  %.2fx the bare walk (%.2f ms)\n", "Find, temp folder apart",
                Ms(find), find / bare, Ms(bare));
    line("  FileSystemWin32::ListFolder(system folder, \"*\")", t[3], find);
    line("  (a bare walk of *.dll, for comparison)", t[8], find);
    line("  Find on an empty system folder: registry pass, temp checks", t[4], find);
    line("  SteadyClock NowMs, once a file", t[5], find);
    line("  the rest: File1 loop, length map, throttled captions", find - t[3] - t[4] - t[5], find);
    std::printf("   %-62s %8.2f ms  %.2fx the bare walk\n", "Find*, temp folder = system folder",
                Ms(findShared), findShared / bare);
    line("  2 x Exists of a missing name in the 10,000-file folder", 2 * existsBig, findShared);
    line("  Find* - Find", findShared - find, findShared);
    std::printf("   %-62s %8.3f ms\n", "Exists of a missing name, 10,000-file folder, a call",
                Ms(existsBig));
    std::printf("   %-62s %8.3f ms\n", "Exists of a missing name, temp folder apart, a call",
                Ms(existsSmall));
}

void Captions(const Seams& seams, Folders& folders, HWND window) {
    Rule();
    std::printf("3. Captions, %zu files\n", kDetailSize);
    const std::string& system = folders.detail.Path();
    const std::string& temp = folders.temp.Path();
    Bench memory(seams, system, temp);
    if (window == nullptr) {
        std::printf("   no display: %zu captions a Find; the window figures are left out\n",
                    memory.CaptionsOfOneFind());
        return;
    }
    Bench shown({seams.files, seams.reg, seams.clock, window}, system, temp);
    const std::size_t batch = 200;
    std::size_t updates = 0;
    const std::vector<double> t = MedianInterleaved(
        7, {[&] { memory.Find(); }, [&] { shown.CaptionsOfOneFind(); },
            [&] {
                for (std::size_t i = 0; i < batch; ++i) {
                    const std::string caption = text::kScanningPrefix + std::to_string(++updates);
                    ::SetWindowTextA(window, caption.c_str());
                }
                Pump();
            }});
    const double perCaption = t[2] / batch;
    const std::size_t throttled = shown.CaptionsOfOneFind();
    const double captions = perCaption * static_cast<double>(throttled);
    std::printf("   SetWindowTextA on a shown top-level window: %.3f ms a caption\n",
                Ms(perCaption));
    std::printf("   %-42s %8.2f ms\n", "Find, caption in memory", Ms(t[0]));
    std::printf("   %-42s %8.2f ms, %5zu captions = %.2f ms (%.1f%%)\n",
                "Find, caption on the window, throttled", Ms(t[1]), throttled, Ms(captions),
                100 * captions / t[1]);
    // Once, and last: its thousands of captions keep the X server busy for a while after.
    fake::FakeClock stepping;
    stepping.step = kCaptionStepMs;
    Bench everyFile({seams.files, seams.reg, stepping, window}, system, temp);
    std::size_t every = 0;
    const double once = Seconds([&] { every = everyFile.CaptionsOfOneFind(); });
    std::printf("   %-42s %8.2f ms, %5zu captions (one run; %.1fx the throttled Find)\n",
                "Find, caption on the window every file", Ms(once), every, once / t[1]);
}

void Report(const Seams& seams, Folders& folders) {
    Rule();
    std::printf("4. Report, %zu files\n", kDetailSize);
    SameLengths noHits(seams.files, 1);
    SameLengths allHits(seams.files, kAdwareLength);
    Bench none({noHits, seams.reg, seams.clock}, folders.detail.Path(), folders.temp.Path());
    Bench all({allHits, seams.reg, seams.clock}, folders.detail.Path(), folders.temp.Path());
    const std::vector<double> t = MedianInterleaved(7, {[&] { none.Find(); }, [&] { all.Find(); }});
    const double perHit = (t[1] - t[0]) / static_cast<double>(kDetailSize);
    const std::size_t usual = kDetailSize / kHitEvery;
    std::printf(
        "   Find, no file a hit / every file a hit: %.2f / %.2f ms: %.2f us a hit "
        "(report of %zu KB)\n",
        Ms(t[0]), Ms(t[1]), Us(perHit), all.controls.text1.size() / 1024);
    std::printf("   at one hit in %zu files (%zu hits): %.3f ms, %.2f%% of Find\n", kHitEvery,
                usual, Ms(perHit * static_cast<double>(usual)),
                100 * perHit * static_cast<double>(usual) / t[0]);
}

bool Registry(const Seams& seams, Folders& folders) {
    Rule();
    std::printf(
        "5. Registry pass: Find on an empty system folder, N sub-keys under HKLM\\%s\n"
        "   open us: RegOpenKeyExW + RegCloseKey of Notify / of a sub-key (the seam opens a path"
        " in one call);\n   enum us: RegEnumKeyExW on the open key; opens: key opens x their"
        " cost, share of Find\n",
        kNotifyPath);
    NotifySubKeys notify;
    if (notify.Key() == nullptr) {
        std::printf("   cannot open or create the Notify key: left out\n");
        return true;
    }
    std::printf("%9s %9s %11s %10s %9s %9s %10s %10s %9s %6s\n", "sub-keys", "Find ms",
                "us/sub-key", "key opens", "enums", "reads", "Notify us", "sub-key us", "enum us",
                "opens");
    const std::size_t calls = 1000;
    for (const std::size_t count : {std::size_t{1000}, std::size_t{2000}, std::size_t{4000}}) {
        if (!notify.GrowTo(count)) {
            return false;
        }
        Bench bench(seams, folders.empty.Path(), folders.temp.Path());
        // The paths as the seam hands them to the system: the names joined, no empty ones.
        const std::string notifyPath = text::kNotifyKey;
        const std::wstring notifyKey(notifyPath.begin(), notifyPath.end() - 1);
        const std::string subName = NotifySubKeys::Name(count / 2);
        const std::wstring subKey =
            notifyKey + L"\\" + std::wstring(subName.begin(), subName.end());
        auto openClose = [](const std::wstring& path) {
            return [&path] {
                UniqueHKey key;
                if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE,
                                    key.put()) != ERROR_SUCCESS) {
                    key.release();
                }
            };
        };
        const std::vector<double> t = MedianInterleaved(
            5, {[&] { bench.Find(); }, Times(calls, openClose(notifyKey)),
                Times(calls, openClose(subKey)), Times(calls, [&] {
                    wchar_t name[256];
                    DWORD length = 256;
                    ::RegEnumKeyExW(notify.Key(), static_cast<DWORD>(count / 2), name, &length,
                                    nullptr, nullptr, nullptr, nullptr);
                })});
        CountingReg counting(seams.reg);
        Bench counted({seams.files, counting, seams.clock}, folders.empty.Path(),
                      folders.temp.Path());
        counted.Find();
        // Reads open a sub-key; every other call opens the Notify key or one as shallow.
        const double opens = t[1] / calls * static_cast<double>(counting.Opens() - counting.reads) +
                             t[2] / calls * static_cast<double>(counting.reads);
        std::printf("%9zu %9.2f %11.2f %10zu %9zu %9zu %10.2f %10.2f %9.2f %5.0f%%\n", count,
                    Ms(t[0]), Us(t[0]) / static_cast<double>(count), counting.Opens(),
                    counting.subKeyEnums, counting.reads, Us(t[1] / calls), Us(t[2] / calls),
                    Us(t[3] / calls), 100 * opens / t[0]);
    }
    return true;
}

int Run() {
    FileSystemWin32 files;
    EllRegWin32 reg;
    const Seams seams{files, reg, SteadyClock()};
    Folders folders(CommonFunctionWin32().GetTempFolder() + "\\kr8bench-" +
                    std::to_string(::GetCurrentProcessId()));
    if (!folders.Made() || !folders.temp.GrowTo(kTempFiles)) {
        std::fprintf(stderr, "cannot create the folders under %s\n", folders.root.Path().c_str());
        return 1;
    }
    const UniqueWindow window = ShownWindow();
    std::printf(
        "KR8 Finder: Find scan benchmark. Medians; every ratio from runs interleaved in "
        "one process.\nfolders under %s; display: %s\n",
        folders.root.Path().c_str(), window.get() != nullptr ? "yes" : "none");
    if (!FindAgainstBareWalk(seams, folders) || !folders.detail.GrowTo(kDetailSize)) {
        return 1;
    }
    FindTakenApart(seams, folders);
    Captions(seams, folders, window.get());
    Report(seams, folders);
    const bool registry = Registry(seams, folders);
    Rule();
    return registry ? 0 : 1;
}

}  // namespace
}  // namespace kr8::bench

int main() {
    // Unbuffered, so that a run cut short still shows every figure it reached.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return kr8::bench::Run();
}
