#include "app/LogFile.h"

#include "app/Texts.h"
#include "sys/Utf.h"

namespace kr8 {

std::string LogFileBytes(const std::string& report) {
    const std::string log =
        std::string(text::kLogHeader) + text::kCrLf + text::kCrLf + report + text::kCrLf;
    if (IsAscii(log)) {
        return log;
    }
    return "\xFF\xFE" + LittleEndianBytes(Utf16FromUtf8(log));
}

}  // namespace kr8
