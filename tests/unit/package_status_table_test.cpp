#include "package_status_table.h"

#include <gtest/gtest.h>

namespace {

// A package in the error state and a slot that cannot be read are different answers.
TEST(MemoryStatusTableTest, AnUnreadableSlotIsNotTakenForTheErrorState) {
    MemoryStatusTable table;
    table.SetItemName(3, "Broken");
    EXPECT_EQ(PS_None, table.SetItemState(3, PS_Error));
    EXPECT_EQ(PS_Error, table.GetItemStateByName("BROKEN"));
    EXPECT_EQ(kStateUnreadable, table.GetItemStateByName("Missing"));
    for (int index : {-1, PackageStatusTable::kSlots, 1000})
        EXPECT_EQ(kStateUnreadable, table.GetItemState(index)) << index;
    EXPECT_EQ(PS_None, table.GetItemState(PackageStatusTable::kSlots - 1));
}

}  // namespace
