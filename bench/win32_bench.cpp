// The Win32 benchmarks, on the real Win32 layer: Find against a bare directory walk, and what a
// backup adds to deleting a file. Each compares works timed in the same runs, so that the
// machine's speed cancels out of the ratios. It prints figures and judges nothing.
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
#include <utility>
#include <vector>

#include "app/win32/MainWindow.h"
#include "app/win32/Win32Machine.h"
#include "remove/Backup.h"
#include "scan/Findings.h"
#include "sys/win32/Handles.h"

namespace kr8::bench {
namespace {

// The machine's folders, but for the Windows and system folders, which are the benchmark's own.
class OwnFolders final : public CommonFunction {
  public:
    explicit OwnFolders(std::string folder) : folder_(std::move(folder)) {
        ::CreateDirectoryA(folder_.c_str(), nullptr);
    }
    std::string GetWindowsFolder() override { return folder_; }
    std::string GetSystemFolder() override { return folder_; }
    std::string GetTempFolder() override { return machine_.GetTempFolder(); }
    std::string GetShortPath(const std::string& path) override {
        return machine_.GetShortPath(path);
    }

  private:
    CommonFunctionWin32 machine_;
    std::string folder_;
};

// Each round times every work once, after an untimed set-up, starting with a different work
// each time, so that drift, other load and warm caches fall on all alike; one untimed round
// first pays for what a first run would otherwise be charged with. Medians, in milliseconds.
std::vector<double> MedianMs(
    int rounds, const std::vector<std::function<void()>>& works,
    const std::function<void()>& setUp = [] {}) {
    std::vector<std::vector<double>> times(works.size());
    for (int round = 0; round <= rounds; ++round) {
        for (std::size_t k = 0; k < works.size(); ++k) {
            const std::size_t which = (static_cast<std::size_t>(round) + k) % works.size();
            setUp();
            const auto start = std::chrono::steady_clock::now();
            works[which]();
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            if (round > 0) {
                times[which].push_back(took.count());
            }
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& each : times) {
        std::sort(each.begin(), each.end());
        medians.push_back(each[each.size() / 2]);
    }
    return medians;
}

constexpr std::uint64_t kAdwareLength = 320872;
// A few hits, as on a machine that has the adware.
constexpr std::size_t kHitEvery = 1000;

// DLLs made on demand in the system folder, with their lengths from SetEndOfFile alone, and
// removed at the end.
class DllFolder {
  public:
    explicit DllFolder(std::string path) : path_(std::move(path)) {
        // Under Wine a name missing from a folder, which every new file's name is, makes it read
        // the whole folder for the name in another case: filling it through a drive path is
        // quadratic (170 s for 30,000 files). A "\\?\unix" path is taken as exact.
        const char* prefix = std::getenv("WINEPREFIX");
        if (prefix != nullptr && *prefix != '\0' && path_[1] == ':') {
            createIn_ = "\\\\?\\unix" + std::string(prefix) + "\\dosdevices\\" +
                        static_cast<char>(std::tolower(path_[0])) + path_.substr(1);
            std::replace(createIn_.begin(), createIn_.end(), '/', '\\');
        }
    }
    ~DllFolder() {
        for (std::size_t index = 0; index < count_; ++index) {
            ::DeleteFileA((path_ + Name(index)).c_str());
        }
    }

    // One file in kHitEvery has the adware's length, the others 512 bytes to about 60 KB.
    bool GrowTo(std::size_t count) {
        for (; count_ < count; ++count_) {
            const UniqueHandle file(::CreateFileA((createIn_ + Name(count_)).c_str(), GENERIC_WRITE,
                                                  0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                                  nullptr));
            LARGE_INTEGER end;
            end.QuadPart = count_ % kHitEvery == kHitEvery / 2
                               ? kAdwareLength
                               : static_cast<LONGLONG>(512 + (count_ * 7919) % 60000);
            if (!file || !::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) ||
                !::SetEndOfFile(file.get())) {
                return false;
            }
        }
        return true;
    }
    std::size_t Hits() const { return (count_ + kHitEvery / 2) / kHitEvery; }

  private:
    static std::string Name(std::size_t index) { return "\\b" + std::to_string(index) + ".dll"; }

    std::string path_;
    std::string createIn_ = path_;
    std::size_t count_ = 0;
};

// What the file pass cannot do with less: one listing of the folder, its names and lengths.
std::size_t BareWalk(const std::string& folder) {
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    WIN32_FIND_DATAW data;
    const std::wstring search = std::wstring(folder.begin(), folder.end()) + L"\\*";
    const UniqueFindHandle find(::FindFirstFileW(search.c_str(), &data));
    for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &data)) {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            ++files;
            bytes += (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        }
    }
    // The lengths are used, as the scan uses them, so that reading them cannot be left out.
    return bytes != 0 ? files : 0;
}

