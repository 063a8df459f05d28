#include "remove/Manifest.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "scan/ReportWords.h"
#include "sys/BackupStore.h"

namespace kr8 {

namespace {

constexpr char kManifestHeader[] =
    "# KR8 Finder backup, made %s. One line for each item, its fields parted by tabs:\r\n"
    "#   file   what happened, stored as, SHA-256, original path, size, attributes\r\n"
    "#   key    what happened, stored as, SHA-256, key (with all its sub-keys and values)\r\n"
    "#   value  what happened, stored as, SHA-256, key, value name\r\n"
    "# In names, %%25 stands for a per cent sign and %%XX for a control character (hex XX).\r\n";

constexpr char kBom[] = "\xEF\xBB\xBF";

const char* KindText(BackupKind kind) {
    switch (kind) {
        case BackupKind::File:
            return "file";
        case BackupKind::Key:
            return "key";
        case BackupKind::Value:
            return "value";
    }
    return "";
}

const char* RemovalText(Removal removal) {
    switch (removal) {
        case Removal::NotYet:
            return "not yet removed";
        case Removal::Deleted:
            return "deleted";
        case Removal::ReplacedAtRestart:
            return "replaced at restart";
        case Removal::NotRemoved:
            return "not removed";
    }
    return "";
}

// A name on one line of its own field: the tab parts fields, line ends part items.
std::string Escaped(const std::string& name) {
    std::string out;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescaped(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size() || !std::isxdigit(static_cast<unsigned char>(field[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(field[i + 2]))) {
            return std::nullopt;
        }
        out += static_cast<char>(std::strtoul(field.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
    }
    return out;
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = line.find(separator, at);
        parts.push_back(line.substr(at, end - at));
        if (end == std::string::npos) {
            return parts;
        }
        at = end + 1;
    }
}

std::string AttributeText(std::uint32_t attributes) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%08lX %c%c%c", static_cast<unsigned long>(attributes),
                  (attributes & FileAttribute::ReadOnly) != 0 ? 'R' : '-',
                  (attributes & FileAttribute::Hidden) != 0 ? 'H' : '-',
                  (attributes & FileAttribute::System) != 0 ? 'S' : '-');
    return text;
}

}  // namespace

std::string ManifestText(const std::string& madeAt, const std::vector<BackupItem>& items) {
    std::string header(sizeof kManifestHeader + madeAt.size(), '\0');
    header.resize(static_cast<std::size_t>(
        std::snprintf(&header[0], header.size(), kManifestHeader, madeAt.c_str())));
    std::string out = kBom + header;
    for (const BackupItem& item : items) {
        out += std::string(KindText(item.kind)) + '\t' + RemovalText(item.removal) + '\t' +
               item.stored + '\t' + item.sha256 + '\t' + Escaped(item.original);
        if (item.kind == BackupKind::File) {
            out += '\t' + std::to_string(item.size) + '\t' + AttributeText(item.attributes);
        } else if (item.kind == BackupKind::Value) {
            out += '\t' + Escaped(item.valueName);
        }
        out += report::kCrLf;
    }
    return out;
}

std::optional<std::vector<BackupItem>> ReadManifest(const std::string& manifest) {
    std::string rest = manifest.compare(0, 3, kBom) == 0 ? manifest.substr(3) : manifest;
    std::vector<BackupItem> items;
    for (std::string line : Split(rest, '\n')) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() < 5) {
            return std::nullopt;
        }
        BackupItem item;
        std::size_t wanted = 5;
        if (fields[0] == "file") {
            item.kind = BackupKind::File;
            wanted = 7;
        } else if (fields[0] == "key") {
            item.kind = BackupKind::Key;
        } else if (fields[0] == "value") {
            item.kind = BackupKind::Value;
            wanted = 6;
        } else {
            return std::nullopt;
        }
        bool known = false;
        for (Removal removal :
             {Removal::NotYet, Removal::Deleted, Removal::ReplacedAtRestart, Removal::NotRemoved}) {
            if (fields[1] == RemovalText(removal)) {
                item.removal = removal;
                known = true;
            }
        }
        const auto original = Unescaped(fields[4]);
        // The stored name is ours: a path in it would reach outside the backup folder.
        if (!known || fields.size() != wanted || !original ||
            fields[2].find_first_of("\\/:") != std::string::npos || fields[2].empty()) {
            return std::nullopt;
        }
        item.stored = fields[2];
        item.sha256 = fields[3];
        item.original = *original;
        if (item.kind == BackupKind::File) {
            item.size = std::strtoull(fields[5].c_str(), nullptr, 10);
            item.attributes =
                static_cast<std::uint32_t>(std::strtoul(fields[6].c_str(), nullptr, 16));
        } else if (item.kind == BackupKind::Value) {
            const auto name = Unescaped(fields[5]);
            if (!name) {
                return std::nullopt;
            }
            item.valueName = *name;
        }
        items.push_back(item);
    }
    return items;
}

}  // namespace kr8
