#include "app/UnattendedScan.h"

#include <exception>

#include "app/LogFile.h"
#include "app/Texts.h"
#include "scan/Findings.h"

namespace kr8 {

int RunUnattendedScan(const Machine& machine, const std::optional<std::string>& logPath) {
    // A failure inside the scan ends it as a scan that could not run, never as a crash that a
    // script would count as something else.
    try {
        if (machine.os.GetPlatformId() != kPlatformNT) {
            return kExitFailed;
        }
        std::string path;
        if (logPath) {
            path = *logPath;
        } else {
            const std::string folder = machine.folders.GetTempFolder();
            // Without it the log would land at the root of the drive.
            if (folder.empty()) {
                return kExitFailed;
            }
            path = folder + text::kLogFile;
        }
        const Findings found = ScanMachine(machine.reg, machine.files, machine.folders);
        if (!machine.files.WriteFileBytes(path, LogFileBytes(ReportText(found)))) {
            return kExitFailed;
        }
        return ExitCodeOf(found);
    } catch (const std::exception&) {
        return kExitFailed;
    }
}

}  // namespace kr8
