// Running an outside program to its end while the window stays alive.
#pragma once

#include <string>

namespace kr8 {

class LaunchAppSychronous {
  public:
    virtual ~LaunchAppSychronous() = default;
    // Starts the command line with its window hidden and returns once the program has ended,
    // handling the window's messages meanwhile; false, at once, when it could not be started.
    virtual bool RunAndWait(const std::string& commandLine) = 0;
};

}  // namespace kr8
