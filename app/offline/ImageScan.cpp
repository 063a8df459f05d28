#include "app/offline/ImageScan.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/Texts.h"
#include "app/offline/OfflineTarget.h"
#include "scan/ExitCodes.h"
#include "scan/Findings.h"
#include "scan/ReportWords.h"
#include "sys/TerminalText.h"
#include "sys/image/DiskImage.h"
#include "sys/image/ImageDrive.h"

namespace kr8 {

namespace {

std::string PartitionName(int number) {
    return number == 0 ? std::string(text::kWholeImage)
                       : text::kPartitionPrefix + std::to_string(number);
}

struct WindowsFound {
    std::shared_ptr<ImageVolume> volume;
    std::string folder;  // as on the disk
};

}  // namespace

int ScanImage(const std::string& path, std::optional<int> partition, std::string* log) {
    log->clear();
    std::string why;
    const std::shared_ptr<DiskImage> image = DiskImage::Open(path, &why);
    if (!image) {
        PrintLine(stderr, why);
        return kExitFailed;
    }
    int worst = kExitNothingFound;
    if (image->SegmentsMissing()) {
        PrintLine(stderr, text::kSegmentsMissing + path);
        worst = kExitFailed;
    }
    std::vector<DiskImage::Partition> partitions = image->Partitions();
    if (partition) {
        const auto named = std::find_if(partitions.begin(), partitions.end(),
                                        [&](const auto& p) { return p.number == *partition; });
        if (named == partitions.end()) {
            PrintLine(stderr,
                      text::kNoSuchPartition + std::to_string(*partition) + text::kPartitionsAre);
            for (const DiskImage::Partition& p : partitions) {
                PrintLine(stderr, "  " + PartitionName(p.number) + ": " + p.description);
            }
            return kExitFailed;
        }
        partitions = {*named};
    }

    std::vector<WindowsFound> found;
    for (const DiskImage::Partition& p : partitions) {
        std::shared_ptr<ImageVolume> volume = image->OpenVolume(p, &why);
        if (!volume) {
            PrintLine(stderr, PartitionName(p.number) + text::kNotScannedPrefix + why);
            worst = kExitFailed;
            continue;
        }
        // What cannot be read is told, and the rest scanned.
        if (volume->Truncated()) {
            PrintLine(stderr, PartitionName(p.number) + text::kImageEndsEarly);
            worst = kExitFailed;
        }
        std::vector<std::string> unreadable;
        const std::optional<std::vector<std::string>> folders = volume->WindowsFolders(&unreadable);
        for (const std::string& folder : unreadable) {
            PrintLine(stderr, PartitionName(p.number) + text::kFolderUnreadable + folder);
            worst = kExitFailed;
        }
        if (!folders) {
            PrintLine(stderr, PartitionName(p.number) + text::kRootUnreadable);
            worst = kExitFailed;
            continue;
        }
        if (folders->empty() && unreadable.empty()) {
            PrintLine(stderr, PartitionName(p.number) + text::kNoWindowsFolderHere);
        }
        for (const std::string& folder : *folders) {
            found.push_back({volume, folder});
        }
    }
    if (found.empty()) {
        PrintLine(stderr, text::kNoWindowsInImage + path);
        return kExitFailed;
    }
    if (worst == kExitFailed) {
        PrintLine(stderr, text::kImageNotWhole);
    }

    // Each report stands as the scan of a mounted disk prints it; with several, each is headed,
    // so that no finding is taken for another Windows'.
    const bool several = found.size() > 1;
    for (const WindowsFound& windows : found) {
        const std::string heading =
            PartitionName(windows.volume->Number()) + text::kWindowsFolderInfix + windows.folder;
        std::unique_ptr<OfflineTarget> target = OfflineTarget::OpenOn(
            std::make_unique<ImageDrive>(windows.volume), windows.folder, &why);
        if (!target) {
            PrintLine(stderr, heading + ": " + why);
            worst = kExitFailed;
            continue;
        }
        for (const std::string& warning : target->Warnings()) {
            PrintLine(stderr, warning);
        }
        const Findings findings = ScanMachine(target->Registry(), target->Files(), *target);
        const std::string report = ReportText(findings);
        if (several) {
            if (!log->empty()) {
                std::fputs("\n", stdout);
            }
            std::fputs(ForTerminal("=== " + heading + " ===").c_str(), stdout);
            std::fputs("\n", stdout);
            if (!log->empty()) {
                *log += report::kCrLf;
                *log += report::kCrLf;
            }
            *log += "=== " + heading + " ===" + report::kCrLf;
        }
        std::fputs((ForTerminal(report) + "\n").c_str(), stdout);
        *log += report;
        const std::vector<std::string> problems = target->Problems();
        for (const std::string& problem : problems) {
            PrintLine(stderr, problem);
        }
        worst = std::max(worst, problems.empty() ? ExitCodeOf(findings) : kExitFailed);
    }
    return worst;
}

}  // namespace kr8