// The scan that Find and the unattended scan share (ScanMachine), and the window's Find with its
// list, report and captions drawn, against a bare FindFirstFileW/FindNextFileW walk of the same
// system folder.
bool FindAgainstBareWalk(win32::Win32Machine& seams, OwnFolders& folders) {
    const std::string system = folders.GetSystemFolder();
    DllFolder dlls(system);
    win32::MainWindow window(
        ::GetModuleHandleW(nullptr),
        {seams.reg, seams.os, folders, seams.files, SteadyClock(), seams.processes, seams.launcher,
         seams.restart, seams.shell, seams.resources, seams.store});
    if (!window.Load()) {
        std::fprintf(stderr, "no window (no display?): Find cannot be timed\n");
        return false;
    }
    window.Display(SW_SHOWNORMAL);
    std::printf("%7s %5s %5s %9s %9s %7s %9s %7s\n", "files", "hits", "runs", "walk ms", "scan ms",
                "ratio", "Find ms", "ratio");
    for (const auto& [count, rounds] :
         {std::pair<std::size_t, int>{1000, 15}, {10000, 9}, {30000, 5}}) {
        std::size_t walked = 0;
        Findings found;
        const bool grown = dlls.GrowTo(count);
        const std::vector<double> t =
            MedianMs(rounds, {[&] { walked = BareWalk(system); },
                              [&] { found = ScanMachine(seams.reg, seams.files, folders); },
                              [&] {
                                  window.Form().Click(Button::CmdFind);
                                  MSG message;
                                  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                                      ::DispatchMessageW(&message);
                                  }
                              }});
        const std::size_t listed = window.Form().File1.ListCount();
        const auto hits = static_cast<std::size_t>(window.List1Count());
        if (!grown || walked != count || listed != count || hits != dlls.Hits() ||
            found.dlls.size() != count) {
            std::fprintf(stderr,
                         "walked %zu, Find listed %zu, hits %zu of %zu: the figures are void\n",
                         walked, listed, hits, dlls.Hits());
            return false;
        }
        std::printf("%7zu %5zu %5d %9.2f %9.2f %6.2fx %9.2f %6.2fx\n", count, hits, rounds, t[0],
                    t[1], t[1] / t[0], t[2], t[2] / t[0]);
    }
    return true;
}

// Deleting one file of the adware's size, read-only, hidden and system, as Delete does it
// (clear the marks, delete) alone and after its backup (read, copy, read the copy back and
// compare, mark it read-only, write the manifest, then record the outcome).
bool BackupCost(win32::Win32Machine& seams, OwnFolders& folders) {
    Backup backup(seams.files, seams.reg, seams.store, folders);
    const std::string path = folders.GetSystemFolder() + "\\adware.dll";
    bool done = true;
    const std::vector<double> t = MedianMs(
        39,
        {[&] {
             seams.files.ClearReadOnlyHiddenSystem(path);
             done = seams.files.RemoveFile(path) && done;
         },
         [&] {
             const std::optional<std::size_t> item = backup.SaveFile(path);
             seams.files.ClearReadOnlyHiddenSystem(path);
             done = item && seams.files.RemoveFile(path) && done;
             item ? backup.Record(*item, Removal::Deleted) : void();
         }},
        [&] {
            done = seams.files.WriteFileBytes(path, std::string(kAdwareLength, 'k')) &&
                   seams.store.SetAttributes(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                       FILE_ATTRIBUTE_SYSTEM) &&
                   done;
        });
    if (!done) {
        std::fprintf(stderr, "the file could not be written, backed up or deleted every time\n");
        return false;
    }
    std::printf(
        "Deleting one file of the adware's size, medians of 39 rounds: alone %.3f ms, after "
        "its backup %.3f ms: %.1fx\nbackups left in %s\n",
        t[0], t[1], t[1] / t[0], backup.Folder().c_str());
    return true;
}

}  // namespace
}  // namespace kr8::bench

int main() {
    // Unbuffered, so that a run cut short still shows every figure it reached.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    kr8::win32::Win32Machine seams;
    kr8::bench::OwnFolders folders(seams.folders.GetTempFolder() + "\\kr8bench-" +
                                   std::to_string(::GetCurrentProcessId()));
    const bool find = kr8::bench::FindAgainstBareWalk(seams, folders);
    return kr8::bench::BackupCost(seams, folders) && find ? 0 : 1;
}
