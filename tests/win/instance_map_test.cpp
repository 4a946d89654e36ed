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
    EXPECT_EQ(-1, map.GetItemState(1));
    EXPECT_EQ("", map.GetItemText(1));
    EXPECT_EQ(PS_InProgress, map.SetItemState(1, PS_Completed));

    map.SetAccessFlags(kAccessAll);
    EXPECT_EQ(PS_Completed, map.GetItemState(1));
    map.SetItemText(1, "");  // an empty text changes nothing
    EXPECT_EQ("before", map.GetItemText(1));
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
        EXPECT_EQ(-1, map.GetItemState(index));
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
