#include "instance_map.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "child_process.h"
#include "package_state.h"

namespace {

std::string UniqueName(const char* base) {
    return std::string(base) + "_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(GetTickCount64());
}

// A raw view of a named block, to check where the fields land.
class RawView {
  public:
    explicit RawView(const std::string& name) {
        mapping_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
        if (mapping_)
            bytes_ = static_cast<unsigned char*>(
                MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 16780));
    }
    ~RawView() {
        if (bytes_)
            UnmapViewOfFile(bytes_);
        if (mapping_)
            CloseHandle(mapping_);
    }
    bool Valid() const { return bytes_ != nullptr; }
    std::int32_t Int(std::size_t offset) const {
        std::int32_t value;
        std::memcpy(&value, bytes_ + offset, sizeof(value));
        return value;
    }
    std::string Text(std::size_t offset) const {
        return reinterpret_cast<const char*>(bytes_ + offset);
    }

  private:
    HANDLE mapping_ = nullptr;
    unsigned char* bytes_ = nullptr;
};

TEST(InstanceMapTest, FieldsLandAtTheirOffsets) {
    const std::string name = UniqueName("TarvexTestLayout");
    InstanceMap map(name.c_str());
    ASSERT_TRUE(map.IsCreated());
    RawView raw(name);
    ASSERT_TRUE(raw.Valid());
    EXPECT_EQ(7, raw.Int(16776));  // accessFlags set by the creator
    EXPECT_EQ(0, raw.Int(16772));  // lock free

    EXPECT_EQ(1, map.AddInstance());
    EXPECT_TRUE(map.SetOwnerName("Owner Product"));
    EXPECT_EQ(0, map.SetItemState(5, PS_Completed));
    map.SetItemText(2, "text two");
    map.SetItemName(63, "last package");
    ASSERT_TRUE(map.TryLock(1));

    EXPECT_EQ(1, raw.Int(0));
    EXPECT_EQ("Owner Product", raw.Text(4));
    EXPECT_EQ(PS_Completed, raw.Int(132 + 5 * 4));
    EXPECT_EQ("text two", raw.Text(388 + 2 * 128));
    EXPECT_EQ("last package", raw.Text(8580 + 63 * 128));
    EXPECT_EQ(1, raw.Int(16772));
    map.Unlock();
    EXPECT_EQ(0, raw.Int(16772));
}

TEST(InstanceMapTest, SecondOpenSharesTheBlock) {
    const std::string name = UniqueName("TarvexTestShare");
    InstanceMap first(name.c_str());
    InstanceMap second(name.c_str());
    EXPECT_TRUE(first.IsCreated());
    EXPECT_FALSE(second.IsCreated());
    EXPECT_TRUE(first.SetOwnerName("First"));
    EXPECT_FALSE(second.SetOwnerName("Second"));  // only the creator names the owner
    EXPECT_EQ("First", second.GetOwnerName());
    EXPECT_EQ(1, first.AddInstance());
    EXPECT_EQ(2, second.AddInstance());
    second.SetItemName(0, "Prereq");
    EXPECT_EQ(0, first.FindItem("PREREQ"));
    EXPECT_EQ(-1, first.FindItem("Other"));
    EXPECT_EQ(0, second.SetItemStateByName("prereq", PS_InProgress));
    EXPECT_EQ(PS_InProgress, first.GetItemStateByName("Prereq"));
    EXPECT_EQ(1, second.RemoveInstance());
}

TEST(InstanceMapTest, AnotherProcessOpensTheSameBlock) {
    const std::string name = UniqueName("TarvexTestProcess");
    InstanceMap map(name.c_str());
    ASSERT_TRUE(map.IsCreated());
    map.SetOwnerName("Parent Product");
    map.AddInstance();
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, sizeof(program));
    ChildProcess child("\"" + std::string(program) + "\" --open-map " + name, "", {});
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(0, child.Wait(60000));
    EXPECT_EQ(PS_Failed, map.GetItemState(7));
    EXPECT_EQ("from child", map.GetItemText(7));
    EXPECT_EQ(2, map.AddInstance());  // the child's instance came and went
}

