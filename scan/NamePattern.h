// File name patterns as a folder listing takes them.
#pragma once

#include <string>

namespace kr8 {

// Whether name matches pattern, where '*' stands for any run of characters and '?' for one;
// ASCII letters compare without regard to case, as file names do.
bool MatchesPattern(const std::string& name, const std::string& pattern);

}  // namespace kr8
