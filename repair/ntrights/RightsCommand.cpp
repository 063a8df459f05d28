#include "repair/ntrights/RightsCommand.h"

#include "sys/AsciiCase.h"

namespace kr8::ntrights {

std::optional<RightsCommand> ParseRightsCommand(const std::vector<std::string>& arguments) {
    RightsCommand command;
    bool haveRight = false;
    bool haveAccount = false;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
            return std::nullopt;
        }
        const std::string& flag = arguments[i];
        const std::string& value = arguments[i + 1];
        if ((flag == "+r" || flag == "-r") && !haveRight) {
            command.grant = flag == "+r";
            command.right = value;
            haveRight = true;
        } else if (flag == "-u" && !haveAccount) {
            command.account = value;
            haveAccount = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveRight || !haveAccount) {
        return std::nullopt;
    }
    return command;
}

std::optional<SidParts> WellKnownAccount(const std::string& account) {
    // S-1-5-32-544: the NT authority, the built-in domain, its administrators alias.
    if (EqualsIgnoringAsciiCase(account, "Administrators") ||
        EqualsIgnoringAsciiCase(account, "BUILTIN\\Administrators")) {
        return SidParts{5, {32, 544}};
    }
    return std::nullopt;
}

}  // namespace kr8::ntrights