TEST(InstanceMapTest, AccessFlagsGateReadsAndWrites) {
    InstanceMap map(UniqueName("TarvexTestFlags").c_str());
    map.SetItemText(1, "before");
    map.SetItemState(1, PS_InProgress);

    EXPECT_EQ(7, map.SetAccessFlags(kAccessRead));  // writes stop while a child runs
    EXPECT_EQ(kAccessRead | kAccessInitialised, map.GetAccessFlags());
    EXPECT_EQ(-1, map.SetItemState(1, PS_Failed));
    map.SetItemText(1, "after");
    map.SetItemName(1, "name");
    EXPECT_EQ(PS_InProgress, map.GetItemState(1));
    EXPECT_EQ("before", map.GetItemText(1));
    EXPECT_EQ(-1, map.FindItem("name"));

    map.SetAccessFlags(kAccessWrite);
    EXPECT_EQ(kStateUnreadable, map.GetItemState(1));
    EXPECT_EQ("", map.GetItemText(1));
    EXPECT_EQ(PS_InProgress, map.SetItemState(1, PS_Completed));

    map.SetAccessFlags(kAccessAll);
    EXPECT_EQ(PS_Completed, map.GetItemState(1));
    map.SetItemText(1, "");  // an empty text changes nothing
    EXPECT_EQ("before", map.GetItemText(1));
}

// A slot in the error state and a slot that cannot be read at all are different answers.
TEST(InstanceMapTest, AnUnreadableSlotIsNotTakenForTheErrorState) {
    InstanceMap map(UniqueName("TarvexTestUnreadable").c_str());
    map.SetItemName(2, "Broken");
    EXPECT_EQ(0, map.SetItemState(2, PS_Error));
    EXPECT_EQ(PS_Error, map.GetItemStateByName("broken"));
    EXPECT_EQ(kStateUnreadable, map.GetItemStateByName("Missing"));
    map.SetAccessFlags(kAccessWrite);  // reading stopped
    EXPECT_EQ(kStateUnreadable, map.GetItemState(2));

    // A block that could not be created: its name is taken by an object of another kind.
    const std::string name = UniqueName("TarvexTestTaken");
    HANDLE squatter = CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(nullptr, squatter);
    InstanceMap none(name.c_str());
    EXPECT_FALSE(none.HasView());
    EXPECT_FALSE(none.IsCreated());
    EXPECT_EQ(kStateUnreadable, none.GetItemState(0));
    EXPECT_EQ(kStateUnreadable, none.GetItemStateByName("Broken"));
    CloseHandle(squatter);
}

// Another instance may open a new block before its creator has got round to it: what that
// instance counted and wrote stays, and the creator publishes the access flags only when
// nobody has set them, even while that instance holds the lock.
TEST(InstanceMapTest, TheCreatorKeepsWhatAnEarlyOpenerWrote) {
    struct Row {
        const char* scene;
        std::int32_t flagsBefore;
        std::int32_t lock;
        std::int32_t flagsAfter;
    };
    const Row rows[] = {
        {"the opener wrote and left", 0, 0, kAccessAll},
        {"the opener holds the lock", 0, 1, kAccessAll},
        {"the opener already stopped writes", kAccessInitialised | kAccessRead, 0,
         kAccessInitialised | kAccessRead},
    };
    for (const Row& row : rows) {
        const std::string name = UniqueName("TarvexTestEarly") + "_" + std::to_string(&row - rows);
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(SharedBlock), name.c_str());
        ASSERT_NE(nullptr, mapping);
        ASSERT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
        auto* block = static_cast<SharedBlock*>(
            MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedBlock)));
        ASSERT_NE(nullptr, block);
        block->instanceCount = 1;
        block->itemState[4] = PS_InProgress;
        std::strcpy(block->itemName[4], "Early");
        std::strcpy(block->itemText[4], "written first");
        block->lock = row.lock;
        block->accessFlags = row.flagsBefore;

        InstanceMap::InitialiseCreatedBlock(block);

        EXPECT_EQ(1, block->instanceCount) << row.scene;
        EXPECT_EQ(PS_InProgress, block->itemState[4]) << row.scene;
        EXPECT_STREQ("Early", block->itemName[4]) << row.scene;
        EXPECT_STREQ("written first", block->itemText[4]) << row.scene;
        EXPECT_EQ(row.lock, block->lock) << row.scene;
        EXPECT_EQ(row.flagsAfter, block->accessFlags) << row.scene;
        // A later open sees the same block and leaves it as it is.
        InstanceMap second(name.c_str());
        EXPECT_FALSE(second.IsCreated()) << row.scene;
        EXPECT_EQ(row.flagsAfter, second.GetAccessFlags()) << row.scene;
        EXPECT_EQ(4, second.FindItem("early")) << row.scene;
        EXPECT_EQ(2, second.AddInstance()) << row.scene;
        UnmapViewOfFile(block);
        CloseHandle(mapping);
    }
}

