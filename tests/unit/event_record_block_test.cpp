// Records as the event-log read call hands them out, built byte by byte: what is decoded from
// them, and that a block whose lengths and offsets lie is refused without a read past a
// record or past the block (the sanitizers see every byte outside the vector).

#include "event_record_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct RawRecord {
    std::uint32_t number = 1;
    std::uint32_t generated = 1700000000;
    std::uint32_t eventId = 1033;
    std::uint16_t type = 4;
    std::string source = "MsiInstaller";
    std::vector<std::string> strings;
    std::uint16_t numStrings = 0xFFFF;  // the count of strings unless set
    bool terminateLastString = true;
};

void PutDword(std::vector<unsigned char>* bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

void PutWord(std::vector<unsigned char>* bytes, std::size_t at, std::uint16_t value) {
    (*bytes)[at] = static_cast<unsigned char>(value);
    (*bytes)[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Append(std::vector<unsigned char>* bytes, const std::string& text, bool terminate) {
    bytes->insert(bytes->end(), text.begin(), text.end());
    if (terminate)
        bytes->push_back(0);
}

// One record laid out as the system does: header, source, computer name, padding to a
// four-byte boundary, strings, (no) data, padding and the length again.
std::vector<unsigned char> Build(const RawRecord& raw) {
    std::vector<unsigned char> bytes(kEventRecordHeaderSize, 0);
    Append(&bytes, raw.source, true);
    Append(&bytes, "BUILDHOST", true);
    while (bytes.size() % 4) bytes.push_back(0);
    const std::size_t stringOffset = bytes.size();
    for (std::size_t i = 0; i < raw.strings.size(); ++i)
        Append(&bytes, raw.strings[i], raw.terminateLastString || i + 1 < raw.strings.size());
    const std::size_t dataOffset = bytes.size();
    if (raw.terminateLastString) {
        while (bytes.size() % 4) bytes.push_back(0);
        bytes.resize(bytes.size() + 4);
    }
    PutDword(&bytes, 0, static_cast<std::uint32_t>(bytes.size()));
    PutDword(&bytes, 4, 0x654C664C);  // "LfLe"
    PutDword(&bytes, 8, raw.number);
    PutDword(&bytes, 12, raw.generated);
    PutDword(&bytes, 16, raw.generated);
    PutDword(&bytes, 20, raw.eventId);
    PutWord(&bytes, 24, raw.type);
    PutWord(
        &bytes, 26,
        raw.numStrings == 0xFFFF ? static_cast<std::uint16_t>(raw.strings.size()) : raw.numStrings);
    PutDword(&bytes, 36, static_cast<std::uint32_t>(stringOffset));
    PutDword(&bytes, 52, static_cast<std::uint32_t>(dataOffset));
    if (raw.terminateLastString)
        PutDword(&bytes, bytes.size() - 4, bytes.size());
    return bytes;
}

std::vector<unsigned char> Join(std::vector<std::vector<unsigned char>> records) {
    std::vector<unsigned char> block;
    for (const auto& record : records) block.insert(block.end(), record.begin(), record.end());
    return block;
}

struct Visited {
    std::vector<EventRecord> records;
    RecordBlockEnd end = RecordBlockEnd::kAllRead;
};

Visited VisitAll(const std::vector<unsigned char>& block, std::size_t stopAfter = 1000) {
    Visited visited;
    visited.end = VisitEventRecordBlock(block.data(), block.size(), [&](const EventRecord& r) {
        visited.records.push_back(r);
        return visited.records.size() < stopAfter;
    });
    return visited;
}

TEST(EventRecordBlock, DecodesEveryFieldOfEachRecordInOrder) {
    RawRecord first;
    first.number = 41;
    first.eventId = 0x40000000u | 11707;  // the severity bits are not part of the identifier
    first.strings = {"Product: Bench -- Installation completed successfully.", "(NULL)", ""};
    RawRecord second;
    second.number = 42;
    second.generated = 1700000005;
    second.type = 1;
    second.eventId = 1023;
    second.source = "TarvexInstaller";
    const Visited visited = VisitAll(Join({Build(first), Build(second)}));

    EXPECT_EQ(RecordBlockEnd::kAllRead, visited.end);
    ASSERT_EQ(2u, visited.records.size());
    const EventRecord& a = visited.records[0];
    EXPECT_EQ(41ul, a.number);
    EXPECT_EQ(1700000000, a.generated);
    EXPECT_EQ(4, a.type);
    EXPECT_EQ(11707ul, a.eventId);
    EXPECT_EQ(0x40000000ul | 11707, a.fullEventId);
    EXPECT_EQ("MsiInstaller", a.source);
    EXPECT_EQ(first.strings, a.strings);
    const EventRecord& b = visited.records[1];
    EXPECT_EQ(42ul, b.number);
    EXPECT_EQ(1700000005, b.generated);
    EXPECT_EQ(1, b.type);
    EXPECT_EQ("TarvexInstaller", b.source);
    EXPECT_TRUE(b.strings.empty());
}

TEST(EventRecordBlock, TheVisitorStopsTheWalkAndAnEmptyBlockHasNoRecords) {
    const Visited stopped = VisitAll(Join({Build(RawRecord()), Build(RawRecord())}), 1);
    EXPECT_EQ(RecordBlockEnd::kStopped, stopped.end);
    EXPECT_EQ(1u, stopped.records.size());

    const Visited empty = VisitAll({});
    EXPECT_EQ(RecordBlockEnd::kAllRead, empty.end);
    EXPECT_TRUE(empty.records.empty());
}

// The block ends right after the unterminated string: reading it to a zero would leave the
// vector, which the sanitizers report.
TEST(EventRecordBlock, TextsEndAtTheirRecordsEnd) {
    RawRecord raw;
    raw.strings = {"first", "never terminated"};
    raw.terminateLastString = false;
    const Visited visited = VisitAll(Build(raw));
    ASSERT_EQ(1u, visited.records.size());
    EXPECT_EQ(raw.strings, visited.records[0].strings);

    RawRecord claimsMore;
    claimsMore.strings = {"only one"};
    claimsMore.numStrings = 5;
    const Visited fewer = VisitAll(Build(claimsMore));
    ASSERT_EQ(1u, fewer.records.size());
    EXPECT_EQ(claimsMore.strings, fewer.records[0].strings);

    // A data offset before the strings or past the record is not trusted as their end.
    RawRecord two;
    two.strings = {"a", "b"};
    for (std::uint32_t dataOffset : {0u, 100000u}) {
        std::vector<unsigned char> bytes = Build(two);
        PutDword(&bytes, 52, dataOffset);
        const Visited visited = VisitAll(bytes);
        ASSERT_EQ(1u, visited.records.size()) << dataOffset;
        EXPECT_EQ(two.strings, visited.records[0].strings) << dataOffset;
    }
}

TEST(EventRecordBlock, RecordsThatDoNotHoldTogetherEndTheWalk) {
    const std::vector<unsigned char> good = Build(RawRecord());
    struct Case {
        const char* what;
        std::size_t field;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"a length of zero", 0, 0},
        {"a length shorter than the header", 0, kEventRecordHeaderSize - 4},
        {"a length past the block", 0, static_cast<std::uint32_t>(good.size() + 4)},
        {"strings inside the header", 36, 8},
        {"strings past the record", 36, static_cast<std::uint32_t>(good.size() + 1)},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> bad = good;
        PutDword(&bad, c.field, c.value);
        const Visited visited = VisitAll(Join({good, bad}));
        EXPECT_EQ(RecordBlockEnd::kMalformed, visited.end) << c.what;
        EXPECT_EQ(1u, visited.records.size()) << c.what;
    }

    std::vector<unsigned char> shortTail = good;
    shortTail.resize(good.size() + kEventRecordHeaderSize - 1, 0);
    const Visited tail = VisitAll(shortTail);
    EXPECT_EQ(RecordBlockEnd::kMalformed, tail.end);
    EXPECT_EQ(1u, tail.records.size());
}

}  // namespace
