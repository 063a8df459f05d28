// Ending running processes by their executable's name.
#pragma once

#include <string>

namespace kr8 {

class KillProcess {
  public:
    virtual ~KillProcess() = default;
    // Ends every process whose executable is exeName; true when at least one matched, whether
    // or not it could be ended.
    virtual bool KillProcessByName(const std::string& exeName) = 0;
};

// Whether a process's executable (as a process list gives it, with or without a folder part) is
// exeName, in any letter case. "myrundll32.exe" is not "rundll32.exe".
bool ExeNameMatches(const std::string& exeFile, const std::string& exeName);

}  // namespace kr8
