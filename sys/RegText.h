// How registry data become the text that reads and enumerations hand out.
#pragma once

#include <cstdint>
#include <string>

namespace kr8 {

enum class BinaryAs { Hex, Characters };

// Registry data as the rest of the program holds them: the text types' UTF-16 units in UTF-8 (an
// odd last byte kept as it is), other data byte for byte. Every registry back end reads through it.
std::string RegDataUtf8(std::uint32_t type, const std::string& raw);

// Dword: the first four bytes, little-endian, in decimal with at least three digits ("005").
// Binary: two upper-case hex digits a byte, or the bytes as characters (see BinaryAs).
// Every other type: the bytes as characters, less the terminating NUL when there is one.
std::string RegDataText(std::uint32_t type, const std::string& bytes, BinaryAs binary);

// Removes trailing blanks only; NULs and other white space stay.
std::string TrimTrailingBlanks(std::string text);

// Removes leading and trailing blanks.
std::string TrimBlanks(const std::string& text);

}  // namespace kr8
