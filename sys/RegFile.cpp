#include "sys/RegFile.h"

#include <algorithm>
#include <cstdio>

#include "sys/Utf.h"

namespace kr8 {

namespace {

constexpr char16_t kHeader[] = u"Windows Registry Editor Version 5.00";
constexpr char16_t kLocalMachine[] = u"HKEY_LOCAL_MACHINE";
constexpr char16_t kCurrentUser[] = u"HKEY_CURRENT_USER";
// The registry editor breaks hex data into lines no longer than this, and so do we.
constexpr std::size_t kLineWidth = 80;

std::u16string RootText(RegRoot root) {
    return root == RegRoot::CurrentUser ? kCurrentUser : kLocalMachine;
}

bool BreaksLine(char16_t c) {
    return c == u'\0' || c == u'\r' || c == u'\n';
}

bool HasLineBreaker(const std::u16string& text) {
    for (char16_t c : text) {
        if (BreaksLine(c)) {
            return true;
        }
    }
    return false;
}

std::u16string Quoted(const std::u16string& text) {
    std::u16string quoted = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') {
            quoted += u'\\';
        }
        quoted += c;
    }
    return quoted + u'"';
}

std::u16string Ascii(const char* text) {
    std::u16string wide;
    for (; *text != '\0'; ++text) {
        wide += static_cast<char16_t>(*text);
    }
    return wide;
}

// The text of data that a quoted string carries unchanged: whole UTF-16 units, one NUL at the
// end and none before it, nothing that would end the line.
std::optional<std::u16string> StringText(const RegValueBytes& value) {
    if (value.type != RegType::Sz || value.bytes.size() < 2 || value.bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string units = UnitsOfLittleEndian(value.bytes);
    if (units.back() != u'\0') {
        return std::nullopt;
    }
    units.pop_back();
    if (HasLineBreaker(units)) {
        return std::nullopt;
    }
    return units;
}

std::u16string DataText(const RegValueBytes& value, std::size_t column) {
    if (const std::optional<std::u16string> text = StringText(value)) {
        return Quoted(*text);
    }
    char prefix[32];
    if (value.type == RegType::Dword && value.bytes.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
            number = (number << 8) | static_cast<unsigned char>(value.bytes[i]);
        }
        std::snprintf(prefix, sizeof prefix, "dword:%08lx", static_cast<unsigned long>(number));
        return Ascii(prefix);
    }
    if (value.type == RegType::Binary) {
        std::snprintf(prefix, sizeof prefix, "hex:");
    } else {
        std::snprintf(prefix, sizeof prefix, "hex(%lx):", static_cast<unsigned long>(value.type));
    }
    std::u16string text = Ascii(prefix);
    column += text.size();
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        if (column + 3 > kLineWidth - 2) {
            text += u"\\\r\n  ";
            column = 2;
        }
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(value.bytes[i]));
        text += Ascii(byte);
        column += 2;
        if (i + 1 < value.bytes.size()) {
            text += u',';
            ++column;
        }
    }
    return text;
}

// ---- Reading ----

bool StartsWith(const std::u16string& text, const std::u16string& start) {
    return text.compare(0, start.size(), start) == 0;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// Reads a quoted string at text[at] (the opening quote); at ends after the closing one.
std::optional<std::u16string> Unquote(const std::u16string& text, std::size_t& at) {
    if (at >= text.size() || text[at] != u'"') {
        return std::nullopt;
    }
    std::u16string out;
    for (++at; at < text.size(); ++at) {
        if (text[at] == u'"') {
            ++at;
            return out;
        }
        if (text[at] == u'\\') {
            if (++at == text.size()) {
                return std::nullopt;
            }
        }
        out += text[at];
    }
    return std::nullopt;
}

std::optional<std::string> HexBytes(const std::u16string& text) {
    std::string bytes;
    std::size_t at = 0;
    const auto skipBlanks = [&] {
        while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) {
            ++at;
        }
    };
    skipBlanks();
    if (at == text.size()) {
        return bytes;
    }
    for (;;) {
        if (at + 2 > text.size() || HexDigit(text[at]) < 0 || HexDigit(text[at + 1]) < 0) {
            return std::nullopt;
        }
        bytes += static_cast<char>(HexDigit(text[at]) * 16 + HexDigit(text[at + 1]));
        at += 2;
        skipBlanks();
        if (at == text.size()) {
            return bytes;
        }
        if (text[at] != u',') {
            return std::nullopt;
        }
        ++at;
        skipBlanks();
    }
}

