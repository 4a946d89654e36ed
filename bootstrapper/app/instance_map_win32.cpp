#include "instance_map.h"

#include <windows.h>

#include <cstring>

#include "log_file.h"
#include "package_state.h"
#include "str_util.h"
#include "system_error.h"
#include "text_util.h"

namespace {

volatile LONG* AsLong(std::int32_t* field) {
    return reinterpret_cast<volatile LONG*>(field);
}

bool ValidIndex(int index) {
    return index >= 0 && index < kSharedItemCount;
}

std::string BoundedText(const char* field) {
    return std::string(field, strnlen(field, kSharedTextSize));
}

}  // namespace

InstanceMap::InstanceMap(const char* name) : named_(name != nullptr) {
    if (name)
        name_ = name;
    SetLastError(ERROR_SUCCESS);  // "already exists" must come from this call only
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(SharedBlock), named_ ? name_.c_str() : nullptr);
    const DWORD createError = GetLastError();
    if (!mapping) {
        Log().Error("Could not create file mapping object: error code %lu (%s)", createError,
                    SystemErrorText(createError).c_str());
        return;
    }
    mapping_ = mapping;
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedBlock));
    if (!view) {
        const DWORD code = GetLastError();
        Log().Error("Could not map view of file (%lu): %s", code, SystemErrorText(code).c_str());
        return;
    }
    view_ = static_cast<SharedBlock*>(view);
    created_ = createError != ERROR_ALREADY_EXISTS;
    if (created_)
        InitialiseCreatedBlock(view_);  // an opener takes the block as it is
}

// The block is visible to other processes from the moment the mapping exists, and one of
// them may already have opened it and counted its instance or written a slot. The system
// hands out a new page-file-backed mapping zero-filled, so the creator clears nothing; it
// only publishes the access flags, and only when nobody has set them yet. The exchange is
// atomic and needs no lock: a lock word that an early opener happens to hold must not leave
// the block without flags, unreadable for every instance.
void InstanceMap::InitialiseCreatedBlock(SharedBlock* block) {
    InterlockedCompareExchange(AsLong(&block->accessFlags), kAccessAll, 0);
}

InstanceMap::~InstanceMap() {
    if (view_)
        UnmapViewOfFile(view_);
    if (mapping_)
        CloseHandle(static_cast<HANDLE>(mapping_));
}

bool InstanceMap::CanRead() const {
    return view_ && (view_->accessFlags & kAccessRead);
}
bool InstanceMap::CanWrite() const {
    return view_ && (view_->accessFlags & kAccessWrite);
}

int InstanceMap::AddInstance() {
    return view_ ? static_cast<int>(InterlockedIncrement(AsLong(&view_->instanceCount))) : 0;
}

int InstanceMap::RemoveInstance() {
    return view_ ? static_cast<int>(InterlockedDecrement(AsLong(&view_->instanceCount))) : 0;
}

bool InstanceMap::SetOwnerName(const char* text) {
    if (!created_ || !CanWrite() || !text)
        return false;
    StrNCopy(view_->ownerName, text);
    return view_->ownerName[0] != '\0';
}

std::string InstanceMap::GetOwnerName() const {
    return view_ ? BoundedText(view_->ownerName) : std::string();
}

int InstanceMap::FindItem(const char* name) const {
    if (!view_ || !name)
        return -1;
    for (int i = 0; i < kSharedItemCount; ++i) {
        if (EqualsNoCase(BoundedText(view_->itemName[i]).c_str(), name))
            return i;
    }
    return -1;
}

void InstanceMap::SetItemName(int index, const char* name) {
    if (ValidIndex(index) && CanWrite() && name && *name)
        StrNCopy(view_->itemName[index], name);
}

int InstanceMap::SetItemState(int index, int state) {
    if (!ValidIndex(index) || !CanWrite())
        return -1;
    return static_cast<int>(InterlockedExchange(AsLong(&view_->itemState[index]), state));
}

int InstanceMap::GetItemState(int index) const {
    if (!ValidIndex(index) || !CanRead())
        return kStateUnreadable;
    return view_->itemState[index];
}

std::string InstanceMap::GetItemName(int index) const {
    if (!ValidIndex(index) || !CanRead())
        return std::string();
    return BoundedText(view_->itemName[index]);
}

void InstanceMap::SetItemText(int index, const char* text) {
    if (ValidIndex(index) && CanWrite() && text && *text)
        StrNCopy(view_->itemText[index], text);
}

std::string InstanceMap::GetItemText(int index) const {
    if (!ValidIndex(index) || !CanRead())
        return std::string();
    return BoundedText(view_->itemText[index]);
}

void InstanceMap::SetItemTextByName(const char* name, const char* text) {
    SetItemText(FindItem(name), text);
}

bool InstanceMap::TryLock(int attempts) {
    if (!view_)
        return false;
    for (int i = 0; i < attempts; ++i) {
        if (InterlockedExchange(AsLong(&view_->lock), 1) == 0)
            return true;
    }
    return false;
}

void InstanceMap::Unlock() {
    if (view_)
        InterlockedExchange(AsLong(&view_->lock), 0);
}

int InstanceMap::SetAccessFlags(int flags) {
    if (!view_ || !TryLock(1))
        return -1;
    const int previous = view_->accessFlags;
    view_->accessFlags = flags | kAccessInitialised;
    Unlock();
    return previous;
}

int InstanceMap::GetAccessFlags() const {
    return view_ ? view_->accessFlags : 0;
}

std::string InstanceMap::StateName(int state) {
    return ::StateName(state);
}
