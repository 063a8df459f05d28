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

}  // namespace
}  // namespace kr8::ntrights
