// Registry keys and values as the registry editor's export files hold them ("Windows Registry
// Editor Version 5.00": UTF-16LE with a byte order mark, CR LF line ends), so that a backup of
// a key or value can be put back by double-clicking it as well as by this program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sys/EllReg.h"

namespace kr8 {

struct RegKeyBytes {
    RegRoot root = RegRoot::LocalMachine;
    std::string path;  // UTF-8, from the root, without a trailing backslash
    std::vector<RegValueBytes> values;
    bool operator==(const RegKeyBytes& o) const {
        return root == o.root && path == o.path && values == o.values;
    }
};

// The key as the file names it: "HKEY_LOCAL_MACHINE\path".
std::string RegKeyText(RegRoot root, const std::string& path);

// The file that creates these keys, in order, with their values. Nothing when a key or value
// name cannot be written in a form that the registry editor reads back as the same name (a NUL,
// a carriage return or a line feed in it): refused then names it. Such a file would restore a
// different key or value, or a part of one.
std::optional<std::string> WriteRegFile(const std::vector<RegKeyBytes>& keys, std::string& refused);

// The keys and values of a file in that format. Nothing when the file is not one or holds a
// line this program does not write (deletions among them): error then says which line.
std::optional<std::vector<RegKeyBytes>> ReadRegFile(const std::string& bytes, std::string& error);

}  // namespace kr8
