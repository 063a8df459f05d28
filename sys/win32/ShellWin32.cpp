#include "sys/win32/ShellWin32.h"

#include <shellapi.h>

#include "sys/win32/Wide.h"

namespace kr8 {

void ShellWin32::Open(const std::string& file, const std::string& parameters,
                      const std::string& folder) {
    if (file.find('\0') != std::string::npos || parameters.find('\0') != std::string::npos ||
        folder.find('\0') != std::string::npos) {
        return;
    }
    const std::wstring wideParameters = Wide(parameters);
    ::ShellExecuteW(owner_, L"open", Wide(file).c_str(),
                    wideParameters.empty() ? nullptr : wideParameters.c_str(), Wide(folder).c_str(),
                    SW_SHOWNORMAL);
}

}  // namespace kr8
