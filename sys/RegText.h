// How registry data become the text that reads and enumerations hand out.
#pragma once

#include <cstdint>
#include <string>

namespace kr8 {

enum class BinaryAs { Hex, Characters };

// Dword: the first four bytes, little-endian, in decimal with at least three digits ("005").
// Binary: two upper-case hex digits a byte, or the bytes as characters (see BinaryAs).
// Every other type: the bytes as characters, less the terminating NUL when there is one.
std::string RegDataText(std::uint32_t type, const std::string& bytes, BinaryAs binary);

// Removes trailing blanks only; NULs and other white space stay.
std::string TrimTrailingBlanks(std::string text);

// Removes leading and trailing blanks.
std::string TrimBlanks(const std::string& text);

}  // namespace kr8
