#include "str_util.h"

#include <gtest/gtest.h>

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
