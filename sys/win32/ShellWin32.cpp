#include "sys/win32/ShellWin32.h"

#include <shellapi.h>

namespace kr8 {

void ShellWin32::Open(const std::string& file, const std::string& parameters,
                      const std::string& folder) {
    if (file.find('\0') != std::string::npos || parameters.find('\0') != std::string::npos ||
        folder.find('\0') != std::string::npos) {
        return;
    }
    ::ShellExecuteA(owner_, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                    folder.c_str(), SW_SHOWNORMAL);
}

}  // namespace kr8
