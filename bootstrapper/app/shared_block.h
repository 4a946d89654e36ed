#pragma once
// The byte layout of the shared package status block. Every instance of setup that opens
// the block of a product (a main setup, its chained children and the progress dialog's
// thread) sees these bytes, so the layout is fixed: 16780 bytes, little-endian.

#include <cstddef>
#include <cstdint>

const int kSharedItemCount = 64;
const int kSharedTextSize = 128;

const std::int32_t kAccessInitialised = 1;
const std::int32_t kAccessRead = 2;
const std::int32_t kAccessWrite = 4;
const std::int32_t kAccessAll = kAccessInitialised | kAccessRead | kAccessWrite;

struct SharedBlock {
    std::int32_t instanceCount;  // interlocked increment / decrement only
    char ownerName[kSharedTextSize];
    std::int32_t itemState[kSharedItemCount];  // package states; interlocked exchange only
    char itemText[kSharedItemCount][kSharedTextSize];
    char itemName[kSharedItemCount][kSharedTextSize];
    std::int32_t lock;  // 0 free, 1 taken; interlocked exchange only
    std::int32_t accessFlags;
};

static_assert(sizeof(SharedBlock) == 16780, "shared block size");
static_assert(offsetof(SharedBlock, ownerName) == 4, "ownerName offset");
static_assert(offsetof(SharedBlock, itemState) == 132, "itemState offset");
static_assert(offsetof(SharedBlock, itemText) == 388, "itemText offset");
static_assert(offsetof(SharedBlock, itemName) == 8580, "itemName offset");
static_assert(offsetof(SharedBlock, lock) == 16772, "lock offset");
static_assert(offsetof(SharedBlock, accessFlags) == 16776, "accessFlags offset");
