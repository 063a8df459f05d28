#include "sys/RegText.h"

#include <cstdio>

#include "sys/EllReg.h"
#include "sys/Utf.h"

namespace kr8 {

std::string RegDataUtf8(std::uint32_t type, const std::string& raw) {
    if (type != RegType::Sz && type != RegType::ExpandSz && type != RegType::MultiSz) {
        return raw;
    }
    std::string text = Utf8FromUtf16(UnitsOfLittleEndian(raw));
    if (raw.size() % 2 != 0) {
        text += raw.back();
    }
    return text;
}

namespace {

std::string DwordText(const std::string& bytes) {
    std::uint32_t number = 0;
    // Data shorter than four bytes count as zero-padded rather than read past their end.
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i) {
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03lu", static_cast<unsigned long>(number));
    return digits;
}

std::string HexText(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

}  // namespace

std::string RegDataText(std::uint32_t type, const std::string& bytes, BinaryAs binary) {
    if (type == RegType::Dword) {
        return DwordText(bytes);
    }
    if (type == RegType::Binary && binary == BinaryAs::Hex) {
        return HexText(bytes);
    }
    // Only a terminating NUL goes: data stored without one keep their last character.
    if (!bytes.empty() && bytes.back() == '\0') {
        return bytes.substr(0, bytes.size() - 1);
    }
    return bytes;
}

std::string TrimTrailingBlanks(std::string text) {
    const std::size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string TrimBlanks(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) {
        return "";
    }
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

}  // namespace kr8
