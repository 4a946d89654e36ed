#include "run_texts.h"

#include <gtest/gtest.h>

#include <cctype>

#include "return_codes.h"

namespace {

TEST(RunTextsTest, Duration) {
    EXPECT_EQ("Duration: 01h 02m 05s", DurationText(3725));
    EXPECT_EQ("Duration: 00h 00m 59s", DurationText(59));
    EXPECT_EQ("Duration: 00h 00m 00s", DurationText(0));
    EXPECT_EQ("Duration: 100h 00m 00s", DurationText(360000));
}

TEST(RunTextsTest, ReturnedLine) {
    EXPECT_EQ("\nReturned  5  [RC_InvalidConfiguration]", ReturnedText(5));
    EXPECT_EQ("\nReturned  0  [RC_AllCompleted]", ReturnedText(0));
    EXPECT_EQ("\nReturned  -1  [Ignored]", ReturnedText(-1));
    EXPECT_EQ("\nReturned  42  [RETURN CODE NOT FOUND]", ReturnedText(42));
    EXPECT_EQ(std::string(60, '='), SeparatorLine());
}

TEST(RunTextsTest, FinalMessageOnlyForInteractiveRunsOrInvalidArguments) {
    EXPECT_TRUE(ShowsFinalMessage(0, RC_InvalidConfiguration));
    EXPECT_FALSE(ShowsFinalMessage(1, RC_InvalidConfiguration));  // silent
    EXPECT_FALSE(ShowsFinalMessage(2, RC_InvalidConfiguration));  // quiet
    EXPECT_FALSE(ShowsFinalMessage(5, RC_UnhandledException));    // no configuration yet
    EXPECT_TRUE(ShowsFinalMessage(1, RC_InvalidArguments));
    EXPECT_TRUE(ShowsFinalMessage(2, RC_InvalidArguments));
}

TEST(RunTextsTest, FinalMessageByReturnCode) {
    struct Row {
        int code;
        const char* tag;
        const char* text;
        bool link;
    } const rows[] = {
        {RC_InvalidArguments, "BS_ERROR", "InvalidArguments", true},
        {RC_InvalidConfiguration, "BS_ERROR", "InvalidConfiguration", true},
        {RC_MainPackageNotDetected, "BS_ERROR", "MainPackageNotDetected", true},
        {RC_UnhandledException, "BS_ERROR", "", true},
        {RC_ANewerVerAlreadyInstalled, "BS_INSTALLED", "", false},
        {RC_AnotherInstanceRunning, "BS_ANOTHERINSTANCE",
         "Another Setup progress is running.\nCurrent setup cannot continue!", false},
        {RC_OriginalInstallerNotFound, "BS_ORIGINALBSNOTFOUND",
         "The existing version cannot be uninstalled (not found).\nSetup cannot continue!", false},
        {RC_InvalidCRC32Checksum, "BS_INVALIDCRC32CHECKSUM", "Package integrity check failed!",
         true},
    };
    for (const Row& row : rows) {
        const FinalMessage message = ChooseFinalMessage(row.code, "");
        ASSERT_NE(nullptr, message.tag) << row.code;
        EXPECT_STREQ(row.tag, message.tag);
        EXPECT_EQ(row.text, message.text);
        EXPECT_EQ(row.link, message.offerLogLink);
    }
    for (int code : {-1, 0, 1, 2, 3, 7, 9, 10, 12, 13, 15, 99})
        EXPECT_EQ(nullptr, ChooseFinalMessage(code, "x").tag) << code;
}

TEST(RunTextsTest, FinalMessageNamesTheOtherProduct) {
    EXPECT_EQ("Another Setup progress is running: Contoso Suite\nCurrent setup cannot continue!",
              ChooseFinalMessage(RC_AnotherInstanceRunning, "Contoso Suite").text);
    EXPECT_EQ("The existing version cannot be uninstalled (not found): v1\nSetup cannot continue!",
              ChooseFinalMessage(RC_OriginalInstallerNotFound, "v1").text);
}

bool LooksLikeCalendarText(const std::string& text) {
    // "Wed Jun 30 21:49:08 1993"
    if (text.size() != 24)
        return false;
    const char* shape = "aaa aaa dd dd:dd:dd dddd";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (shape[i] == 'a' && !std::isalpha(c))
            return false;
        if (shape[i] == 'd' && !std::isdigit(c) && !(i == 8 && c == ' '))
            return false;
        if (shape[i] == ' ' && c != ' ')
            return false;
        if (shape[i] == ':' && c != ':')
            return false;
    }
    return true;
}

TEST(RunTextsTest, CalendarTextHasTheStandardForm) {
    EXPECT_TRUE(LooksLikeCalendarText(CalendarText(0)));
    EXPECT_TRUE(LooksLikeCalendarText(CalendarText(1700000000)));
    EXPECT_TRUE(LooksLikeCalendarText(CalendarText(4102444800)));  // 2100
}

TEST(RunTextsTest, BannerParts) {
    BannerFacts facts;
    facts.productName = "Tarvex Bootstrapper";
    facts.fileVersion = "1.0.0.1";
    facts.platform = 2;
    facts.osVersion = "10.0.0";
    facts.startTime = 1700000000;
    facts.tickCountMs = 3600 * 1000 + 999;
    facts.commandLine = "C:\\setup.exe -s";
    const std::string expected =
        std::string(60, '=') + "\nTarvex Bootstrapper v1.0.0.1\nMsWindowsNT v10.0.0 - " +
        CalendarText(1700000000) + " (Machine running from " + CalendarText(1700000000 - 3600) +
        ")\n\nCommand line:\n    C:\\setup.exe -s\n\n";
    EXPECT_EQ(expected, BuildBanner(facts));

    facts.platform = 0;
    EXPECT_NE(std::string::npos, BuildBanner(facts).find("\nMsWindows? v - "));
    facts.platform = 1;
    EXPECT_NE(std::string::npos, BuildBanner(facts).find("\nMsWindows9x v10.0.0 - "));
}

}  // namespace
