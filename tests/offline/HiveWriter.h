// Hive files for the tests, laid out cell by cell in one bin: no Debian package ships a sample
// hive, hivex cannot start one from nothing, and it will not write what some tests need (a key
// listed twice or under itself, thousands of sub-keys in one go). The smallest, a root key alone,
// is what hivex adds keys and values to; hivex, reglookup and libregf accept it.
#pragma once

#include <hivex.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sys/Utf.h"

namespace kr8::test {

inline void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i != 4; ++i) {
        b[at + i] = static_cast<char>(v >> (8 * i));
    }
}

inline std::uint32_t Get32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i != 4; ++i) {
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    }
    return v;
}

// The base block's XOR checksum, written anew after its fields changed.
inline void SealBaseBlock(std::string& b) {
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at != 0x1FC; at += 4) {
        sum ^= Get32(b, at);
    }
    Put32(b, 0x1FC, sum == 0 ? 1 : sum == 0xFFFFFFFF ? 0xFFFFFFFE : sum);
}

// Where a key cell (an nk record, as hivex numbers nodes: its file offset) holds its lists.
namespace nk {
inline constexpr std::size_t kSubKeyCount = 0x18, kSubKeyList = 0x20, kValueCount = 0x28,
                             kValueList = 0x2C;
}  // namespace nk

// One key of a hive BuildHive lays out; keys[0] is the root. children name other keys by index,
// in order, as often as they appear.
struct HiveKey {
    std::string name;
    std::vector<std::size_t> children;
    struct Value {
        std::string name;
        std::uint32_t type;
        std::string bytes;
    };
    std::vector<Value> values;
};

struct BuiltHive {
    std::string bytes;
    std::vector<std::size_t> cells;  // each key's nk record, as hivex numbers nodes
};

