// The owner of device handles and device lists releases each id exactly once, whatever moves,
// resets and takes come before.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/owned_handle.h"

namespace {

struct Releases {
    std::vector<std::uint64_t> ids;
};

struct RecordingTraits {
    using Owner = Releases;
    static void Release(Releases& owner, std::uint64_t id) { owner.ids.push_back(id); }
};

using Handle = platform::OwnedHandle<RecordingTraits>;

TEST(OwnedHandle, ReleasesOnceThroughDestructorResetOrClose) {
    Releases released;
    {
        Handle empty;
        EXPECT_FALSE(empty.Valid());
        Handle byScope(&released, 7);
        EXPECT_TRUE(byScope.Valid());
        EXPECT_EQ(byScope.Id(), 7u);
        Handle byReset(&released, 8);
        byReset.Reset();
        EXPECT_FALSE(byReset.Valid());
        byReset.Reset();
        Handle byClose(&released, 9);
        byClose.Close();
        byClose.Close();
    }
    EXPECT_EQ(released.ids, (std::vector<std::uint64_t>{8, 9, 7}));
}

TEST(OwnedHandle, MovesCarryOwnershipAndAssignmentReleasesWhatItReplaces) {
    Releases released;
    {
        Handle first(&released, 1);
        Handle moved(std::move(first));
        EXPECT_FALSE(first.Valid());
        EXPECT_TRUE(moved.Valid());
        EXPECT_EQ(moved.Id(), 1u);

        Handle second(&released, 2);
        second = std::move(moved);
        EXPECT_EQ(released.ids, (std::vector<std::uint64_t>{2}));
        EXPECT_EQ(second.Id(), 1u);

        Handle& alias = second;
        second = std::move(alias);
        EXPECT_TRUE(second.Valid());
        EXPECT_EQ(second.Id(), 1u);
        EXPECT_EQ(released.ids, (std::vector<std::uint64_t>{2}));
    }
    EXPECT_EQ(released.ids, (std::vector<std::uint64_t>{2, 1}));
}

TEST(OwnedHandle, TakeGivesTheIdAwayWithoutReleasingIt) {
    Releases released;
    {
        Handle handle(&released, 5);
        EXPECT_EQ(handle.Take(), 5u);
        EXPECT_FALSE(handle.Valid());
        EXPECT_EQ(handle.Id(), 0u);
    }
    EXPECT_TRUE(released.ids.empty());
}

}  // namespace
