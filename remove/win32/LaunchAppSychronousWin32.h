// Running a program hidden to its end while the calling thread's windows stay alive.
#pragma once

#include "remove/LaunchAppSychronous.h"

namespace kr8 {

class LaunchAppSychronousWin32 final : public LaunchAppSychronous {
  public:
    RunResult RunAndWait(const std::string& program, const std::string& arguments) override;
};

}  // namespace kr8
