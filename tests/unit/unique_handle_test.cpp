#include "unique_handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

std::vector<int> g_closed;

// Handles are ints; -1 means none, as INVALID_HANDLE_VALUE does for file handles, so that 0
// must count as a live handle.
struct FakeTraits {
    using Handle = int;
    static Handle Invalid() { return -1; }
    static void Close(Handle handle) { g_closed.push_back(handle); }
};
using FakeHandle = UniqueHandle<FakeTraits>;

class UniqueHandleTest : public ::testing::Test {
  protected:
    void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueHandleTest, ClosesEachLiveHandleOnceAndNeverTheInvalidValue) {
    {
        FakeHandle none;
        EXPECT_FALSE(none.Valid());
        EXPECT_EQ(-1, none.Get());
        FakeHandle failed(-1);
        EXPECT_FALSE(failed.Valid());
        FakeHandle zero(0);
        EXPECT_TRUE(zero.Valid());
    }
    EXPECT_EQ(std::vector<int>{0}, g_closed);
}

TEST_F(UniqueHandleTest, ResetAndOutCloseWhatWasHeld) {
    FakeHandle handle(3);
    handle.Reset(4);
    EXPECT_EQ(std::vector<int>{3}, g_closed);
    EXPECT_EQ(4, handle.Get());

    int* out = handle.Out();
    EXPECT_EQ((std::vector<int>{3, 4}), g_closed);
    EXPECT_EQ(-1, *out);
    *out = 5;  // as a call that hands out a handle does
    EXPECT_EQ(5, handle.Get());

    handle.Reset();
    EXPECT_FALSE(handle.Valid());
    handle.Reset();
    EXPECT_EQ((std::vector<int>{3, 4, 5}), g_closed);
}

TEST_F(UniqueHandleTest, ReleaseAndMoveHandOverWithoutClosing) {
    {
        FakeHandle first(7);
        EXPECT_EQ(7, first.Release());
        EXPECT_FALSE(first.Valid());

        FakeHandle second(8);
        FakeHandle third(std::move(second));
        EXPECT_FALSE(second.Valid());
        EXPECT_EQ(8, third.Get());

        FakeHandle fourth(9);
        fourth = std::move(third);  // 9 is closed, 8 moves on
        EXPECT_EQ(std::vector<int>{9}, g_closed);
        EXPECT_EQ(8, fourth.Get());
    }
    EXPECT_EQ((std::vector<int>{9, 8}), g_closed);
}

}  // namespace
