// What a backup adds to deleting one file of the adware's size: the file calls of Delete alone
// (clear the marks, delete) against the same with the backup first (read, copy, read the copy
// back and compare, mark it read-only, write the manifest, record the outcome). Rounds of the
// two alternate on the same disk in one run, and the medians are printed side by side.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "remove/Backup.h"
#include "sys/CommonFunction.h"
#include "sys/win32/BackupStoreWin32.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"

namespace {

constexpr int kRounds = 40;
constexpr std::size_t kAdwareSize = 320872;

class BenchFolders final : public kr8::CommonFunction {
  public:
    explicit BenchFolders(std::string windows) : windows_(std::move(windows)) {}
    std::string GetWindowsFolder() override { return windows_; }
    std::string GetSystemFolder() override { return windows_; }
    std::string GetTempFolder() override { return windows_; }
    std::string GetShortPath(const std::string& path) override { return path; }

  private:
    std::string windows_;
};

double NowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + "kr8-backup-bench-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    kr8::FileSystemWin32 files;
    kr8::EllRegWin32 reg;
    kr8::BackupStoreWin32 store;
    BenchFolders folders(folder);
    kr8::Backup backup(files, reg, store, folders);

    std::string bytes(kAdwareSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    const std::string path = folder + "\\adware.dll";
    std::vector<double> alone;
    std::vector<double> withBackup;
    double first = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (bool backedUp : {false, true}) {
            if (!files.WriteFileBytes(path, bytes)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            store.SetAttributes(
                path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
            const double start = NowMs();
            std::optional<std::size_t> item;
            if (backedUp && !(item = backup.SaveFile(path))) {
                std::fprintf(stderr, "no backup made\n");
                return 1;
            }
            files.ClearReadOnlyHiddenSystem(path);
            if (!files.RemoveFile(path)) {
                std::fprintf(stderr, "cannot delete %s\n", path.c_str());
                return 1;
            }
            if (item) {
                backup.Record(*item, kr8::Removal::Deleted);
            }
            const double took = NowMs() - start;
            if (backedUp && round == 0) {
                first = took;  // makes the session's folder too
            } else {
                (backedUp ? withBackup : alone).push_back(took);
            }
        }
    }
    const double a = Median(alone);
    const double b = Median(withBackup);
    std::printf("Deleting one %zu-byte file, median of %d rounds each:\n", kAdwareSize,
                kRounds - 1);
    std::printf("  delete alone (clear marks, delete)      %8.3f ms\n", a);
    std::printf("  backup, then delete                     %8.3f ms\n", b);
    std::printf("  ratio                                   %8.1f x  (the backup adds %.3f ms)\n",
                b / a, b - a);
    std::printf("  first backup of a session (makes folder) %7.3f ms\n", first);
    std::printf("Backup folder left for inspection: %s\n", backup.Folder().c_str());
    return 0;
}
