// The program's command line: none starts the window; "/scan [/log <path>]" runs the Find scan
// unattended, for a script or a helper who cannot click through the window; "/restore <folder>"
// puts back what a backup folder holds, as the window's system menu does. "/offline <folder>"
// before any of these has them act on the Windows in that folder instead of the running one.
#pragma once

#include <optional>
#include <string>

namespace kr8 {

struct CommandLine {
    // "/scan" was given, even on a command line that is wrong otherwise: a script that asked
    // for the unattended scan must never meet a box.
    bool scan = false;
    // An unknown switch, a "/log" without its path, a switch given twice, or any other argument.
    bool usageError = false;
    // The path after "/log"; nothing when it was not given.
    std::optional<std::string> logPath;
    // The backup folder after "/restore"; nothing when it was not given.
    std::optional<std::string> restoreFolder;
    // The Windows folder after "/offline"; nothing when it was not given.
    std::optional<std::string> offlineFolder;
};

// Reads the whole command line as the process got it, program name first, in UTF-8. It is split
// into arguments by the rules every Windows program's own start-up code applies, so that what a
// caller quoted in its shell arrives as one argument; switches start with "/" or "-" and are
// matched without regard to case.
CommandLine ParseCommandLine(const std::string& commandLine);

}  // namespace kr8
