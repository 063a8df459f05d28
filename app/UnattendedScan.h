// The Find scan without a window, for a script that checks many machines or a helper guiding
// someone by text: the window's own scan, its log as Make Log writes it, and an exit code that
// a caller can count.
#pragma once

#include <optional>
#include <string>

#include "app/FrmKR8.h"

namespace kr8 {

inline constexpr int kExitNothingFound = 0;
inline constexpr int kExitFound = 1;
inline constexpr int kExitFailed = 2;

// Runs Find through FrmKR8 on controls that nobody sees and message boxes that show nothing,
// and writes the log to logPath, or to kr8.log in the temporary folder. Writes nothing else: the
// registry editor's LastKey is left alone. kExitFailed when the platform is refused, when the
// log has no temporary folder to go to, or when it cannot be written; else kExitFound when the
// scan found any listed file, fixed file name, guardian key or user-agent entry.
int RunUnattendedScan(const Machine& machine, const std::optional<std::string>& logPath);

}  // namespace kr8
