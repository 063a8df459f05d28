// kr8finder-offline: the scan of a Windows that is not running, from Linux, with the report and
// log of the Windows program's unattended scan and its exit codes; its clean and restore.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/LogFile.h"
#include "app/Texts.h"
#include "app/offline/ImageScan.h"
#include "app/offline/OfflineClean.h"
#include "app/offline/OfflineTarget.h"
#include "scan/ExitCodes.h"
#include "scan/Findings.h"
#include "sys/TerminalText.h"
#include "sys/posix/FdIo.h"

namespace kr8 {
namespace {

struct Arguments {
    std::string windowsFolder;
    std::string logPath = text::kOfflineLogFile;
    bool logGiven = false;
    bool clean = false;
    bool yes = false;
    std::optional<std::string> restore;  // the backup folder's Linux path
    std::optional<std::string> image;    // a disk image scanned in place of a Windows folder
    std::optional<int> partition;
};

// A partition's number as Linux gives it: 1 and up, digits only.
std::optional<int> PartitionNumber(const std::string& arg) {
    if (arg.empty() || arg.size() > 3 || arg.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(arg) == 0) {
        return std::nullopt;
    }
    return std::stoi(arg);
}

std::optional<Arguments> Parse(int argc, char** argv) {
    Arguments parsed;
    bool haveFolder = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--log" && !parsed.logGiven && i + 1 < argc) {
            parsed.logPath = argv[++i];
            parsed.logGiven = true;
        } else if (arg == "--clean" && !parsed.clean) {
            parsed.clean = true;
        } else if (arg == "--yes" && !parsed.yes) {
            parsed.yes = true;
        } else if (arg == "--restore" && !parsed.restore && i + 1 < argc) {
            parsed.restore = argv[++i];
        } else if (arg == "--image" && !parsed.image && i + 1 < argc) {
            parsed.image = argv[++i];
        } else if (arg == "--partition" && !parsed.partition && i + 1 < argc) {
            parsed.partition = PartitionNumber(argv[++i]);
            if (!parsed.partition) {
                return std::nullopt;
            }
        } else if (!arg.empty() && arg[0] != '-' && !haveFolder) {
            parsed.windowsFolder = arg;
            haveFolder = true;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.image) {
        // The changes are refused with their own message; the rest needs no folder.
        const bool valid = !haveFolder && (!parsed.yes || parsed.clean);
        return valid ? std::optional(parsed) : std::nullopt;
    }
    // --yes answers the clean's questions; a restore asks only about files that are there.
    const bool valid = haveFolder && !parsed.partition && !(parsed.clean && parsed.restore) &&
                       (!parsed.yes || parsed.clean || parsed.restore) &&
                       !(parsed.restore && parsed.logGiven);
    return valid ? std::optional(parsed) : std::nullopt;
}

// The log goes to a fresh file renamed over its name: a link planted there is replaced, never
// written through.
bool WriteLog(const std::string& path, const std::string& bytes) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const UniqueFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir && !name.empty() && name != "." && name != ".." &&
           ReplaceWhole(dir.get(), name, bytes, 0644);
}

// Whether the current folder lies in the tree below root, asked of the kernel folder by folder
// up to "/", so that no spelling of either path can hide it.
bool WorkingFolderWithin(const std::string& root) {
    struct stat top;
    if (stat(root.c_str(), &top) != 0) {
        return true;
    }
    UniqueFd at(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat here;
    while (at && fstat(at.get(), &here) == 0) {
        if (here.st_dev == top.st_dev && here.st_ino == top.st_ino) {
            return true;
        }
        UniqueFd up(openat(at.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat above;
        if (!up || fstat(up.get(), &above) != 0 ||
            (above.st_dev == here.st_dev && above.st_ino == here.st_ino)) {
            return false;
        }
        at = std::move(up);
    }
    return true;
}

void PrintLines(std::FILE* out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        PrintLine(out, line);
    }
}

int RunOnImage(const Arguments& args) {
    if (args.clean || args.restore) {
        PrintLine(stderr, text::kImageRefusesChanges);
        return kExitFailed;
    }
    std::string report;
    int code = ScanImage(*args.image, args.partition, &report);
    if (!report.empty() && !WriteLog(args.logPath, LogFileBytes(report))) {
        PrintLine(stderr, text::kOfflineLogNotWritten + args.logPath);
        code = kExitFailed;
    }
    return code;
}

int Run(const Arguments& args) {
    if (args.image) {
        return RunOnImage(args);
    }
    const bool changes = args.clean || args.restore;
    std::string why;
    std::unique_ptr<OfflineTarget> target = OfflineTarget::Open(args.windowsFolder, changes, &why);
    if (!target) {
        PrintLine(stderr, why);
        return kExitFailed;
    }
    if (!args.restore && !args.logGiven && WorkingFolderWithin(target->Drive().RootPath())) {
        PrintLine(stderr, text::kDefaultLogOnTheDisk);
        return kExitFailed;
    }
    PrintLines(stderr, target->Warnings());
    if (changes && !target->HiveWritable()) {
        PrintLine(stderr, text::kReadOnlyMount + args.windowsFolder);
        return kExitFailed;
    }
    TerminalBoxes boxes(stdin, stdout, args.yes);
    if (args.restore) {
        const std::optional<std::string> folder = target->Drive().WindowsPath(*args.restore);
        if (!folder) {
            PrintLine(stderr, text::kNotOnTheDrive + *args.restore);
            return kExitFailed;
        }
        return RestoreOffline(*target, *folder, boxes, stdout);
    }
    const Findings found = ScanMachine(target->Registry(), target->Files(), *target);
    const std::string report = ReportText(found);
    std::fputs((ForTerminal(report) + "\n").c_str(), stdout);
    // A part of the disk or hive that could not be read is no clean bill, and no ground to act on.
    const std::vector<std::string> problems = target->Problems();
    PrintLines(stderr, problems);
    if (!WriteLog(args.logPath, LogFileBytes(report))) {
        PrintLine(stderr, text::kOfflineLogNotWritten + args.logPath);
        return kExitFailed;
    }
    if (!problems.empty()) {
        if (args.clean) {
            PrintLine(stderr, text::kNotWholeNothingChanged);
        }
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
