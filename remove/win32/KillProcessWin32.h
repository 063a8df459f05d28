// Ending processes through the Tool Help snapshot, with the debug privilege switched on.
#pragma once

#include <cstdint>

#include "remove/KillProcess.h"

namespace kr8 {

class KillProcessWin32 final : public KillProcess {
  public:
    bool KillProcessByName(const std::string& exeName) override;
};

// Ends the process with the exit code when it still runs the program exeName; true when
// TerminateProcess reported success.
bool EndProcessIfNamed(std::uint32_t processId, const std::string& exeName, std::uint32_t exitCode);

}  // namespace kr8
