// "Restore from backup…" on the window's system menu, and the dialog that picks the backup.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "remove/Restore.h"

namespace kr8::win32 {

void AddRestoreMenuItem(HWND window);

// Shows the folders in their order, the first selected when it is a backup (the newest); answers
// the one picked, or nothing when the dialog was cancelled.
std::optional<std::string> PickBackup(HWND owner, const std::vector<BackupFolder>& folders);

}  // namespace kr8::win32
