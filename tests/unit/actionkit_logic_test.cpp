// The platform-neutral parts of actionkit: versions, texts, command lines, exit codes.

#include <gtest/gtest.h>

#include <string>

#include "launch_command.h"
#include "text_edit.h"
#include "version_text.h"

namespace {

TEST(ActionKitVersionTest, ShortVersionLeavesTheThirdFieldOut) {
    const std::pair<const char*, const char*> cases[] = {
        {"4.10.2.1234", "4.10.1234"},
        {"", "0.0.0"},
        {"1.2", "1.2.0"},
        {"1.2.3", "1.2.0"},
        {"7.x.9.5", "7.0.5"},
        {"1.2.3.4.5", "1.2.4"},
        {"99999999999.1.1.1", "2147483647.1.1"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, ShortVersion(c.first)) << c.first;
}

TEST(ActionKitVersionTest, FourFieldComparisonAndRanges) {
    EXPECT_EQ(0, CompareFourFields("5.1", "5.1.0.0"));
    EXPECT_EQ(1, CompareFourFields("1.10", "1.9"));
    EXPECT_EQ(-1, CompareFourFields("1.2.3.4", "1.2.3.5"));
    EXPECT_EQ(0, CompareFourFields("1.2.3.4.9", "1.2.3.4.1"));  // a fifth field is not read
    const struct {
        const char* version;
        const char* ranges;
        bool in;
    } cases[] = {
        {"2.5", "1.0-2.0,2.4-3.0", true}, {"2.2", "1.0-2.0,2.4-3.0", false},
        {"3.0", ",,3.0,", true},          {"3.0.0.1", "3.0", false},
        {"1.0", "1.0-1.0", true},         {"0.9", " 1.0 - 2.0 ", false},
        {"1.5", " 1.0 - 2.0 ", true},     {"1.5", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.in, VersionInRanges(c.version, c.ranges)) << c.version << " " << c.ranges;
}

TEST(ActionKitVersionTest, UpgradeCodeForm) {
    EXPECT_TRUE(IsUpgradeCodeText("u{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"));
    EXPECT_TRUE(IsUpgradeCodeText("U{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}"));
    EXPECT_FALSE(IsUpgradeCodeText("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"));
    EXPECT_FALSE(IsUpgradeCodeText("u{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8FG}"));
    EXPECT_FALSE(IsUpgradeCodeText("u{0A1B2C3D-4E5F-6071-8293A4B5C6D7E8F9-}"));
}

TEST(ActionKitTextTest, CleanNameAndReplace) {
    EXPECT_EQ("My_App_1_0", CleanName("My App-1.0"));
    EXPECT_EQ("a_b_c__", CleanName("a_b\"c\xe9!"));
    int count = -1;
    EXPECT_EQ("xx-xx-x", ReplaceAllText("aaaa-aaaa-aa", "aa", "x", &count));
    EXPECT_EQ(5, count);
    // A replacement that holds the search text is never searched again.
    EXPECT_EQ("abab b", ReplaceAllText("ab b", "ab", "abab", &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ("same", ReplaceAllText("same", "", "x", &count));
    EXPECT_EQ(0, count);
}

TEST(ActionKitTextTest, ReplaceDataSplitsAtTheFirstTwoBars) {
    ReplaceData data;
    ASSERT_TRUE(ParseReplaceData("C:\\a.ini|old|new|with bar", false, &data));
    EXPECT_EQ("C:\\a.ini", data.file);
    EXPECT_EQ("old", data.search);
    EXPECT_EQ("new|with bar", data.replacement);
    ASSERT_TRUE(ParseReplaceData("f|old|NONE", true, &data));
    EXPECT_EQ("", data.replacement);
    ASSERT_TRUE(ParseReplaceData("f|old|None", false, &data));
    EXPECT_EQ("None", data.replacement);
    EXPECT_FALSE(ParseReplaceData("f|old", false, &data));
    EXPECT_FALSE(ParseReplaceData("f||new", false, &data));  // no search text
    EXPECT_FALSE(ParseReplaceData("|old|new", false, &data));
}

TEST(ActionKitTextTest, Sha1Digests) {
    EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", Sha1Hex(""));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", Sha1Hex("abc"));
    // 56 bytes: the length no longer fits the first block.
    EXPECT_EQ("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
              Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
    EXPECT_EQ("34aa973cd4c4daa4f61eeb2bdbad27316534016f", Sha1Hex(std::string(1000000, 'a')));
}

TEST(ActionKitLaunchTest, ProgramPathIsQuoted) {
    const struct {
        const char* text;
        const char* program;
        const char* commandLine;
    } cases[] = {
        {"C:\\Program Files\\App\\app.exe -x \"y z\"", "C:\\Program Files\\App\\app.exe",
         "\"C:\\Program Files\\App\\app.exe\" -x \"y z\""},
        {"  \"C:\\My Tools\\t.exe\"  /q", "C:\\My Tools\\t.exe", "\"C:\\My Tools\\t.exe\" /q"},
        {"C:\\a.exe.bak\\b.EXE", "C:\\a.exe.bak\\b.EXE", "\"C:\\a.exe.bak\\b.EXE\""},
        {"notepad readme.txt", "notepad", "\"notepad\" readme.txt"},
    };
    for (const auto& c : cases) {
        LaunchCommand command;
        ASSERT_TRUE(SplitLaunchCommand(c.text, &command)) << c.text;
        EXPECT_EQ(c.program, command.program);
        EXPECT_EQ(c.commandLine, command.commandLine);
    }
    LaunchCommand command;
    EXPECT_FALSE(SplitLaunchCommand("", &command));
    EXPECT_FALSE(SplitLaunchCommand("\"C:\\open.exe -x", &command));
    // Text glued to the closing quote would extend the program or start another one.
    EXPECT_FALSE(SplitLaunchCommand("\"C:\\a.exe\"&calc.exe", &command));
    EXPECT_FALSE(SplitLaunchCommand("C:\\a\"b.exe", &command));
}

TEST(ActionKitLaunchTest, ValueWithAQuoteAddsNoArguments) {
    LaunchCommand command;
    ASSERT_TRUE(JoinLaunchCommand("\"C:\\Tools\\t.exe\"", "-a", &command));
    EXPECT_EQ("\"C:\\Tools\\t.exe\" -a", command.commandLine);
    ASSERT_TRUE(JoinLaunchCommand("C:\\Tools\\t.exe", "", &command));
    EXPECT_EQ("\"C:\\Tools\\t.exe\"", command.commandLine);
    EXPECT_FALSE(JoinLaunchCommand("C:\\Tools\\t.exe\" -evil", "-a", &command));
    EXPECT_FALSE(JoinLaunchCommand("  ", "-a", &command));
}

TEST(ActionKitLaunchTest, ExitCodesTheInstallerUnderstands) {
    const std::pair<unsigned long, unsigned> cases[] = {
        {0, 0},      {3010, 0},  {1641, 0},    {1, 1603},
        {259, 1603}, {87, 1603}, {1603, 1603}, {0xFFFFFFFFul, 1603},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, ExitCodeForInstaller(c.first)) << c.first;
}

}  // namespace
