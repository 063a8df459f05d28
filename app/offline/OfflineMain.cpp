// kr8finder-offline: the scan of a Windows that is not running, from Linux, with the report and
// log of the Windows program's unattended scan and its exit codes.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "app/LogFile.h"
#include "app/Texts.h"
#include "app/UnattendedScan.h"
#include "app/offline/OfflineTarget.h"
#include "scan/Findings.h"

namespace kr8 {
namespace {

struct Arguments {
    std::string windowsFolder;
    std::string logPath = text::kOfflineLogFile;
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
        } else if (!arg.empty() && arg[0] != '-' && !haveFolder) {
            parsed.windowsFolder = arg;
            haveFolder = true;
        } else {
            return std::nullopt;
        }
    }
    return haveFolder ? std::optional(parsed) : std::nullopt;
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

int Scan(const Arguments& args) {
    std::string why;
    std::unique_ptr<OfflineTarget> target = OfflineTarget::Open(args.windowsFolder, false, &why);
    if (!target) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return kExitFailed;
    }
    const Findings found = ScanMachine(target->Registry(), target->Drive(), *target);
    const std::string report = ReportText(found);
    std::fputs(ForTerminal(report).c_str(), stdout);
    if (!WriteLog(args.logPath, LogFileBytes(report))) {
        std::fprintf(stderr, "%s%s\n", text::kOfflineLogNotWritten, args.logPath.c_str());
        return kExitFailed;
    }
    return ExitCodeOf(found);
}

}  // namespace
}  // namespace kr8

int main(int argc, char** argv) {
    const std::optional<kr8::Arguments> args = kr8::Parse(argc, argv);
    if (!args) {
        std::fputs(kr8::text::kOfflineUsage, stderr);
        return kr8::kExitFailed;
    }
    try {
        return kr8::Scan(*args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kr8::kExitFailed;
    }
}
