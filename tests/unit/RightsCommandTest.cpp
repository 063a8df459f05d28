#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "repair/ntrights/RightsCommand.h"

namespace kr8::ntrights {
namespace {

TEST(RightsCommand, ReadsGrantOrRevokeOfOneRightForOneAccountAndNothingElse) {
    using Args = std::vector<std::string>;
    const std::pair<Args, std::string> cases[] = {
        {{"+r", "SeDebugPrivilege", "-u", "Administrators"}, "+SeDebugPrivilege Administrators"},
        {{"-u", "Guest", "-r", "SeShutdownPrivilege"}, "-SeShutdownPrivilege Guest"},
        {{}, ""},
        {{"+r", "SeDebugPrivilege", "-u"}, ""},
        {{"+r", "", "-u", "Administrators"}, ""},
        {{"+r", "A", "-r", "B", "-u", "Administrators"}, ""},
        {{"+r", "A", "-u", "x", "-u", "y"}, ""},
        {{"+x", "A", "-u", "x"}, ""},
        {{"+r", "A", "-u", "x", "extra"}, ""},
    };
    for (const auto& [arguments, read] : cases) {
        const auto c = ParseRightsCommand(arguments);
        EXPECT_EQ(c ? (c->grant ? "+" : "-") + c->right + " " + c->account : "", read)
            << ::testing::PrintToString(arguments);
    }
}

// The group's name differs with the language of Windows; its identifier does not.
TEST(RightsCommand, NamesTheAdministratorsGroupByItsIdentifierAndOtherAccountsByName) {
    for (const char* group : {"Administrators", "administrators", "BUILTIN\\Administrators"}) {
        const auto sid = WellKnownAccount(group);
        ASSERT_TRUE(sid) << group;
        EXPECT_EQ(sid->authority, 5) << group;
        EXPECT_EQ(sid->subAuthorities, (std::vector<std::uint32_t>{32, 544})) << group;
    }
    for (const char* other : {"Users", "Administrator", "Administrators ", ""}) {
        EXPECT_FALSE(WellKnownAccount(other)) << other;
    }
}

}  // namespace
}  // namespace kr8::ntrights
