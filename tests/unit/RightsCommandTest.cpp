#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "repair/ntrights/RightsCommand.h"

namespace kr8::ntrights {
namespace {

TEST(RightsCommand, ReadsGrantAndRevokeInEitherOrder) {
    const auto grant = ParseRightsCommand({"+r", "SeDebugPrivilege", "-u", "Administrators"});
    ASSERT_TRUE(grant);
    EXPECT_TRUE(grant->grant);
    EXPECT_EQ(grant->right, "SeDebugPrivilege");
    EXPECT_EQ(grant->account, "Administrators");
    const auto revoke = ParseRightsCommand({"-u", "Guest", "-r", "SeShutdownPrivilege"});
    ASSERT_TRUE(revoke);
    EXPECT_FALSE(revoke->grant);
    EXPECT_EQ(revoke->right, "SeShutdownPrivilege");
    EXPECT_EQ(revoke->account, "Guest");
}

TEST(RightsCommand, RefusesAnythingElse) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"+r", "SeDebugPrivilege"},
        {"-u", "Administrators"},
        {"+r", "SeDebugPrivilege", "-u"},
        {"+r", "", "-u", "Administrators"},
        {"+r", "A", "-r", "B", "-u", "Administrators"},
        {"+r", "A", "-u", "x", "-u", "y"},
        {"+x", "A", "-u", "x"},
        {"+r", "A", "-u", "x", "extra"},
    };
    for (const auto& arguments : bad) {
        EXPECT_FALSE(ParseRightsCommand(arguments)) << ::testing::PrintToString(arguments);
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
    for (const char* other : {"Users", "Administrator", "Administratoren", "Administrators ", ""}) {
        EXPECT_FALSE(WellKnownAccount(other)) << other;
    }
}

}  // namespace
}  // namespace kr8::ntrights
