// The Find scan without a window, for a script that checks many machines or a helper guiding
// someone by text: the same scan, its log as Make Log writes it, and an exit code that a caller
// can count.
#pragma once

#include <optional>
#include <string>

#include "app/FrmKR8.h"
#include "scan/ExitCodes.h"

namespace kr8 {

// Scans and writes the log to logPath, or to kr8.log in the temporary folder. Writes nothing
// else: the registry editor's LastKey is left alone. kExitFailed when the platform is refused,
// when the log has no temporary folder to go to, or when it cannot be written; else ExitCodeOf.
int RunUnattendedScan(const Machine& machine, const std::optional<std::string>& logPath);

}  // namespace kr8