// The whole hive in one bin; names are written as Latin-1 where they can be, else UTF-16.
// sequence2 other than 1 makes a hive whose log holds changes not yet written.
inline BuiltHive BuildHive(const std::vector<HiveKey>& keys, std::uint32_t sequence2 = 1) {
    std::string bins(0x20, '\0');
    const auto cell = [&bins](const std::string& content) {
        const std::size_t at = bins.size();
        const std::size_t length = (4 + content.size() + 7) / 8 * 8;
        bins += std::string(4, '\0') + content + std::string(length - 4 - content.size(), '\0');
        Put32(bins, at, static_cast<std::uint32_t>(-static_cast<std::int64_t>(length)));
        return static_cast<std::uint32_t>(at);
    };
    // A name, and whether it went as Latin-1.
    const auto stored = [](const std::string& name) {
        const std::u16string units = Utf16FromUtf8(name);
        std::string latin1;
        for (char16_t unit : units) {
            if (unit > 0xFF) {
                return std::make_pair(LittleEndianBytes(units), false);
            }
            latin1 += static_cast<char>(unit);
        }
        return std::make_pair(latin1, true);
    };
    // Each string below starts at its cell's byte 4, after the cell's length.
    std::string sk = "sk" + std::string(18, '\0');
    Put32(sk, 12, 1);
    Put32(sk, 16, 20);  // a self-relative descriptor with nothing in it
    sk += std::string("\x01\0\0\x80", 4) + std::string(16, '\0');
    const std::uint32_t skCell = cell(sk);
    Put32(bins, skCell + 8, skCell);
    Put32(bins, skCell + 12, skCell);

    BuiltHive built;
    for (std::size_t i = 0; i != keys.size(); ++i) {
        const auto [name, latin1] = stored(keys[i].name);
        std::string nk = "nk" + std::string(0x4A, '\0') + name;
        nk[2] = static_cast<char>((latin1 ? 0x20 : 0) | (i == 0 ? 0x0C : 0));
        for (std::size_t field : {0x1C, 0x20, 0x28, 0x30}) {
            Put32(nk, field, 0xFFFFFFFF);  // no lists or class yet
        }
        Put32(nk, 0x2C, skCell);
        Put32(nk, 0x48, static_cast<std::uint32_t>(name.size()));  // and no class name
        built.cells.push_back(cell(nk));
    }
    for (std::size_t i = 0; i != keys.size(); ++i) {
        const std::size_t at = built.cells[i];
        std::string list;
        for (const HiveKey::Value& v : keys[i].values) {
            const auto [name, latin1] = stored(v.name);
            std::string vk = "vk" + std::string(0x12, '\0') + name;
            Put32(vk, 2, static_cast<std::uint32_t>(name.size()));  // 16 bits, before the length
            const auto length = static_cast<std::uint32_t>(v.bytes.size());
            if (length <= 4) {
                Put32(vk, 4, length | 0x80000000u);
                vk.replace(8, length, v.bytes);
            } else {
                Put32(vk, 4, length);
                Put32(vk, 8, cell(v.bytes));
            }
            Put32(vk, 12, v.type);
            vk[16] = latin1 ? 1 : 0;
            list += std::string(4, '\0');
            Put32(list, list.size() - 4, cell(vk));
        }
        if (!list.empty()) {
            Put32(bins, at + nk::kValueCount, static_cast<std::uint32_t>(keys[i].values.size()));
            Put32(bins, at + nk::kValueList, cell(list));
        }
        if (keys[i].children.empty()) {
            continue;
        }
        std::string lh = "lh" + std::string(2, '\0');
        lh[2] = static_cast<char>(keys[i].children.size());
        lh[3] = static_cast<char>(keys[i].children.size() >> 8);
        for (std::size_t child : keys[i].children) {
            std::uint32_t hash = 0;
            for (char16_t unit : Utf16FromUtf8(keys[child].name)) {
                hash = hash * 37 + (unit >= u'a' && unit <= u'z' ? unit - 0x20u : unit);
            }
            lh += std::string(8, '\0');
            Put32(lh, lh.size() - 8, static_cast<std::uint32_t>(built.cells[child]));
            Put32(lh, lh.size() - 4, hash);
            Put32(bins, built.cells[child] + 0x14, static_cast<std::uint32_t>(at));
        }
        Put32(bins, at + nk::kSubKeyCount, static_cast<std::uint32_t>(keys[i].children.size()));
        Put32(bins, at + nk::kSubKeyList, cell(lh));
    }
    const std::size_t free = (bins.size() + 0xFFF) / 0x1000 * 0x1000 - bins.size();
    if (free != 0) {
        bins += std::string(free, '\0');
        Put32(bins, bins.size() - free, static_cast<std::uint32_t>(free));
    }
    bins.replace(0, 4, "hbin");
    Put32(bins, 8, static_cast<std::uint32_t>(bins.size()));
    // Sequence numbers, version 1.3, a flat file, the root key cell, the bins' length, clustering.
    const auto root = static_cast<std::uint32_t>(built.cells[0]);
    const std::uint32_t header[] = {1, sequence2, 0, 0, 1, 3, 0, 1, root, Get32(bins, 8), 1};
    built.bytes = "regf" + std::string(0xFFC, '\0') + bins;
    for (std::size_t i = 0; i != std::size(header); ++i) {
        Put32(built.bytes, 4 + 4 * i, header[i]);
    }
    for (std::size_t& at : built.cells) {
        at += 0x1000;
    }
    SealBaseBlock(built.bytes);
    return built;
}

inline std::string MinimalHive(std::uint32_t sequence2 = 1) {
    return BuildHive({HiveKey{"$$$PROTO.HIV", {}, {}}}, sequence2).bytes;
}

inline bool WriteMinimalHive(const std::string& path, std::uint32_t sequence2 = 1) {
    return static_cast<bool>(
        (std::ofstream(path, std::ios::binary) << MinimalHive(sequence2)).flush());
}

// The key at path ("a\\b") below the root keys[0], added where missing; its index.
inline std::size_t AddPath(std::vector<HiveKey>& keys, const std::string& path) {
    std::size_t key = 0;
    for (std::size_t at = 0; at < path.size();) {
        const std::size_t end = std::min(path.find('\\', at), path.size());
        const std::string name = path.substr(at, end - at);
        at = end + 1;
        std::size_t next = 0;
        for (std::size_t child : keys[key].children) {
            next = keys[child].name == name ? child : next;
        }
        if (next == 0) {
            next = keys.size();
            keys[key].children.push_back(next);
            keys.push_back(HiveKey{name, {}, {}});
        }
        key = next;
    }
    return key;
}

// A string value's data (type 1 or 2: UTF-16 with its NUL) or a DWORD's (type 4, given in decimal).
inline std::string ValueBytes(hive_type type, const std::string& data) {
    if (type != hive_t_REG_DWORD) {
        return LittleEndianBytes(Utf16FromUtf8(data)) + std::string(2, '\0');
    }
    std::string bytes(4, '\0');
    Put32(bytes, 0, static_cast<std::uint32_t>(std::strtoul(data.c_str(), nullptr, 0)));
    return bytes;
}

}  // namespace kr8::test
