// InstanceLock: one copy per game folder, and the second copy's call to the first.
#include "platform/posix/instance_lock.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

namespace advplay::platform {
namespace {

TEST(InstanceLock, SecondCopyStepsAsideAndCallsTheFirst)
{
    testing::TemporaryFolder game;
    InstanceLock first(game.path().string());
    ASSERT_TRUE(first.claim());
    EXPECT_FALSE(first.raise_requested());
    {
        InstanceLock second(game.path().string());
        EXPECT_FALSE(second.claim());
    }
    EXPECT_TRUE(first.raise_requested());
    EXPECT_FALSE(first.raise_requested());
}

TEST(InstanceLock, OtherGamesAndLaterCopiesRun)
{
    testing::TemporaryFolder one;
    testing::TemporaryFolder two;
    {
        InstanceLock first(one.path().string());
        ASSERT_TRUE(first.claim());
        InstanceLock other_game(two.path().string());
        EXPECT_TRUE(other_game.claim());
    }
    // The first copy has ended: the game is free again.
    InstanceLock again(one.path().string());
    EXPECT_TRUE(again.claim());
}

} // namespace
} // namespace advplay::platform
