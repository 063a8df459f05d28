// Restarting the machine through ExitWindowsEx.
#pragma once

#include <windows.h>

#include "remove/ShutDownNT.h"

namespace kr8 {

class ShutDownNTWin32 final : public ShutDownNT {
  public:
    using ExitWindowsFn = BOOL(WINAPI*)(UINT flags, DWORD reason);

    // Tests hand in a recorder: a real restart ends every process of the session, theirs too.
    explicit ShutDownNTWin32(ExitWindowsFn exitWindows = &::ExitWindowsEx)
        : exitWindows_(exitWindows) {}

    void RebootWindows(bool force) override;

  private:
    ExitWindowsFn exitWindows_;
};

bool IsWindowsNT();
void EnableShutdownPrivilege();

}  // namespace kr8
