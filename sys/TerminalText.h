// Text on its way to a terminal. What the disk holds was written by the adware, and a terminal
// takes control characters as commands: one could erase a line of the report, forge another or
// retitle the window. So every C0 and C1 control, DEL and every byte that is not part of valid
// UTF-8 is shown as a visible escape: \x1b for a byte, \u009b for an encoded C1 control. A
// backslash is doubled where it would otherwise read as the start of such an escape (before
// "x", "u", a backslash or an escape), so each escape means one thing while Windows paths stay
// readable: C:\WINDOWS\system32.
#pragma once

#include <cstdio>
#include <string>

namespace kr8 {

// Our own line ends (CR LF or LF) become LF; any other CR is escaped.
std::string ForTerminal(const std::string& text);

// One line of a message: a line feed inside it is escaped too, so it cannot forge a line.
std::string ForTerminalLine(const std::string& text);

// Writes text, as ForTerminalLine shows it, and a line end.
void PrintLine(std::FILE* out, const std::string& text);

}  // namespace kr8
