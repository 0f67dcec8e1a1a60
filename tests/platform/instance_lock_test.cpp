// InstanceLock: one copy per game folder, and the second copy's call to the first.
#include "platform/posix/instance_lock.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

// The lock and the socket live while the copy runs, and go with it: a lock file left for every game
// ever played would fill the runtime folder (or /tmp, where there is none).
TEST(InstanceLock, LeavesNothingBehindInTheRuntimeFolder)
{
    testing::TemporaryFolder game;
    testing::TemporaryFolder runtime;
    char const* const previous = std::getenv("XDG_RUNTIME_DIR");
    std::string const kept = previous ? previous : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    auto const entries = [&runtime] {
        std::vector<std::string> names;
        for (auto const& entry : std::filesystem::directory_iterator(runtime.path()))
            names.push_back(entry.path().extension().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    {
        InstanceLock first(game.path().string());
        ASSERT_TRUE(first.claim());
        EXPECT_EQ(entries(), (std::vector<std::string> { ".lock", ".sock" }));
        InstanceLock second(game.path().string());
        EXPECT_FALSE(second.claim());
    }
    EXPECT_TRUE(entries().empty());
    // A later copy makes the lock anew.
    {
        InstanceLock again(game.path().string());
        EXPECT_TRUE(again.claim());
        InstanceLock another(game.path().string());
        EXPECT_FALSE(another.claim());
    }
    EXPECT_TRUE(entries().empty());
    if (previous)
        ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
} // namespace advplay::platform
