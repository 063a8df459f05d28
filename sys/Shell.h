// Handing a file to the shell, which opens it with whatever program it associates.
#pragma once

#include <string>

namespace kr8 {

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens file ("open", shown normally) with the parameters (none when empty) in folder, and
    // returns at once without waiting for the program; a failure is not reported.
    virtual void Open(const std::string& file, const std::string& parameters,
                      const std::string& folder) = 0;
};

}  // namespace kr8
