#include "messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "log_file.h"

namespace {

TEST(MessagesTest, BuiltInEntriesInTheirOrder) {
    const Messages messages;
    const char* const tags[] = {"DEPENDS_FAIL",
                                "REBOOT_REQ",
                                "REBOOT_MSG",
                                "REBOOT_CACHE_DELETED",
                                "BS_ERROR",
                                "BS_INSTALLED",
                                "PEND_REBOOT",
                                "ROLLBACK_ON_CANCEL",
                                "ROLLBACK_ON_ERROR",
                                "BS_ANOTHERINSTANCE",
                                "BS_ORIGINALBSNOTFOUND",
                                "PEND_REBOOT_ON_FAIL",
                                "BS_INVALIDCRC32CHECKSUM"};
    ASSERT_EQ(sizeof(tags) / sizeof(tags[0]), messages.Count());
    for (std::size_t i = 0; i < messages.Count(); ++i) EXPECT_STREQ(tags[i], messages.At(i).tag);
    EXPECT_STREQ("Reboot is required by Tarvex setup", messages.Find("reboot_msg")->text);
    EXPECT_STREQ("", messages.Find("BS_ANOTHERINSTANCE")->text);
    EXPECT_EQ(nullptr, messages.Find("NO_SUCH_TAG"));
}

TEST(MessagesTest, SetReplacesWithoutRegardToCaseOrAppends) {
    Messages messages;
    const std::size_t count = messages.Count();
    messages.Set("bs_error", "Configured error text");
    EXPECT_EQ(count, messages.Count());
    EXPECT_STREQ("bs_error", messages.Find("BS_ERROR")->tag);
    EXPECT_STREQ("Configured error text", messages.Find("BS_ERROR")->text);

    messages.Set("REBOOT_MSG", nullptr);  // a Message element without Msg
    EXPECT_STREQ("Reboot is required by Tarvex setup", messages.Find("REBOOT_MSG")->text);

    messages.Set("MY_TAG", nullptr);
    ASSERT_EQ(count + 1, messages.Count());
    EXPECT_STREQ("", messages.Find("my_tag")->text);
    messages.Set("MY_TAG", "mine");
    EXPECT_STREQ("mine", messages.At(count).text);
}

TEST(MessagesTest, OverlongTextIsRefusedAndLogged) {
    Messages messages;
    const int errors = Log().GetErrorCount();
    const std::string longText(1024, 'x');  // one byte too many with its terminator
    messages.Set("BS_ERROR", longText.c_str());
    EXPECT_EQ(errors + 1, Log().GetErrorCount());
    EXPECT_STREQ("An error occurred during the setup. See log file for more details.",
                 messages.Find("BS_ERROR")->text);
    const std::string fitting(1023, 'y');
    messages.Set("BS_ERROR", fitting.c_str());
    EXPECT_EQ(fitting, messages.Find("BS_ERROR")->text);
}

TEST(MessagesTest, ComposePutsTheSpecificTextFirst) {
    Messages messages;
    EXPECT_EQ(
        "InvalidArguments\nAn error occurred during the setup. See log file for more "
        "details.",
        messages.Compose("BS_ERROR", "InvalidArguments"));
    EXPECT_EQ("Another Setup progress is running.",
              messages.Compose("BS_ANOTHERINSTANCE", "Another Setup progress is running."));
    EXPECT_EQ("\nReboot is required by Tarvex setup", messages.Compose("REBOOT_MSG", nullptr));
    EXPECT_EQ("text only", messages.Compose("UNKNOWN", "text only"));
}

TEST(MessagesTest, SeverityNames) {
    struct Row {
        const char* text;
        int severity;
    } const rows[] = {{"Info", 1},  {"WARNING", 2}, {"error", 3}, {"", 0},
                      {nullptr, 0}, {"Fatal", -1},  {"Info ", -1}};
    for (const Row& row : rows) EXPECT_EQ(row.severity, ParseSeverity(row.text)) << row.text;
    EXPECT_STREQ("None", SeverityName(0));
    EXPECT_STREQ("Info", SeverityName(1));
    EXPECT_STREQ("Warning", SeverityName(2));
    EXPECT_STREQ("Error", SeverityName(3));
    EXPECT_STREQ("Invalid format", SeverityName(-1));
    EXPECT_STREQ("Invalid format", SeverityName(4));
}

}  // namespace
