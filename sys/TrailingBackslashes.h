// Windows paths and registry keys as they are given, with or without a closing backslash.
#pragma once

#include <string>

namespace kr8 {

// The path without the backslashes it ends in: "C:\WINDOWS\" and "C:\WINDOWS" name one folder,
// and "SOFTWARE\K\" one key.
std::string WithoutTrailingBackslashes(std::string path);

}  // namespace kr8
