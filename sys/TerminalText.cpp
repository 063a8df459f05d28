#include "sys/TerminalText.h"

#include <vector>

namespace kr8 {

namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string ByteEscape(unsigned char byte) {
    return std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
}

// The length of the valid UTF-8 sequence at text[at], or 0: no overlong forms, no surrogates,
// nothing past U+10FFFF.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// The pieces the text is shown as, one per character or escaped byte.
std::vector<std::string> Pieces(const std::string& text, bool keepLineFeeds) {
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (keepLineFeeds && byte == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
            ++at;
            continue;
        }
        const std::size_t length = Utf8Length(text, at);
        if (length == 0) {
            pieces.push_back(ByteEscape(byte));
            at += 1;
            continue;
        }
        if (length == 1 && (byte < 0x20 || byte == 0x7F) && !(keepLineFeeds && byte == '\n')) {
            pieces.push_back(ByteEscape(byte));
        } else if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
            const auto c1 = static_cast<unsigned char>(text[at + 1]);
            pieces.push_back(std::string("\\u00") + kHex[c1 >> 4] + kHex[c1 & 0xF]);
        } else {
            pieces.push_back(text.substr(at, length));
        }
        at += length;
    }
    return pieces;
}

std::string Shown(const std::string& text, bool keepLineFeeds) {
    const std::vector<std::string> pieces = Pieces(text, keepLineFeeds);
    std::string shown;
    for (std::size_t i = 0; i != pieces.size(); ++i) {
        shown += pieces[i];
        if (pieces[i] == "\\" && i + 1 < pieces.size()) {
            const char next = pieces[i + 1][0];
            if (next == '\\' || next == 'x' || next == 'u') {
                shown += '\\';
            }
        }
    }
    return shown;
}

}  // namespace

std::string ForTerminal(const std::string& text) {
    return Shown(text, true);
}

std::string ForTerminalLine(const std::string& text) {
    return Shown(text, false);
}

void PrintLine(std::FILE* out, const std::string& text) {
    std::fprintf(out, "%s\n", ForTerminalLine(text).c_str());
}

}  // namespace kr8
