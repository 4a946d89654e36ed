#include "str_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "log_file.h"
#include "text_util.h"

namespace {

TEST(StrNCopyTest, CopiesWhatFitsAndRefusesTheRest) {
    char buffer[6] = "zzzzz";
    EXPECT_EQ(6, StrNCopy(buffer, "abcde", 6));
    EXPECT_STREQ("abcde", buffer);

    char small[5] = "wxyz";
    const int errors = Log().GetErrorCount();
    EXPECT_EQ(0, StrNCopy(small, "abcde", sizeof(small)));
    EXPECT_STREQ("wxyz", small);  // untouched
    EXPECT_EQ(errors + 1, Log().GetErrorCount());

    EXPECT_EQ(1, StrNCopy(small, ""));
    EXPECT_STREQ("", small);
    EXPECT_EQ(0, StrNCopy(small, nullptr));
    EXPECT_EQ(0, StrNCopy(nullptr, "a", 4));
}

TEST(StrCopyTruncatedTest, CutsToTheSizeAndWritesNothingBeyondIt) {
    const struct {
        const char* src;
        int size;
        const char* expected;  // null: the buffer stays untouched
    } rows[] = {
        {"abc", 8, "abc"},    {"abcdefg", 8, "abcdefg"}, {"abcdefgh", 8, "abcdefg"},
        {"abcdef", 4, "abc"}, {"abc", 4, "abc"},         {"abc", 1, ""},
        {"", 4, ""},          {nullptr, 4, ""},          {"abc", 0, nullptr},
        {"abc", -1, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.src ? row.src : "(null)") + " into " +
                     std::to_string(row.size));
        char buffer[12];
        std::memset(buffer, 'z', sizeof(buffer));
        buffer[sizeof(buffer) - 1] = '\0';
        StrCopyTruncated(buffer, row.src, row.size);
        if (!row.expected) {
            EXPECT_STREQ("zzzzzzzzzzz", buffer);
            continue;
        }
        EXPECT_STREQ(row.expected, buffer);
        // The bytes past the given size are the caller's.
        for (std::size_t i = static_cast<std::size_t>(row.size); i + 1 < sizeof(buffer); ++i)
            EXPECT_EQ('z', buffer[i]) << "at " << i;
    }
    StrCopyTruncated(nullptr, "abc", 4);  // a null buffer is left alone
}

TEST(TextUtilTest, TrimAndCompare) {
    EXPECT_EQ("a b", Trim(" \t a b\r\n", " \t\r\n"));
    EXPECT_EQ("", Trim(" \t ", " \t"));
    EXPECT_EQ("x  ", TrimLeft("  x  ", " "));
    EXPECT_EQ("  x", TrimRight("  x  ", " "));
    EXPECT_TRUE(EqualsNoCase("Setup.EXE", "setup.exe"));
    EXPECT_FALSE(EqualsNoCase("setup", "setup.exe"));
    EXPECT_TRUE(EqualsNoCase(nullptr, nullptr));
    EXPECT_FALSE(EqualsNoCase("a", nullptr));
    EXPECT_TRUE(StartsWithNoCase("CannedConfig=x", "cannedconfig="));
    EXPECT_FALSE(StartsWithNoCase("Can", "cannedconfig"));
    EXPECT_TRUE(EndsWithNoCase("SETUP.EXE", ".exe"));
    EXPECT_FALSE(EndsWithNoCase("exe", ".exe"));
}

}  // namespace