TEST(InstanceMapTest, LockIsBoundedAndNeverWaits) {
    InstanceMap map(UniqueName("TarvexTestLock").c_str());
    ASSERT_TRUE(map.TryLock(1));
    EXPECT_FALSE(map.TryLock(1000));
    EXPECT_EQ(-1, map.SetAccessFlags(kAccessRead));  // needs the lock
    EXPECT_EQ(kAccessAll, map.GetAccessFlags());
    map.Unlock();
    EXPECT_TRUE(map.TryLock(1));
    map.Unlock();
    EXPECT_FALSE(map.TryLock(0));
}

TEST(InstanceMapTest, SlotsOutsideTheRangeAreIgnored) {
    InstanceMap map(UniqueName("TarvexTestRange").c_str());
    for (int index : {-1, 64, 1000}) {
        EXPECT_EQ(-1, map.SetItemState(index, PS_Completed));
        EXPECT_EQ(kStateUnreadable, map.GetItemState(index));
        map.SetItemText(index, "x");
        map.SetItemName(index, "x");
        EXPECT_EQ("", map.GetItemText(index));
    }
    EXPECT_EQ(-1, map.FindItem("x"));
    EXPECT_EQ(0, map.SetItemState(63, PS_Skipped));
    EXPECT_EQ(PS_Skipped, map.GetItemState(63));
    EXPECT_EQ(-1, map.SetItemStateByName("missing", PS_Completed));
}

TEST(InstanceMapTest, OverlongTextsAreRefused) {
    InstanceMap map(UniqueName("TarvexTestLong").c_str());
    const std::string fits(127, 'a');
    const std::string tooLong(128, 'b');
    map.SetItemText(3, fits.c_str());
    map.SetItemText(3, tooLong.c_str());
    EXPECT_EQ(fits, map.GetItemText(3));
    EXPECT_FALSE(map.SetOwnerName(tooLong.c_str()));
    EXPECT_EQ("", map.GetOwnerName());
}

TEST(InstanceMapTest, UnnamedBlocksArePrivate) {
    InstanceMap first(nullptr);
    InstanceMap second(nullptr);
    EXPECT_TRUE(first.IsCreated());
    EXPECT_TRUE(second.IsCreated());
    first.SetItemName(0, "only here");
    EXPECT_EQ(0, first.FindItem("only here"));
    EXPECT_EQ(-1, second.FindItem("only here"));
    EXPECT_EQ("completed", InstanceMap::StateName(PS_Completed));
}

}  // namespace

// The second process of AnotherProcessOpensTheSameBlock: 0 when it found the parent's block.
int RunMapChild(const char* name) {
    InstanceMap map(name);
    if (map.IsCreated() || map.GetOwnerName() != "Parent Product")
        return 1;
    if (map.AddInstance() != 2)
        return 2;
    map.SetItemState(7, PS_Failed);
    map.SetItemText(7, "from child");
    return map.RemoveInstance() == 1 ? 0 : 3;
}
