// The smallest hive file that hivex, reglookup and libregf accept: a base block with its XOR
// checksum and one bin holding the root key and its security cell. No Debian package ships a
// sample hive, and hivex cannot start one from nothing; it adds keys and values to this one.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "sys/Utf.h"

namespace kr8::test {

inline void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i != 4; ++i) {
        b[at + i] = static_cast<char>(v >> (8 * i));
    }
}

// sequence2 other than 1 makes a hive whose log holds changes not yet written.
inline std::string MinimalHive(std::uint32_t sequence2 = 1) {
    constexpr std::size_t kBin = 0x1000, kRoot = 0x20, kSk = 0x80, kFree = 0xB0;
    std::string b(0x2000, '\0');
    b.replace(0, 4, "regf");
    // Sequence numbers, version 1.3, a flat file, the root key cell, the bins' length, clustering.
    const std::uint32_t header[] = {1, sequence2, 0, 0, 1, 3, 0, 1, kRoot, 0x1000, 1};
    for (std::size_t i = 0; i != std::size(header); ++i) {
        Put32(b, 4 + 4 * i, header[i]);
    }
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at != 0x1FC; ++at) {
        sum ^= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << (8 * (at % 4));
    }
    Put32(b, 0x1FC, sum == 0 ? 1 : sum == 0xFFFFFFFF ? 0xFFFFFFFE : sum);

    b.replace(kBin, 4, "hbin");
    Put32(b, kBin + 0x08, 0x1000);
    const std::string name = "$$$PROTO.HIV";
    const std::size_t nk = kBin + kRoot;
    Put32(b, nk, static_cast<std::uint32_t>(-0x60));
    b.replace(nk + 4, 2, "nk");
    b[nk + 6] = 0x2C;  // hive entry, not deletable, ASCII name
    for (std::size_t field : {0x1C, 0x20, 0x28, 0x30}) {
        Put32(b, nk + 4 + field, 0xFFFFFFFF);  // no sub-keys, values or class
    }
    Put32(b, nk + 4 + 0x2C, kSk);
    b[nk + 4 + 0x48] = static_cast<char>(name.size());
    b.replace(nk + 4 + 0x4C, name.size(), name);

    const std::size_t sk = kBin + kSk;
    Put32(b, sk, static_cast<std::uint32_t>(-0x30));
    b.replace(sk + 4, 2, "sk");
    Put32(b, sk + 8, kSk);  // the list of security cells: this one alone
    Put32(b, sk + 12, kSk);
    Put32(b, sk + 16, 1);   // used by the root
    Put32(b, sk + 20, 20);  // a self-relative descriptor with nothing in it
    b[sk + 24] = 1;
    b[sk + 27] = static_cast<char>(0x80);
    Put32(b, kBin + kFree, 0x1000 - kFree);
    return b;
}

inline bool WriteMinimalHive(const std::string& path, std::uint32_t sequence2 = 1) {
    return static_cast<bool>(
        (std::ofstream(path, std::ios::binary) << MinimalHive(sequence2)).flush());
}

// The key at path below the root ("a\\b"), made where missing; 0 when hivex refused.
inline hive_node_h PlantKey(hive_h* h, const std::string& path) {
    hive_node_h node = hivex_root(h);
    std::size_t at = 0;
    while (node != 0 && at < path.size()) {
        const std::size_t end = path.find('\\', at);
        const std::string name = path.substr(at, end == std::string::npos ? end : end - at);
        at = end == std::string::npos ? path.size() : end + 1;
        hive_node_h child = 0;
        hive_node_h* children = hivex_node_children(h, node);
        for (std::size_t i = 0; children != nullptr && children[i] != 0 && child == 0; ++i) {
            char* childName = hivex_node_name(h, children[i]);
            child = childName != nullptr && name == childName ? children[i] : 0;
            std::free(childName);
        }
        std::free(children);
        node = child != 0 ? child : hivex_node_add_child(h, node, name.c_str());
    }
    return node;
}

// A string value (type 1 or 2, UTF-16 with its NUL) or a DWORD (type 4, data in decimal).
inline bool PlantValue(hive_h* h, const std::string& path, std::string name, hive_type type,
                       const std::string& data) {
    const hive_node_h node = PlantKey(h, path);
    std::string bytes;
    if (type == hive_t_REG_DWORD) {
        bytes.resize(4);
        Put32(bytes, 0, static_cast<std::uint32_t>(std::strtoul(data.c_str(), nullptr, 0)));
    } else {
        bytes = LittleEndianBytes(Utf16FromUtf8(data)) + std::string(2, '\0');
    }
    hive_set_value value{name.data(), type, bytes.size(), bytes.data()};
    return node != 0 && hivex_node_set_value(h, node, &value, 0) == 0;
}

}  // namespace kr8::test
