// Running an outside program to its end while the window stays alive. (The module keeps the
// name it has always had, spelling included.)
#pragma once

#include <cstdint>
#include <string>

namespace kr8 {

enum class RunOutcome {
    NotStarted,
    Ended,
    // The user closed the program while it waited: the outside program may still run, and the
    // caller does nothing more.
    Abandoned,
};

struct RunResult {
    RunOutcome outcome = RunOutcome::NotStarted;
    std::uint32_t exitCode = 0;  // when Ended
};

class LaunchAppSychronous {
  public:
    virtual ~LaunchAppSychronous() = default;
    // Starts program (a full path, quoted on the command line by the launcher) with the
    // arguments, its window hidden, and returns once it has ended, handling the window's
    // messages meanwhile. The arguments never carry a wildcard or a quote taken from a name.
    virtual RunResult RunAndWait(const std::string& program, const std::string& arguments) = 0;
};

}  // namespace kr8
