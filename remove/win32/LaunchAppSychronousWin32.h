// Running a program hidden to its end while the calling thread's windows stay alive.
#pragma once

#include "remove/LaunchAppSychronous.h"

namespace kr8 {

class LaunchAppSychronousWin32 final : public LaunchAppSychronous {
  public:
    bool RunAndWait(const std::string& commandLine) override;
};

}  // namespace kr8
