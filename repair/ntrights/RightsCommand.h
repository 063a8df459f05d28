// The rights tool's command line: "+r Right -u Account" grants, "-r Right -u Account" revokes.
#pragma once

#include <cstdint>
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

// A security identifier: its identifier authority and sub-authorities.
struct SidParts {
    std::uint8_t authority = 0;
    std::vector<std::uint32_t> subAuthorities;
};

// The identifier of an account that every Windows has under a name of its own language, such as
// the built-in Administrators group ("Administratoren" on a German Windows): looking that name
// up would fail there. Nothing for any other account, which is looked up by its name.
std::optional<SidParts> WellKnownAccount(const std::string& account);

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
