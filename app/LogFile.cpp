#include "app/LogFile.h"

#include "app/Texts.h"
#include "scan/ReportWords.h"
#include "sys/Utf.h"

namespace kr8 {

std::string LogFileBytes(const std::string& report) {
    const std::string log =
        std::string(text::kLogHeader) + report::kCrLf + report::kCrLf + report + report::kCrLf;
    if (IsAscii(log)) {
        return log;
    }
    return "\xFF\xFE" + LittleEndianBytes(Utf16FromUtf8(log));
}

}  // namespace kr8
