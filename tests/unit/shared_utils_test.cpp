// Bounded copies, splitting, parsing, searching, path joining and the regex matcher.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "files.h"
#include "log_capture.h"
#include "log_file.h"
#include "platform.h"
#include "regex_matcher.h"
#include "str_util.h"
#include "test_folder.h"

namespace {

using Pieces = std::vector<std::string>;

TEST(StrCopyToTokenTest, CopiesUpToTheDelimiter) {
    struct Case {
        const char* src;
        int index;
        const char* copied;
    };
    const Case cases[] = {
        {"ab|c", 2, "ab"}, {"abc", -1, "abc"}, {"|x", 0, ""}, {"", -1, ""}, {"a||", 1, "a"},
    };
    for (const Case& c : cases) {
        char dst[8] = "zzzzzzz";
        EXPECT_EQ(c.index, StrCopyToToken('|', c.src, dst, sizeof(dst))) << c.src;
        EXPECT_STREQ(c.copied, dst) << c.src;
    }
}

TEST(StrCopyToTokenTest, PieceThatDoesNotFitIsCutAndLogged) {
    char dst[4] = "zzz";
    {
        LogCapture log;
        EXPECT_EQ(3, StrCopyToToken('|', "abc|d", dst, 4));  // exactly fills the buffer
        EXPECT_STREQ("abc", dst);
        EXPECT_EQ("", log.Text());
    }
    LogCapture log;
    const int errors = Log().GetErrorCount();
    EXPECT_EQ(-1, StrCopyToToken('|', "abcd|e", dst, sizeof(dst)));
    EXPECT_STREQ("abc", dst);
    EXPECT_EQ(errors + 1, Log().GetErrorCount());
    EXPECT_TRUE(log.Contains(
        "[ERROR] StrCopyToToken(...) Destination size (4) is smaller for string: 'abcd|e'"));
}

TEST(StrCopyToTokenTest, NullOrEmptyBufferEndsTheWalk) {
    char dst[4] = "zzz";
    EXPECT_EQ(-1, StrCopyToToken('|', nullptr, dst, sizeof(dst)));
    EXPECT_EQ(-1, StrCopyToToken('|', "a|b", nullptr, 4));
    EXPECT_EQ(-1, StrCopyToToken('|', "a|b", dst, 0));
    EXPECT_STREQ("zzz", dst);
}

TEST(SplitTokensTest, Pieces) {
    struct Case {
        const char* text;
        int maximum;
        Pieces expected;
    };
    const Case cases[] = {
        {"", 0, {}},
        {nullptr, 0, {}},
        {"a", 0, {"a"}},
        {"a|b|c", 0, {"a", "b", "c"}},
        {"a||b", 0, {"a", "", "b"}},
        {"|a", 0, {"", "a"}},
        {"a|", 0, {"a"}},
        {"|", 0, {""}},
        {"a|b|", 0, {"a", "b"}},
        {"a|b|c", 2, {"a", "b"}},
        {"a|b|c", 3, {"a", "b", "c"}},
        {"a|b", -1, {"a", "b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, SplitTokens(c.text, '|', c.maximum)) << (c.text ? c.text : "null");
}

TEST(SplitTokensTest, OverlongPieceTakesTheWholeRest) {
    const std::string longPiece(1500, 'x');
    const std::string text = "a|" + longPiece + "|b|c";
    LogCapture log;
    EXPECT_EQ((Pieces{"a", longPiece + "|b|c"}), SplitTokens(text.c_str(), '|', 0));
    EXPECT_TRUE(log.Contains("Destination size (1024) is smaller"));

    const std::string fits(1023, 'y');  // 1023 characters and the terminator
    EXPECT_EQ((Pieces{fits, "z"}), SplitTokens((fits + "|z").c_str(), '|', 0));
}

TEST(ParseIntTest, AcceptsOnlyCanonicalDecimals) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"+12 ", true, 12},
        {"12", true, 12},
        {" \t-5\t", true, -5},
        {"0", true, 0},
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"12x", false, 0},
        {"012", false, 0},
        {"-0", false, 0},
        {"", false, 0},
        {"  ", false, 0},
        {"+", false, 0},
        {"++5", false, 0},
        {"+-5", false, 0},
        {"1 2", false, 0},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        int value = 777;
        EXPECT_EQ(c.ok, ParseInt(c.text, &value)) << "'" << c.text << "'";
        EXPECT_EQ(c.ok ? c.value : 777, value) << "'" << c.text << "'";
    }
    EXPECT_FALSE(ParseInt(nullptr, nullptr));
}

