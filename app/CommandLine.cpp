#include "app/CommandLine.h"

#include "app/Texts.h"
#include "sys/AsciiCase.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace kr8 {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The arguments after the program name, split as the system's CommandLineToArgvW splits them.
// Only ASCII characters delimit, so UTF-8 passes through whole.
std::vector<std::string> Arguments(const std::string& line) {
    const std::size_t end = line.size();
    std::size_t i = 0;
    // The program name ends at the next quote when it starts with one, else at the first blank;
    // nothing in it escapes anything.
    if (i < end && line[i] == '"') {
        const std::size_t close = line.find('"', 1);
        i = close == std::string::npos ? end : close + 1;
    } else {
        while (i < end && !IsBlank(line[i])) {
            ++i;
        }
    }

    std::vector<std::string> arguments;
    for (;;) {
        while (i < end && IsBlank(line[i])) {
            ++i;
        }
        if (i == end) {
            return arguments;
        }
        std::string argument;
        // 0 outside quotes, 1 inside; a run of quotes counts on to 2 and 3 before it settles.
        int quotes = 0;
        while (i < end && (quotes != 0 || !IsBlank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t backslashes = 0;
                while (i < end && line[i] == '\\') {
                    ++backslashes;
                    ++i;
                }
                // Backslashes are literal unless a quote follows: then each pair is one
                // backslash, and an odd one out makes the quote a literal one.
                if (i == end || line[i] != '"') {
                    argument.append(backslashes, '\\');
                    continue;
                }
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 != 0) {
                    argument += '"';
                    ++i;
                    continue;
                }
            }
            if (line[i] == '"') {
                // The third quote of a run (the opening one included) is a literal quote; a run
                // that stops on its second one closes the quoted part.
                while (i < end && line[i] == '"') {
                    if (++quotes == 3) {
                        argument += '"';
                        quotes = 0;
                    }
                    ++i;
                }
                if (quotes == 2) {
                    quotes = 0;
                }
                continue;
            }
            argument += line[i++];
        }
        arguments.push_back(argument);
    }
}

bool IsSwitch(const std::string& argument) {
    return !argument.empty() && (argument[0] == '/' || argument[0] == '-');
}

// Whether the argument is the switch of that name, "/" or "-" first, in any letter case.
bool IsSwitchNamed(const std::string& argument, std::string_view name) {
    return IsSwitch(argument) &&
           EqualsIgnoringAsciiCase(std::string_view(argument).substr(1), name);
}

}  // namespace

CommandLine ParseCommandLine(const std::string& commandLine) {
    CommandLine result;
    const std::vector<std::string> arguments = Arguments(commandLine);
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        // The switches that take a path, each with where its path goes.
        std::optional<std::string>* path = nullptr;
        for (auto [name, place] : {std::pair{text::kLogSwitch, &result.logPath},
                                   std::pair{text::kRestoreSwitch, &result.restoreFolder},
                                   std::pair{text::kOfflineSwitch, &result.offlineFolder}}) {
            if (IsSwitchNamed(argument, name) && !*place) {
                path = place;
            }
        }
        if (IsSwitchNamed(argument, text::kScanSwitch) && !result.scan) {
            result.scan = true;
        } else if (path != nullptr) {
            // A switch where the path belongs means that the path was left out, not that the
            // log goes to a file called "/scan".
            if (k + 1 < arguments.size() && !arguments[k + 1].empty() &&
                !IsSwitch(arguments[k + 1])) {
                *path = arguments[++k];
            } else {
                result.usageError = true;
            }
        } else {
            result.usageError = true;
        }
    }
    // Only the unattended scan writes a log of its own, and a restore is no scan.
    if ((result.logPath && !result.scan) || (result.restoreFolder && result.scan)) {
        result.usageError = true;
    }
    return result;
}

}  // namespace kr8
