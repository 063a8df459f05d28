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
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : Utf16FromUtf8(log)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

}  // namespace kr8
