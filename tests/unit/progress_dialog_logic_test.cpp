// The parts of the progress dialog that need no window: how high the list is, what each row
// shows for the state read from the shared block, the cancel, and the refresh thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "log_capture.h"
#include "package_state.h"
#include "package_status_table.h"
#include "periodic_thread.h"
#include "progress_cancel.h"
#include "progress_layout.h"
#include "progress_rows.h"
#include "property_store.h"

namespace {

TEST(ProgressLayoutTest, ThreeToTenRowsThenTheListScrolls) {
    struct Case {
        int rows;
        int visible;
        bool scrolls;
    } const cases[] = {{0, 3, false},  {1, 3, false}, {2, 3, false},   {3, 3, false},
                       {4, 4, false},  {9, 9, false}, {10, 10, false}, {11, 10, true},
                       {16, 10, true}, {64, 10, true}};
    const ListMetrics metrics{17, 21, 4};
    for (const Case& c : cases) {
        EXPECT_EQ(c.visible, VisibleRowCount(c.rows)) << c.rows;
        EXPECT_EQ(c.scrolls, ListScrolls(c.rows)) << c.rows;
        EXPECT_EQ(4 + 21 + 17 * c.visible, ListHeight(c.rows, metrics)) << c.rows;
    }
}

// The status table as the dialog leaves it after loading its icons: icon i at index 10 + i.
class ProgressRowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int state = PS_None; state <= PS_Preprocessed; ++state)
            FindProgressStatus(state)->imageIndex = 10 + state;
    }
    void TearDown() override {
        for (int state = PS_None; state <= PS_Preprocessed; ++state) {
            FindProgressStatus(state)->imageIndex = -1;
            FindProgressStatus(state)->overrideText[0] = '\0';
        }
    }
    static void Override(int state, const char* text) {
        std::snprintf(FindProgressStatus(state)->overrideText,
                      sizeof(FindProgressStatus(state)->overrideText), "%s", text);
    }
};

TEST_F(ProgressRowsTest, EachStateShowsItsTextAndItsIcon) {
    struct Case {
        int state;
        const char* text;
        int icon;  // the state whose image the row shows: states that share an icon share it
    } const cases[] = {{PS_None, "", PS_None},
                       {PS_InProgress, "In progress...", PS_InProgress},
                       {PS_Completed, "Completed", PS_Completed},
                       {PS_Failed, "Failed", PS_Failed},
                       {PS_Skipped, "Skipped", PS_Skipped},
                       {PS_Canceled, "Canceled", PS_Canceled},
                       {PS_Preprocessing, "Preprocessing...", PS_Preprocessing},
                       {PS_Preprocessed, "Preprocessed", PS_Preprocessed}};
    for (const Case& c : cases) {
        ProgressRows rows;
        rows.Add("Runtime", "1.0", c.state == PS_None ? PS_Completed : PS_None);
        EXPECT_EQ(std::vector<int>{0}, rows.Apply({{c.state, "slot text"}})) << c.state;
        const ProgressRow& row = rows.Rows()[0];
        EXPECT_EQ(c.state, row.state);
        EXPECT_EQ(c.text, row.display.text) << c.state;
        EXPECT_EQ(10 + c.icon, row.display.imageIndex) << c.state;
        EXPECT_EQ("slot text", row.slotText);
    }
    // A skipped package shows the icon of resource 137.
    EXPECT_EQ(137, FindProgressStatus(PS_Skipped)->iconResource);
}

TEST_F(ProgressRowsTest, OnlyChangedRowsAreRedrawnAndUnreadableSlotsKeepTheirRow) {
    ProgressRows rows;
    rows.Add("Runtime", "1.0", PS_None);
    rows.Add("Suite", "2.0", PS_None);
    rows.Add("Package Integrity Check", "", PS_None);
    EXPECT_EQ((std::vector<int>{0, 2}),
              rows.Apply({{PS_InProgress, ""}, {PS_None, ""}, {PS_Skipped, ""}}));
    EXPECT_TRUE(rows.Apply({{PS_InProgress, ""}, {PS_None, ""}, {PS_Skipped, ""}}).empty());
    // A slot that cannot be read, and a row beyond the readings, keep what they show.
    EXPECT_EQ(std::vector<int>{1}, rows.Apply({{kStateUnreadable, ""}, {PS_Completed, ""}}));
    EXPECT_EQ("In progress...", rows.Rows()[0].display.text);
    EXPECT_EQ(PS_InProgress, rows.Rows()[0].state);
    EXPECT_EQ("Skipped", rows.Rows()[2].display.text);
    EXPECT_EQ("Runtime", rows.Rows()[0].name);
    EXPECT_EQ("2.0", rows.Rows()[1].version);
}

TEST_F(ProgressRowsTest, TheRowInProgressIsTheLastOneInProgress) {
    ProgressRows rows;
    for (const char* name : {"A", "B", "C", "D"}) rows.Add(name, "", PS_None);
    EXPECT_EQ(-1, rows.RowInProgress());
    rows.Apply({{PS_InProgress, ""}, {PS_Completed, ""}, {PS_InProgress, ""}, {PS_None, ""}});
    EXPECT_EQ(2, rows.RowInProgress());
    rows.Apply({{PS_Completed, ""}, {PS_Completed, ""}, {PS_Completed, ""}, {PS_Canceled, ""}});
    EXPECT_EQ(-1, rows.RowInProgress());
}

