// The rights tool's command line: "+r Right -u Account" grants, "-r Right -u Account" revokes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kr8::ntrights {

struct RightsCommand {
    bool grant = true;
    std::string right;
    std::string account;
};

// The command, or nothing when the arguments are not exactly one right and one account.
std::optional<RightsCommand> ParseRightsCommand(const std::vector<std::string>& arguments);

inline constexpr char kUsage[] =
    "Usage: NTrights +r Right -u Account   grants the user right to the account\n"
    "       NTrights -r Right -u Account   revokes it\n"
    "Example: NTrights +r SeDebugPrivilege -u Administrators\n";

// Exit codes.
inline constexpr int kDone = 0;
inline constexpr int kBadArguments = 1;
inline constexpr int kUnknownAccount = 2;
inline constexpr int kPolicyFailed = 3;

}  // namespace kr8::ntrights