TEST(ParseLongTest, WholeTrimmedTextInTheBase) {
    struct Case {
        const char* text;
        int base;
        bool ok;
        long value;
    };
    const Case cases[] = {
        {" 42 ", 10, true, 42}, {"ff", 16, true, 255},  {"0x1F", 16, true, 31},
        {"777", 8, true, 511},  {"-12", 10, true, -12}, {"012", 10, true, 12},
        {"12x", 10, false, 0},  {"8", 8, false, 0},     {"", 10, false, 0},
        {" \t", 10, false, 0},  {"1 2", 10, false, 0},  {"999999999999999999999999", 10, false, 0},
    };
    for (const Case& c : cases) {
        long value = 777;
        EXPECT_EQ(c.ok, ParseLong(c.text, &value, c.base)) << "'" << c.text << "'";
        EXPECT_EQ(c.ok ? c.value : 777, value) << "'" << c.text << "'";
    }
}

TEST(TextSearchTest, CompareAndFind) {
    EXPECT_EQ(0, CompareN("Setup.exe", "SETUP.dll", 6, true));
    EXPECT_EQ(1, CompareN("Setup.exe", "SETUP.dll", 6, false));
    EXPECT_EQ(-1, CompareN("setup.dll", "setup.exe", 9, false));
    EXPECT_EQ(-1, CompareN("ab", "abc", 5, true));  // the shorter text ends first
    EXPECT_EQ(0, CompareN("abc", "abd", 2, false));
    EXPECT_EQ(0, CompareN(nullptr, "", 3, false));
    EXPECT_EQ(-1, CompareN(nullptr, "a", 3, false));

    const char* text = "One two ONE two";
    EXPECT_EQ(text + 4, FindText(text, "two", false));
    EXPECT_EQ(text + 12, FindLastText(text, "two", false));
    EXPECT_EQ(text, FindText(text, "one", true));
    EXPECT_EQ(text + 8, FindLastText(text, "one", true));
    EXPECT_EQ(nullptr, FindText(text, "one", false));
    EXPECT_EQ(nullptr, FindLastText(text, "three", true));
    EXPECT_EQ(nullptr, FindLastText("ab", "abc", false));
    EXPECT_EQ(text + 14, FindLastText(text, "o", false));
    EXPECT_EQ(nullptr, FindText(nullptr, "a", false));
    EXPECT_EQ(nullptr, FindLastText(text, nullptr, false));
    EXPECT_TRUE(IsEmptyText(nullptr));
    EXPECT_TRUE(IsEmptyText(""));
    EXPECT_FALSE(IsEmptyText(" "));
}

