// Version field counts, comparison modes and range lists.

#include <gtest/gtest.h>

#include <string>

#include "log_capture.h"
#include "version_compare.h"

namespace {

TEST(VersionFieldCountTest, DigitRunsBeforeTheFirstOtherCharacter) {
    struct Case {
        const char* text;
        int count;
    };
    const Case cases[] = {
        {"1.2.3.4", 4}, {"10", 1},   {"", 0},     {"1..2", 2},      {".5", 1},
        {"1.2a.3", 2},  {"v1.2", 0}, {"1.2 ", 2}, {"1.2.3.4.5", 5}, {nullptr, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.count, VersionFieldCount(c.text)) << (c.text ? c.text : "null");
}

TEST(CompareVersionsTest, Modes) {
    struct Case {
        const char* a;
        const char* b;
        int mode;
        int count;
        int expected;
    };
    const Case cases[] = {
        // 0: whole texts, without regard to case
        {"1.0a", "1.0A", 0, 0, 0},
        {"1.10", "1.9", 0, 0, -1},
        {"2.0", "10.0", 0, 0, 1},
        // 1: fields of the shorter text
        {"2.1", "2.1.5", 1, 0, 0},
        {"2.2", "2.1.5", 1, 0, 1},
        {"1.10", "1.9", 1, 0, 1},
        // 2: fields of the longer text; a missing field is 0
        {"2.1", "2.1.5", 2, 0, -1},
        {"2.1", "2.1.0.0", 2, 0, 0},
        // 3: fields of the first, 4: fields of the second
        {"2.1", "2.1.5", 3, 0, 0},
        {"2.1.5", "2.1", 3, 0, 1},
        {"2.1", "2.1.5", 4, 0, -1},
        {"2.1.5", "2.1", 4, 0, 0},
        // 5: the given count
        {"1.2.3", "1.2.4", 5, 2, 0},
        {"1.2.3", "1.2.4", 5, 3, -1},
        {"1.2.3", "9.9.9", 5, 0, 0},
        // any other mode: four fields
        {"2.1", "2.1.0.0", 6, 0, 0},
        {"2.1", "2.1.0.0", -1, 0, 0},
        {"1.2.3.4.5", "1.2.3.4.6", 9, 0, 0},
        {"1.2.3.4", "1.2.3.5", 9, 0, -1},
        {"010.2", "10.2", 9, 0, 0},
        {nullptr, "0.0", 9, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, CompareVersions(c.a, c.b, c.mode, c.count))
            << (c.a ? c.a : "null") << " vs " << c.b << " mode " << c.mode;
    }
}

TEST(CompareVersionsTest, TextsAreCutTo127Characters) {
    const std::string prefix = "1." + std::string(124, '0');  // 126 characters
    EXPECT_EQ(0, CompareVersions((prefix + "5").c_str(), (prefix + "5").c_str(), 0));
    EXPECT_EQ(0, CompareVersions((prefix + "56").c_str(), (prefix + "57").c_str(), 0));
    EXPECT_EQ(-1, CompareVersions((prefix + "5").c_str(), (prefix + "6").c_str(), 0));
}

TEST(VersionInListTest, RangesAndSingleVersions) {
    struct Case {
        const char* version;
        const char* list;
        bool expected;
    };
    const Case cases[] = {
        {"1.5", "1.0-1.9,3.0", true},
        {"3.0", "1.0-1.9,3.0", true},
        {"2.0", "1.0-1.9,3.0", false},
        {"1.0", "1.0-1.9", true},
        {"1.9.7", "1.0-1.9", true},  // bounds compare over the fields of the shorter text
        {"1.10", "1.0-1.9", false},
        {"3.0.5", "3.0", true},
        {"0.9", "1.0-1.9", false},
        {"", "0-1.0", true},  // an empty version counts as "0"
        {nullptr, "1.0-2.0", false},
        {nullptr, "0", true},
        {"1.5", " 1.0 - 1.9 , 3.0", true},
        {"2.0", "1.0-1.9,,3.0", false},  // an empty item holds nothing
        {"0.5", "-1.0", true},           // open ranges
        {"7.0", "3.0-", true},
        {"2.0", "3.0-", false},
        {"1.0", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, VersionInList(c.version, c.list))
            << (c.version ? c.version : "null") << " in " << c.list;
    }
    EXPECT_FALSE(VersionInList("1.0", nullptr));
}

TEST(VersionInListTest, OverlongListIsRefused) {
    std::string list = "1.0";
    while (list.size() < 4096) list += ",9.9";
    LogCapture log;
    EXPECT_FALSE(VersionInList("1.0", list.c_str()));
    EXPECT_TRUE(log.Contains("StrNCopy(...) Destination size (4096)"));
    list.resize(4095);
    EXPECT_TRUE(VersionInList("1.0", list.c_str()));
}

}  // namespace
