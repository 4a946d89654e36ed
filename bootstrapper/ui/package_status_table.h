#pragma once
// The progress list of a run as the engine writes it: one slot per package (name and
// state), read by the progress dialog. The shared block of a product (InstanceMap) is the
// table of a real run, so that chained setups and the dialog's thread see the same
// states; MemoryStatusTable keeps one in the process (for runs under test).

#include <array>
#include <string>

#include "package_state.h"

class PackageStatusTable {
  public:
    static constexpr int kSlots = 64;
    virtual ~PackageStatusTable() = default;

    // The first slot whose name equals name without regard to case, else -1.
    virtual int FindItem(const char* name) const = 0;
    virtual void SetItemName(int index, const char* name) = 0;
    virtual std::string GetItemName(int index) const = 0;
    // Returns the previous state, -1 when the slot cannot be written.
    virtual int SetItemState(int index, int state) = 0;
    // kStateUnreadable (package_state.h) when the slot cannot be read.
    virtual int GetItemState(int index) const = 0;

    int SetItemStateByName(const char* name, int state) {
        return SetItemState(FindItem(name), state);
    }
    int GetItemStateByName(const char* name) const { return GetItemState(FindItem(name)); }
};

class MemoryStatusTable : public PackageStatusTable {
  public:
    int FindItem(const char* name) const override;
    void SetItemName(int index, const char* name) override;
    std::string GetItemName(int index) const override;
    int SetItemState(int index, int state) override;
    int GetItemState(int index) const override;

  private:
    std::array<std::string, kSlots> names_;
    std::array<int, kSlots> states_{};
};
