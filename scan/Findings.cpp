#include "scan/Findings.h"

#include "scan/ReportText.h"
#include "scan/ReportWords.h"

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
    const std::string crLf = report::kCrLf;
    std::string out = report::kFilesFound + crLf;
    for (const std::string& path : found.adwareSized) {
        out += ShownInReport(path) + crLf;
    }
    if (!found.systemFolderRead) {
        // An empty section would read as a clean machine.
        out += report::kSystemFolderUnreadable + crLf;
    }
    out += report::kBlankLine + crLf + report::kAdditionalFiles + crLf;
    for (const std::string& path : found.fixedFiles) {
        out += ShownInReport(path) + crLf;
    }
    if (!found.tempFolderFound) {
        out += report::kTempFolderMissing + crLf;
    }
    out += report::kBlankLine + crLf + report::kKeysUnderNotify + crLf;
    for (const std::string& name : found.notifyKeys) {
        out += ShownInReport(name) + crLf;
    }
    out += crLf + crLf + report::kGuardianLine + ShownInReport(found.guardianKeyName);
    for (const ValueEntry& entry : found.guardianValues) {
        out += crLf + ShownInReport(entry.name) + " " + ShownInReport(entry.data);
    }
    out += crLf + crLf + report::kUserAgentSection + crLf + ShownInReport(found.UserAgentText());
    return out;
}

}  // namespace kr8
