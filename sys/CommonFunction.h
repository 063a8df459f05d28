// Folder and path queries. Folders come without a trailing backslash, so callers append "\name".
#pragma once

#include <string>

namespace kr8 {

class CommonFunction {
  public:
    virtual ~CommonFunction() = default;
    virtual std::string GetWindowsFolder() = 0;
    virtual std::string GetSystemFolder() = 0;
    virtual std::string GetTempFolder() = 0;
    // The 8.3 form of an existing path, or empty.
    virtual std::string GetShortPath(const std::string& path) = 0;
};

}  // namespace kr8
