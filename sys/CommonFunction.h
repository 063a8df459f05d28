// Folder and path queries. Folders come without a trailing backslash, so callers append "\name".
#pragma once

#include <string>
#include <vector>

namespace kr8 {

class CommonFunction {
  public:
    virtual ~CommonFunction() = default;
    virtual std::string GetWindowsFolder() = 0;
    virtual std::string GetSystemFolder() = 0;
    virtual std::string GetTempFolder() = 0;
    // Every temporary folder the adware may have written to: the user's own where there is a
    // user; a system seen from outside has one for each profile.
    virtual std::vector<std::string> GetTempFolders() {
        std::string folder = GetTempFolder();
        return folder.empty() ? std::vector<std::string>{} : std::vector<std::string>{folder};
    }
    // The 8.3 form of an existing path, or empty.
    virtual std::string GetShortPath(const std::string& path) = 0;
};

}  // namespace kr8
