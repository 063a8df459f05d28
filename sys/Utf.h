// Names cross the program as UTF-8 in std::string, and the platform holds them as UTF-16. The
// adware may give a name a lone surrogate, which no valid UTF-8 can carry: such a unit is kept
// in the three-byte form UTF-8 would give it, so every name comes back to the platform exactly
// as the platform gave it.
#pragma once

#include <string>

namespace kr8 {

std::string Utf8FromUtf16(const std::u16string& text);

// Bytes that are no UTF-8 (none the program makes) become U+FFFD each: overlong forms, which
// would let a name free of NULs or backslashes gain one here, and a surrogate pair written as
// two three-byte forms, a second spelling of a four-byte character. A lone surrogate's three
// bytes are its unit.
std::u16string Utf16FromUtf8(const std::string& text);

// UTF-16 as little-endian bytes, the form files and registry data hold it in, and back; an odd
// last byte is no unit and is left out.
std::string LittleEndianBytes(const std::u16string& units);
std::u16string UnitsOfLittleEndian(const std::string& bytes);

// True when every byte is below 0x80.
bool IsAscii(const std::string& text);

}  // namespace kr8
