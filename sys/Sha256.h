// SHA-256, so that a backed-up file can be checked and looked up by its hash.
#pragma once

#include <string>

namespace kr8 {

// The digest of bytes as 64 lower-case hex digits.
std::string Sha256Hex(const std::string& bytes);

}  // namespace kr8
