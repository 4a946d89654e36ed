#include "package_status_table.h"

#include "text_util.h"

namespace {
bool ValidIndex(int index) {
    return index >= 0 && index < PackageStatusTable::kSlots;
}
}  // namespace

int MemoryStatusTable::FindItem(const char* name) const {
    if (!name)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (EqualsNoCase(names_[i].c_str(), name))
            return i;
    }
    return -1;
}

void MemoryStatusTable::SetItemName(int index, const char* name) {
    if (ValidIndex(index) && name && *name)
        names_[index] = name;
}

std::string MemoryStatusTable::GetItemName(int index) const {
    return ValidIndex(index) ? names_[index] : std::string();
}

int MemoryStatusTable::SetItemState(int index, int state) {
    if (!ValidIndex(index))
        return -1;
    const int previous = states_[index];
    states_[index] = state;
    return previous;
}

int MemoryStatusTable::GetItemState(int index) const {
    return ValidIndex(index) ? states_[index] : kStateUnreadable;
}
