// Ending processes through the Tool Help snapshot, with the debug privilege switched on.
#pragma once

#include <cstdint>

#include "remove/KillProcess.h"

namespace kr8 {

class KillProcessWin32 final : public KillProcess {
  public:
    bool KillProcessByName(const std::string& exeName) override;
};

// Ends one process with the exit code; true when TerminateProcess reported success.
bool KillProcessById(std::uint32_t processId, std::uint32_t exitCode);

}  // namespace kr8
