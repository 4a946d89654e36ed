#pragma once
// The records of a block that the classic event-log read call fills. Each record is laid out
// as the system stores it: a 56-byte header (all numbers little-endian), then the source and
// computer names, the user's SID, the insertion strings and the binary data, each where the
// header says, and the record's length once more at its end. The block is checked as it is
// read: no text is read past the end of its record, and no record past the end of the block,
// whatever the lengths and offsets in the headers say.

#include <cstddef>

#include "event_log_access.h"

// The size of a record's fixed header, that of the system's EVENTLOGRECORD.
constexpr std::size_t kEventRecordHeaderSize = 56;

enum class RecordBlockEnd {
    kAllRead,   // every record of the block was visited
    kStopped,   // the visitor asked to stop
    kMalformed  // a record does not hold together; the records before it were visited
};

// Hands the records of size bytes at block to visit, in their order in the block.
RecordBlockEnd VisitEventRecordBlock(const unsigned char* block, std::size_t size,
                                     const EventRecordVisitor& visit);
