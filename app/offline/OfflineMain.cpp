// kr8finder-offline: the scan of a Windows that is not running, from Linux, with the report and
// log of the Windows program's unattended scan and its exit codes; its clean and restore.
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "app/LogFile.h"
#include "app/Texts.h"
#include "app/UnattendedScan.h"
#include "app/offline/OfflineClean.h"
#include "app/offline/OfflineTarget.h"
#include "scan/Findings.h"

namespace kr8 {
namespace {

struct Arguments {
    std::string windowsFolder;
    std::string logPath = text::kOfflineLogFile;
    bool clean = false;
    bool yes = false;
    std::optional<std::string> restore;  // the backup folder's Linux path
};

std::optional<Arguments> Parse(int argc, char** argv) {
    Arguments parsed;
    bool haveFolder = false;
    bool haveLog = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--log" && !haveLog && i + 1 < argc) {
            parsed.logPath = argv[++i];
            haveLog = true;
        } else if (arg == "--clean" && !parsed.clean) {
            parsed.clean = true;
        } else if (arg == "--yes" && !parsed.yes) {
            parsed.yes = true;
        } else if (arg == "--restore" && !parsed.restore && i + 1 < argc) {
            parsed.restore = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && !haveFolder) {
            parsed.windowsFolder = arg;
            haveFolder = true;
        } else {
            return std::nullopt;
        }
    }
    // --yes answers the clean's questions; a restore asks only about files that are there.
    const bool valid = haveFolder && !(parsed.clean && parsed.restore) &&
                       (!parsed.yes || parsed.clean || parsed.restore) &&
                       !(parsed.restore && haveLog);
    return valid ? std::optional(parsed) : std::nullopt;
}

bool WriteLog(const std::string& path, const std::string& bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        written = n > 0;
        done += written ? static_cast<std::size_t>(n) : 0;
    }
    written = fsync(fd) == 0 && written;
    return close(fd) == 0 && written;
}

// The report for a terminal: Linux line ends.
std::string ForTerminal(const std::string& report) {
    std::string shown;
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (report[i] == '\r' && i + 1 < report.size() && report[i + 1] == '\n') {
            continue;
        }
        shown += report[i];
    }
    return shown + "\n";
}

// A change needs a disk that can be written: ntfs-3g mounts a hibernated Windows read-only.
bool Writable(const std::string& windowsFolder, const std::string& hive) {
    struct statvfs fs;
    return statvfs(windowsFolder.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) == 0 &&
           access(hive.c_str(), W_OK) == 0;
}

int Run(const Arguments& args) {
    const bool changes = args.clean || args.restore;
    std::string why;
    std::unique_ptr<OfflineTarget> target = OfflineTarget::Open(args.windowsFolder, changes, &why);
    if (!target) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return kExitFailed;
    }
    if (changes && !Writable(args.windowsFolder, target->HivePath())) {
        std::fprintf(stderr, "%s%s\n", text::kReadOnlyMount, args.windowsFolder.c_str());
        return kExitFailed;
    }
    TerminalBoxes boxes(stdin, stdout, args.yes);
    if (args.restore) {
        const std::optional<std::string> folder = target->Drive().WindowsPath(*args.restore);
        if (!folder) {
            std::fprintf(stderr, "%s%s\n", text::kNotOnTheDrive, args.restore->c_str());
            return kExitFailed;
        }
        return RestoreOffline(*target, *folder, boxes, stdout);
    }
    const Findings found = ScanMachine(target->Registry(), target->Drive(), *target);
    const std::string report = ReportText(found);
    std::fputs(ForTerminal(report).c_str(), stdout);
    if (!WriteLog(args.logPath, LogFileBytes(report))) {
        std::fprintf(stderr, "%s%s\n", text::kOfflineLogNotWritten, args.logPath.c_str());
        return kExitFailed;
    }
    if (!args.clean) {
        return ExitCodeOf(found);
    }
    std::fputs("\n", stdout);
    return CleanOffline(*target, found, boxes, stdout);
}

}  // namespace
}  // namespace kr8

int main(int argc, char** argv) {
    const std::optional<kr8::Arguments> args = kr8::Parse(argc, argv);
    if (!args) {
        std::fputs(kr8::text::kOfflineUsage, stderr);
        std::fputs(kr8::text::kOfflineUsageMore, stderr);
        return kr8::kExitFailed;
    }
    try {
        return kr8::Run(*args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kr8::kExitFailed;
    }
}
