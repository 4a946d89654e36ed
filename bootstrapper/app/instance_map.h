#pragma once
// InstanceMap: the named shared-memory block through which the instances of setup of one
// product see each other: the instance count and owner name of the single-instance
// guard, and the 64 package slots (name, state, text) that the engine writes and the
// progress dialog reads.

#include <string>

#include "package_status_table.h"
#include "shared_block.h"

class InstanceMap : public PackageStatusTable {
  public:
    // Creates or opens the page-file-backed mapping of that name (null: a private,
    // unnamed block). Failures are logged and leave the map without a view.
    explicit InstanceMap(const char* name);
    ~InstanceMap();
    InstanceMap(const InstanceMap&) = delete;
    InstanceMap& operator=(const InstanceMap&) = delete;

    bool IsCreated() const { return created_; }
    bool HasView() const { return view_ != nullptr; }

    int AddInstance();
    int RemoveInstance();
    bool SetOwnerName(const char* text);
    std::string GetOwnerName() const;

    int FindItem(const char* name) const override;
    void SetItemName(int index, const char* name) override;
    std::string GetItemName(int index) const override;
    int SetItemState(int index, int state) override;
    int GetItemState(int index) const override;
    void SetItemText(int index, const char* text);
    std::string GetItemText(int index) const;
    void SetItemTextByName(const char* name, const char* text);

    bool TryLock(int attempts);
    void Unlock();
    int SetAccessFlags(int flags);
    int GetAccessFlags() const;

    static std::string StateName(int state);

    // What the creator of a block does to it, once, right after creating it: publish the
    // access flags, keeping everything else that is already in the block.
    static void InitialiseCreatedBlock(SharedBlock* block);

  private:
    bool CanRead() const;
    bool CanWrite() const;

    SharedBlock* view_ = nullptr;
    std::string name_;
    bool named_ = false;
    void* mapping_ = nullptr;
    bool created_ = false;
};
