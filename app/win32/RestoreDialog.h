// "Restore from backup…" on the window's system menu, and the dialog that picks the backup.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kr8::win32 {

void AddRestoreMenuItem(HWND window);

// Shows the backup folders, newest (the first) selected; answers the one picked, or nothing
// when the dialog was cancelled.
std::optional<std::string> PickBackup(HWND owner, const std::vector<std::string>& folders);

}  // namespace kr8::win32
