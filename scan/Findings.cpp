#include "scan/Findings.h"

#include "app/Texts.h"
#include "scan/ReportText.h"

namespace kr8 {

bool Findings::AnythingFound() const {
    return !adwareSized.empty() || !fixedFiles.empty() || !guardianKeyName.empty() ||
           userAgent.has_value();
}

std::string Findings::UserAgentText() const {
    return userAgent ? userAgent->name + " " + userAgent->data : std::string();
}

Findings ScanMachine(EllReg& reg, FileSystem& files, CommonFunction& folders,
                     const LengthSeen& lengthSeen) {
    Findings found;
    ScanFiles(files, folders, lengthSeen, found);
    ScanRegistry(reg, found);
    return found;
}

std::string ReportText(const Findings& found) {
    const std::string crLf = text::kCrLf;
    std::string report = text::kFilesFound + crLf;
    for (const std::string& path : found.adwareSized) {
        report += ShownInReport(path) + crLf;
    }
    if (!found.systemFolderRead) {
        // An empty section would read as a clean machine.
        report += text::kSystemFolderUnreadable + crLf;
    }
    report += text::kBlankLine + crLf + text::kAdditionalFiles + crLf;
    for (const std::string& path : found.fixedFiles) {
        report += ShownInReport(path) + crLf;
    }
    if (!found.tempFolderFound) {
        report += text::kTempFolderMissing + crLf;
    }
    report += text::kBlankLine + crLf + text::kKeysUnderNotify + crLf;
    for (const std::string& name : found.notifyKeys) {
        report += ShownInReport(name) + crLf;
    }
    report += crLf + crLf + text::kGuardianLine + ShownInReport(found.guardianKeyName);
    for (const ValueEntry& entry : found.guardianValues) {
        report += crLf + ShownInReport(entry.name) + " " + ShownInReport(entry.data);
    }
    report += crLf + crLf + text::kUserAgentSection + crLf + ShownInReport(found.UserAgentText());
    return report;
}

}  // namespace kr8