std::optional<RegValueBytes> ParseData(const std::u16string& data) {
    RegValueBytes value;
    if (!data.empty() && data[0] == u'"') {
        std::size_t at = 0;
        const auto text = Unquote(data, at);
        if (!text || at != data.size()) {
            return std::nullopt;
        }
        value.type = RegType::Sz;
        value.bytes = LittleEndianBytes(*text + u'\0');
        return value;
    }
    if (StartsWith(data, u"dword:")) {
        if (data.size() != 14) {
            return std::nullopt;
        }
        std::uint32_t number = 0;
        for (std::size_t i = 6; i < 14; ++i) {
            const int digit = HexDigit(data[i]);
            if (digit < 0) {
                return std::nullopt;
            }
            number = number * 16 + static_cast<std::uint32_t>(digit);
        }
        value.type = RegType::Dword;
        for (int i = 0; i < 4; ++i) {
            value.bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
        }
        return value;
    }
    std::size_t colon = 0;
    if (StartsWith(data, u"hex:")) {
        value.type = RegType::Binary;
        colon = 3;
    } else if (StartsWith(data, u"hex(")) {
        const std::size_t close = data.find(u"):");
        if (close == std::u16string::npos || close == 4 || close > 12) {
            return std::nullopt;
        }
        std::uint32_t type = 0;
        for (std::size_t i = 4; i < close; ++i) {
            const int digit = HexDigit(data[i]);
            if (digit < 0) {
                return std::nullopt;
            }
            type = type * 16 + static_cast<std::uint32_t>(digit);
        }
        value.type = type;
        colon = close + 1;
    } else {
        return std::nullopt;
    }
    const auto bytes = HexBytes(data.substr(colon + 1));
    if (!bytes) {
        return std::nullopt;
    }
    value.bytes = *bytes;
    return value;
}

std::optional<RegKeyBytes> ParseKey(const std::u16string& line) {
    const std::size_t close = line.rfind(u']');
    if (close == std::u16string::npos) {
        return std::nullopt;
    }
    const std::u16string name = line.substr(1, close - 1);
    RegKeyBytes key;
    for (RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
        const std::u16string prefix = RootText(root) + u'\\';
        if (StartsWith(name, prefix) && name.size() > prefix.size()) {
            key.root = root;
            key.path = Utf8FromUtf16(name.substr(prefix.size()));
            return key;
        }
    }
    return std::nullopt;
}

std::string LineError(std::size_t number) {
    return "line " + std::to_string(number);
}

}  // namespace

std::string RegKeyText(RegRoot root, const std::string& path) {
    return Utf8FromUtf16(RootText(root)) + "\\" + path;
}

std::optional<std::string> WriteRegFile(const std::vector<RegKeyBytes>& keys,
                                        std::string& refused) {
    std::u16string text = std::u16string(u"\xFEFF") + kHeader + u"\r\n\r\n";
    for (const RegKeyBytes& key : keys) {
        const std::u16string path = Utf16FromUtf8(key.path);
        if (path.empty() || HasLineBreaker(path)) {
            refused = RegKeyText(key.root, key.path);
            return std::nullopt;
        }
        text += u"[" + RootText(key.root) + u"\\" + path + u"]\r\n";
        for (const RegValueBytes& value : key.values) {
            const std::u16string name = Utf16FromUtf8(value.name);
            if (HasLineBreaker(name)) {
                refused = RegKeyText(key.root, key.path) + " : " + value.name;
                return std::nullopt;
            }
            const std::u16string left = name.empty() ? u"@" : Quoted(name);
            text += left + u"=" + DataText(value, left.size() + 1) + u"\r\n";
        }
        text += u"\r\n";
    }
    return LittleEndianBytes(text);
}

std::optional<std::vector<RegKeyBytes>> ReadRegFile(const std::string& bytes, std::string& error) {
    std::u16string text = UnitsOfLittleEndian(bytes);
    if (bytes.size() % 2 != 0 || !StartsWith(text, u"\xFEFF")) {
        error = "not a UTF-16 file";
        return std::nullopt;
    }
    text.erase(0, 1);
    std::vector<std::u16string> lines;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find(u'\n', at);
        if (end == std::u16string::npos) {
            end = text.size();
        }
        std::u16string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
        }
        lines.push_back(line);
        at = end + 1;
    }
    if (lines.empty() || lines[0] != kHeader) {
        error = "no Version 5.00 header";
        return std::nullopt;
    }
    std::vector<RegKeyBytes> keys;
    for (std::size_t number = 1; number < lines.size(); ++number) {
        std::u16string line = lines[number];
        const std::size_t first = number;
        if (line.empty() || line[0] == u';') {
            continue;
        }
        if (line[0] == u'[') {
            auto key = ParseKey(line);
            if (!key) {
                error = LineError(first + 1);
                return std::nullopt;
            }
            keys.push_back(*key);
            continue;
        }
        if (keys.empty()) {
            error = LineError(first + 1);
            return std::nullopt;
        }
        // Hex data go on over lines that end in a backslash.
        while (!line.empty() && line.back() == u'\\' && number + 1 < lines.size()) {
            line.pop_back();
            const std::u16string& next = lines[++number];
            line += next.substr(std::min(next.find_first_not_of(u" \t"), next.size()));
        }
        RegValueBytes value;
        std::size_t at = 0;
        if (line[0] == u'@') {
            at = 1;
        } else {
            const auto name = Unquote(line, at);
            if (!name) {
                error = LineError(first + 1);
                return std::nullopt;
            }
            value.name = Utf8FromUtf16(*name);
        }
        const auto data =
            at < line.size() && line[at] == u'=' ? ParseData(line.substr(at + 1)) : std::nullopt;
        if (!data) {
            error = LineError(first + 1);
            return std::nullopt;
        }
        value.type = data->type;
        value.bytes = data->bytes;
        keys.back().values.push_back(value);
    }
    return keys;
}

}  // namespace kr8