// An override set while the state stays shows at the next refresh; a state outside the table
// shows nothing and is logged once, not at every refresh.
TEST_F(ProgressRowsTest, OverrideTextAndStatesWithoutARow) {
    ProgressRows rows;
    rows.Add("Old version", "1.0", PS_None);
    rows.Add("Odd", "", PS_None);
    rows.Apply({{PS_Preprocessed, ""}, {PS_None, ""}});
    EXPECT_EQ("Preprocessed", rows.Rows()[0].display.text);
    Override(PS_Preprocessed, "Version uninstalled");
    EXPECT_EQ(std::vector<int>{0}, rows.Apply({{PS_Preprocessed, ""}, {PS_None, ""}}));
    EXPECT_EQ("Version uninstalled", rows.Rows()[0].display.text);
    EXPECT_EQ(10 + PS_Preprocessed, rows.Rows()[0].display.imageIndex);

    LogCapture log;
    const int errors = Log().GetErrorCount();
    EXPECT_EQ(std::vector<int>{1}, rows.Apply({{PS_Preprocessed, ""}, {8, ""}}));
    for (int turn = 0; turn < 5; ++turn) rows.Apply({{PS_Preprocessed, ""}, {8, ""}});
    EXPECT_EQ("", rows.Rows()[1].display.text);
    EXPECT_EQ(-1, rows.Rows()[1].display.imageIndex);
    EXPECT_EQ(errors + 1, Log().GetErrorCount());
    EXPECT_TRUE(log.Contains("Error retrieving progress status by index '8'"));
    // Back to a state of the table, it shows again.
    EXPECT_EQ(std::vector<int>{1}, rows.Apply({{PS_Preprocessed, ""}, {PS_Failed, ""}}));
    EXPECT_EQ("Failed", rows.Rows()[1].display.text);
}

TEST(ProgressCancelTest, QuitIsCancelAndOnlyWaitingSlotsTurnCanceled) {
    PropertyStore properties;
    MemoryStatusTable table;
    const int states[] = {PS_InProgress, PS_Completed, PS_None,  PS_Failed,
                          PS_Skipped,    PS_None,      PS_Error, PS_Preprocessing};
    for (int slot = 0; slot < 8; ++slot) table.SetItemState(slot, states[slot]);
    CancelRun(properties, &table);
    EXPECT_EQ("Cancel", properties.Get("Quit"));
    for (int slot = 0; slot < 8; ++slot) {
        const int expected = states[slot] == PS_None ? PS_Canceled : states[slot];
        EXPECT_EQ(expected, table.GetItemState(slot)) << slot;
    }
    EXPECT_EQ(PS_Canceled, table.GetItemState(PackageStatusTable::kSlots - 1));

    // Without a status block the run is still told to stop.
    PropertyStore alone;
    alone.Set("Quit", "Normal", true);
    CancelRun(alone, nullptr);
    EXPECT_EQ("Cancel", alone.Get("Quit"));
}

bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 5000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return condition();
}

TEST(PeriodicThreadTest, TicksUntilStoppedAndNotAfter) {
    std::atomic<int> ticks{0};
    PeriodicThread thread;
    ASSERT_TRUE(thread.Start(std::chrono::milliseconds(1), [&] { ++ticks; }));
    EXPECT_TRUE(thread.Running());
    // A second start while it runs starts nothing more.
    std::atomic<int> other{0};
    EXPECT_TRUE(thread.Start(std::chrono::milliseconds(1), [&] { ++other; }));
    EXPECT_TRUE(WaitUntil([&] { return ticks >= 3; }));
    thread.Stop();
    EXPECT_FALSE(thread.Running());
    const int afterStop = ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(afterStop, ticks.load());
    EXPECT_EQ(0, other.load());
    thread.Stop();  // stopping again does nothing
}

// Stop returns only once the thread has ended: a turn that is under way is finished first,
// so that nothing it uses may go away under it.
TEST(PeriodicThreadTest, StopWaitsForTheTurnUnderWay) {
    std::atomic<bool> entered{false};
    std::atomic<bool> left{false};
    PeriodicThread thread;
    ASSERT_TRUE(thread.Start(std::chrono::milliseconds(1), [&] {
        if (entered.exchange(true))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        left = true;
    }));
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
    thread.Stop();
    EXPECT_TRUE(left);
}

// Stop wakes the thread in its wait: with an interval of an hour the test would hang
// otherwise. The destructor stops a thread that is still running.
TEST(PeriodicThreadTest, StopDoesNotWaitOutTheInterval) {
    std::atomic<int> ticks{0};
    {
        PeriodicThread thread;
        ASSERT_TRUE(thread.Start(std::chrono::hours(1), [&] { ++ticks; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // into its wait
        thread.Stop();
        EXPECT_FALSE(thread.Running());
        EXPECT_EQ(0, ticks.load());
        // Started again after a stop, it runs again.
        ASSERT_TRUE(thread.Start(std::chrono::milliseconds(1), [&] { ++ticks; }));
        EXPECT_TRUE(WaitUntil([&] { return ticks >= 1; }));
    }
    const int afterDestruction = ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(afterDestruction, ticks.load());
}

}  // namespace
