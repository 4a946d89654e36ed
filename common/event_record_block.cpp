#include "event_record_block.h"

#include <cstdint>
#include <cstring>

namespace {

// Offsets of the header's fields that are read.
const std::size_t kLength = 0;
const std::size_t kRecordNumber = 8;
const std::size_t kTimeGenerated = 12;
const std::size_t kEventId = 20;
const std::size_t kEventType = 24;
const std::size_t kNumStrings = 26;
const std::size_t kStringOffset = 36;
const std::size_t kDataOffset = 52;

std::uint32_t Dword(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint16_t Word(const unsigned char* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

// The text at offset up to its terminating zero or to end, whichever comes first; the
// offset just past it (past the zero when there is one) in next.
std::string TextAt(const unsigned char* record, std::size_t offset, std::size_t end,
                   std::size_t* next) {
    const char* start = reinterpret_cast<const char*>(record + offset);
    const void* zero = std::memchr(start, '\0', end - offset);
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - start) : end - offset;
    *next = offset + length + (zero ? 1 : 0);
    return std::string(start, length);
}

// Decodes one record of length bytes (already checked against the block). False when its
// strings do not start inside it.
bool DecodeRecord(const unsigned char* raw, std::size_t length, EventRecord* record) {
    const std::size_t stringOffset = Dword(raw + kStringOffset);
    if (stringOffset < kEventRecordHeaderSize || stringOffset > length)
        return false;
    record->number = Dword(raw + kRecordNumber);
    record->generated = Dword(raw + kTimeGenerated);
    record->type = Word(raw + kEventType);
    record->fullEventId = Dword(raw + kEventId);
    record->eventId = record->fullEventId & 0xFFFF;
    std::size_t next = 0;
    record->source = TextAt(raw, kEventRecordHeaderSize, length, &next);
    // The strings end where the binary data begins; a data offset that is not past the
    // strings inside the record is not trusted, and the record's end bounds them instead. A
    // record that names more strings than it holds yields those it holds.
    const std::size_t dataOffset = Dword(raw + kDataOffset);
    const std::size_t stringsEnd =
        dataOffset >= stringOffset && dataOffset <= length ? dataOffset : length;
    const unsigned count = Word(raw + kNumStrings);
    for (std::size_t offset = stringOffset; record->strings.size() < count && offset < stringsEnd;
         offset = next)
        record->strings.push_back(TextAt(raw, offset, stringsEnd, &next));
    return true;
}

}  // namespace

RecordBlockEnd VisitEventRecordBlock(const unsigned char* block, std::size_t size,
                                     const EventRecordVisitor& visit) {
    for (std::size_t offset = 0; offset < size;) {
        const std::size_t left = size - offset;
        if (left < kEventRecordHeaderSize)
            return RecordBlockEnd::kMalformed;
        const unsigned char* raw = block + offset;
        const std::size_t length = Dword(raw + kLength);
        EventRecord record;
        if (length < kEventRecordHeaderSize || length > left || !DecodeRecord(raw, length, &record))
            return RecordBlockEnd::kMalformed;
        if (!visit(record))
            return RecordBlockEnd::kStopped;
        offset += length;
    }
    return RecordBlockEnd::kAllRead;
}