TEST(ContainsWordTest, WholeItemsOnly) {
    struct Case {
        const char* word;
        const char* text;
        bool expected;
    };
    const Case cases[] = {
        {"b", "a,b,c", true},   {"a", "a,b", true},       {"c", "a,b,c", true},
        {"ab", "abc,ab", true}, {"ab", "abc,xab", false}, {"b", "a, b ,c", true},
        {"b", "a;b", false},    {"B", "a,b", false},      {"word", "word", true},
        {"", "a,,b", false},    {"a", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ContainsWord(c.word, c.text, ',', " \t"))
            << c.word << " in " << c.text;
    EXPECT_TRUE(ContainsWord("b", "a;b", ',', ";"));
    EXPECT_FALSE(ContainsWord("b", "a b", ',', nullptr));
    EXPECT_FALSE(ContainsWord(nullptr, "a", ',', nullptr));
}

TEST(InPlaceTrimTest, TrimsAndRemoves) {
    struct Case {
        const char* text;
        const char* both;
        const char* left;
        const char* right;
        const char* removed;
    };
    const Case cases[] = {
        {" \"a b\" ", "a b", "a b\" ", " \"a b", "ab"},
        {"\" \"", "", "", "", ""},
        {"abc", "abc", "abc", "abc", "abc"},
        {"", "", "", "", ""},
    };
    const char* set = " \"";
    for (const Case& c : cases) {
        char buffer[16];
        std::strcpy(buffer, c.text);
        EXPECT_STREQ(c.both, TrimChars(buffer, set));
        std::strcpy(buffer, c.text);
        EXPECT_STREQ(c.left, TrimCharsLeft(buffer, set));
        std::strcpy(buffer, c.text);
        EXPECT_STREQ(c.right, TrimCharsRight(buffer, set));
        std::strcpy(buffer, c.text);
        RemoveChars(buffer, set);
        EXPECT_STREQ(c.removed, buffer);
    }
    EXPECT_EQ(nullptr, TrimChars(nullptr, set));
    RemoveChars(nullptr, set);
}

TEST(JoinPathTest, JoinsWithOneBackslash) {
    struct Case {
        const char* a;
        const char* b;
        const char* joined;
    };
    const Case cases[] = {
        {"C:\\a", "\\b", "C:\\a\\b"},
        {"C:\\a", "b", "C:\\a\\b"},
        {"C:\\a\\", "b", "C:\\a\\b"},
        {"C:\\a\\", "\\b", "C:\\a\\b"},
        {"", "b", "b"},
        {"", "\\b", "b"},
        {"C:\\a", "", "C:\\a\\"},
        {"C:\\a", "\\\\b", "C:\\a\\\\b"},
    };
    for (const Case& c : cases) {
        char out[32] = "untouched";
        EXPECT_TRUE(Files::JoinPath(c.a, c.b, out, sizeof(out))) << c.a << " + " << c.b;
        EXPECT_STREQ(c.joined, out);
        EXPECT_EQ(c.joined, Files::JoinPath(std::string(c.a), std::string(c.b)));
    }
}

TEST(JoinPathTest, RefusesSmallOutputAndNullInput) {
    char out[9] = "keep";
    EXPECT_TRUE(Files::JoinPath("C:\\a", "\\b", out, 9));  // 4 + 2 + 2 < 9
    EXPECT_FALSE(Files::JoinPath("C:\\a", "\\bc", out, 9));
    EXPECT_STREQ("C:\\a\\b", out);  // untouched by the refusal

    LogCapture log;
    const int errors = Log().GetErrorCount();
    EXPECT_FALSE(Files::JoinPath("C:\\a", "b", out, 4));
    EXPECT_FALSE(Files::JoinPath(nullptr, "b", out, sizeof(out)));
    EXPECT_FALSE(Files::JoinPath("a", nullptr, out, sizeof(out)));
    EXPECT_FALSE(Files::JoinPath("a", "b", nullptr, 0));
    EXPECT_EQ(errors + 4, Log().GetErrorCount());
    EXPECT_TRUE(
        log.Contains("Files::JoinPath() cannot join paths: 'C:\\a' and 'b' because the "
                     "size of the output is too small (4)"));
    EXPECT_TRUE(
        log.Contains("Files::JoinPath() cannot join invalid (null) paths: 'NULL' and 'b'!"));
    EXPECT_TRUE(
        log.Contains("Files::JoinPath() cannot join invalid (null) paths: 'a' and 'NULL'!"));
}

TEST(RegexMatcherTest, WholeTextMatches) {
    RegexMatcher matcher("Version matching", "2\\.1\\.\\d+");
    ASSERT_TRUE(matcher.IsValid());
    EXPECT_TRUE(matcher.Matches("2.1.0"));
    EXPECT_TRUE(matcher.Matches("2.1.345"));
    EXPECT_FALSE(matcher.Matches("2.1.0.5"));  // a match of a part is not enough
    EXPECT_FALSE(matcher.Matches("12.1.0"));
    EXPECT_FALSE(matcher.Matches(nullptr));

    RegexMatcher alternatives("Version matching", "1\\..*|3\\.0");
    EXPECT_TRUE(alternatives.Matches("1.5"));
    EXPECT_TRUE(alternatives.Matches("3.0"));
    EXPECT_FALSE(alternatives.Matches("3.01"));
}

// The classes are those of the C library's tables: configurations write version patterns
// with named classes, the shorthand classes and case-insensitive parts.
TEST(RegexMatcherTest, CharacterClassesAndCaseFolding) {
    RegexMatcher named("Version matching", "[[:digit:]]+\\.[[:alpha:]]+\\s?[[:xdigit:]]{2}");
    EXPECT_TRUE(named.Matches("10.beta ff"));
    EXPECT_TRUE(named.Matches("3.rc0A"));
    EXPECT_FALSE(named.Matches("3.rc 0G"));
    const std::string accented = std::string("3.r") + '\xe9' + "c 0a";
    EXPECT_FALSE(named.Matches(accented.c_str()));  // no byte above 127 is a letter

    RegexMatcher words("Version matching", "\\w+-\\S+\\s\\D");
    EXPECT_TRUE(words.Matches("v2_1-build.7 x"));
    EXPECT_FALSE(words.Matches("v2.1-build.7 x"));
    EXPECT_FALSE(words.Matches("v2_1-build.7 7"));

    RegexMatcher folded("Version matching", "(?i)release-[a-c]");
    EXPECT_TRUE(folded.Matches("RELEASE-B"));
    EXPECT_FALSE(folded.Matches("RELEASE-D"));
}

TEST(RegexMatcherTest, CompileErrorIsLoggedAndInvalid) {
    LogCapture log;
    const int errors = Log().GetErrorCount();
    RegexMatcher matcher("Version matching", "2.(1");
    EXPECT_FALSE(matcher.IsValid());
    EXPECT_FALSE(matcher.Matches("2.1"));
    EXPECT_EQ(errors + 1, Log().GetErrorCount());
    EXPECT_TRUE(log.Contains("[ERROR] Exception in boost::regex module for expression: 2.(1"));
}

#if !defined(_WIN32)
// The all-users log folder is used only when it is a folder of its own: a link that another
// user planted there, or a file, is refused with the reason.
TEST(TrustedFolderTest, LinksAndFilesAreRefused) {
    TestFolder folder;
    std::string problem;
    EXPECT_TRUE(platform::PrepareTrustedFolder(folder.Child("fresh"), &problem)) << problem;
    EXPECT_TRUE(platform::IsDirectory(folder.Child("fresh")));
    EXPECT_TRUE(platform::PrepareTrustedFolder(folder.Child("fresh"), &problem)) << problem;
    ASSERT_EQ(0, symlink(folder.Child("fresh").c_str(), folder.Child("link").c_str()));
    EXPECT_FALSE(platform::PrepareTrustedFolder(folder.Child("link"), &problem));
    EXPECT_EQ("is a link", problem);
    std::FILE* file = std::fopen(folder.Child("file").c_str(), "w");
    ASSERT_NE(nullptr, file);
    std::fclose(file);
    EXPECT_FALSE(platform::PrepareTrustedFolder(folder.Child("file"), &problem));
    EXPECT_EQ("is not a folder", problem);
}
#endif

}  // namespace
