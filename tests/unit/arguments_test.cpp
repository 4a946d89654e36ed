#include "arguments.h"

#include <gtest/gtest.h>

#include "log_capture.h"
#include "log_file.h"

namespace {

ArgumentLists Classified(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "setup.exe");
    ArgumentLists lists;
    lists.Classify(arguments);
    return lists;
}

TEST(ArgumentsTest, Categories) {
    struct Row {
        const char* argument;
        ArgumentCategory category;
    } const rows[] = {
        {"F.Feature=Yes", kArgMsiFeatures},
        {"f.Tools=no", kArgMsiFeatures},
        {"F.Feature=Maybe", kArgBsProperties},
        {"P.INSTALLLEVEL=3", kArgMsiProperties},
        {"p.X=a b", kArgMsiProperties},
        {"INSTALLDIR=\"C:\\My Folder\"", kArgBsProperties},
        {"CannedConfig=Full", kArgBsProperties},
        {"-s", kArgSwitches},
        {"-Q", kArgSwitches},
        {"-PRE", kArgSwitches},
        {"-Post", kArgSwitches},
        {"-n", kArgSwitches},
        {"-x", kArgInvalid},
        {"/s", kArgInvalid},
        {"i", kArgActions},
        {"X", kArgActions},
        {"r", kArgActions},
        {"install", kArgInvalid},
        {"=value", kArgInvalid},
        {"Bad-Name=1", kArgInvalid},
    };
    for (const Row& row : rows) {
        const ArgumentLists lists = Classified({row.argument});
        for (int category = 0; category < kArgCategoryCount; ++category) {
            const bool expected = category == row.category;
            EXPECT_EQ(expected ? 1u : 0u, lists.List(ArgumentCategory(category)).size())
                << row.argument << " in "
                << ArgumentLists::CategoryName(ArgumentCategory(category));
        }
    }
}

TEST(ArgumentsTest, InterpretationOfValidArguments) {
    RunRequest request = InterpretArguments(Classified({}));
    EXPECT_EQ(0, request.action);
    EXPECT_EQ(0u, request.modeFlags);
    EXPECT_EQ(0, request.partialRun);
    EXPECT_FALSE(request.invalid);

    request = InterpretArguments(Classified({"x", "-s", "-n", "-PRE"}));
    EXPECT_EQ(1, request.action);
    EXPECT_EQ(5u, request.modeFlags);
    EXPECT_EQ(1, request.partialRun);

    request = InterpretArguments(Classified({"R", "-q", "-Post"}));
    EXPECT_EQ(2, request.action);
    EXPECT_EQ(2u, request.modeFlags);
    EXPECT_EQ(2, request.partialRun);

    request = InterpretArguments(Classified({"-s", "-q"}));  // both bits, still valid
    EXPECT_EQ(3u, request.modeFlags);
    EXPECT_FALSE(request.invalid);
}

TEST(ArgumentsTest, InvalidArgumentsAreReportedAndShowUsage) {
    const int errors = Log().GetErrorCount();
    LogCapture log;
    RunRequest request = InterpretArguments(Classified({"x", "r", "-s", "-q", "-n", "/s"}));
    EXPECT_EQ(
        "[ERROR] Invalid arguments(more then 1 action, install mode confusion, unknown "
        "parameters): x r -s -q -n /s \n",
        log.Text());
    EXPECT_TRUE(request.invalid);
    EXPECT_EQ(4u, request.modeFlags);  // silent and quiet cleared, external control kept
    EXPECT_EQ(errors + 1, Log().GetErrorCount());

    request = InterpretArguments(Classified({"x", "r"}));
    EXPECT_TRUE(request.invalid);
    EXPECT_EQ(0, request.action);  // no action is taken from invalid arguments
}

TEST(ArgumentsTest, ReportAndUsageTexts) {
    const ArgumentLists lists = Classified({"x", "r", "P.A=1", "odd"});
    EXPECT_EQ(
        "    MSI Features    :  \n"
        "    MSI Properties  :  P.A=1  \n"
        "    BS Properties   :  \n"
        "    Switches        :  \n"
        "    Actions         :  x  r  \n"
        "    Invalid         :  odd  \n",
        lists.ArgumentReport());
    const std::string usage = ArgumentLists::UsageText("setup.exe");
    EXPECT_EQ(0u, usage.find("USAGE:\n setup.exe  [i|x|r]  [-s|-q] [-n] [-pre|-post]  "
                             "[F.Feature1=Yes|No [F.Feature2=Yes|No]]  "
                             "[P.Prop1=Val1 [P.Prop2=Val2]]  [Property=Value]  \n\n"
                             "\nActions:   \n  i    install (default)\n"));
    EXPECT_NE(std::string::npos, usage.find("\nSwitches:  \n -s    silent"));
    EXPECT_LT(usage.find("\nMSI Features:"), usage.find("\nMSI Properties:"));
    EXPECT_EQ('\n', usage.back());
}

TEST(ArgumentsTest, Assignments) {
    std::string name, value;
    ASSERT_TRUE(SplitAssignment("INSTALLDIR=\"C:\\A B\"", &name, &value));
    EXPECT_EQ("INSTALLDIR", name);
    EXPECT_EQ("C:\\A B", value);
    ASSERT_TRUE(SplitAssignment("A=b=c", &name, &value));
    EXPECT_EQ("A", name);
    EXPECT_EQ("b=c", value);
    EXPECT_FALSE(SplitAssignment("NoEquals", &name, &value));
}

}  // namespace
