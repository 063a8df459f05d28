// The findings log as Make Log writes it, and as the unattended scan writes it, byte for byte.
#pragma once

#include <string>

namespace kr8 {

// The header, a blank line, the report and a line end. A report of plain ASCII keeps one byte a
// character, as the log always had; any other report is written as UTF-16 with a byte-order
// mark, which Notepad on every Windows reads, so that each name in it stays exactly as found.
std::string LogFileBytes(const std::string& report);

}  // namespace kr8
