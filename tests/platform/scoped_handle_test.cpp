// The one owner of handles, device lists and Win32 resources releases each value exactly once,
// whatever moves, resets and receives come before, and holds nothing it was given invalid.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/scoped_handle.h"

namespace {

struct Releases {
    std::vector<std::uint64_t> ids;
};

// An id released through the interface that issued it, as device handles and lists are.
struct RecordingTraits : platform::IssuedIdTraits<Releases> {
    static void Release(Value value) { value.Issuer->ids.push_back(value.Id); }
};

using Handle = platform::ScopedHandle<RecordingTraits>;

// A plain value with a sentinel, as a Win32 handle with INVALID_HANDLE_VALUE beside null.
std::vector<int> g_freed;
struct SentinelTraits {
    using Value = int;
    static Value Invalid() { return 0; }
    static bool IsValid(Value value) { return value != 0 && value != -1; }
    static void Release(Value value) { g_freed.push_back(value); }
};

using Resource = platform::ScopedHandle<SentinelTraits>;

TEST(ScopedHandle, ReleasesOnceThroughDestructorOrReset) {
    Releases released;
    {
        Handle empty;
        EXPECT_FALSE(empty.Valid());
        Handle byScope({&released, 7});
        EXPECT_TRUE(byScope.Valid());
        EXPECT_EQ(byScope.Get().Id, 7u);
        Handle byReset({&released, 8});
        byReset.Reset();
        EXPECT_FALSE(byReset.Valid());
        byReset.Reset();
        Handle byResetTwice({&released, 9});
        byResetTwice.Reset();
        byResetTwice.Reset();
    }
    EXPECT_EQ(released.ids, (std::vector<std::uint64_t>{8, 9, 7}));
}

TEST(ScopedHandle, MovesCarryOwnershipAndAssignmentReleasesWhatItReplaces) {
    Releases released;
    {
        Handle first({&released, 1});
        Handle moved(std::move(first));
        EXPECT_FALSE(first.Valid());
        EXPECT_TRUE(moved.Valid());
        EXPECT_EQ(moved.Get().Id, 1u);

        Handle second({&released, 2});
        second = std::move(moved);
        EXPECT_FALSE(moved.Valid());
        EXPECT_EQ(released.ids, (std::vector<std::uint64_t>{2}));
        EXPECT_EQ(second.Get().Id, 1u);

        Handle& alias = second;
        second = std::move(alias);
        EXPECT_TRUE(second.Valid());
        EXPECT_EQ(second.Get().Id, 1u);
        EXPECT_EQ(released.ids, (std::vector<std::uint64_t>{2}));
    }
    EXPECT_EQ(released.ids, (std::vector<std::uint64_t>{2, 1}));
}

TEST(ScopedHandle, InvalidValuesAreHeldAsEmptyAndReceiveReleasesFirst) {
    g_freed.clear();
    {
        const Resource failed(-1);
        EXPECT_FALSE(failed.Valid());
        EXPECT_EQ(failed.Get(), 0);

        Resource received(5);
        *received.Receive() = 6;
        EXPECT_EQ(g_freed, (std::vector<int>{5}));
        EXPECT_TRUE(received.Valid());
        *received.Receive() = -1;
        EXPECT_FALSE(received.Valid());
        EXPECT_EQ(g_freed, (std::vector<int>{5, 6}));
    }
    EXPECT_EQ(g_freed, (std::vector<int>{5, 6}));
}

}  // namespace
