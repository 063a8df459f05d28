// Opening files through ShellExecuteW.
#pragma once

#include <windows.h>

#include "sys/Shell.h"

namespace kr8 {

class ShellWin32 final : public Shell {
  public:
    // The window that owns whatever the shell shows; set once the main window exists.
    void SetOwner(HWND owner) { owner_ = owner; }
    void Open(const std::string& file, const std::string& parameters,
              const std::string& folder) override;

  private:
    HWND owner_ = nullptr;
};

}  // namespace kr8
