#include "command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "platform.h"
#include "test_folder.h"

namespace {

std::vector<std::string> Split(const char* text) {
    return CommandLine(text, " \t", '"').Arguments();
}

TEST(CommandLineTest, SplitsAtBlanksAndTabsOutsideQuotes) {
    struct Row {
        const char* text;
        std::vector<std::string> tokens;
    } const rows[] = {
        {"setup.exe", {"setup.exe"}},
        {"setup.exe i -s", {"setup.exe", "i", "-s"}},
        {"  setup.exe \t\t x   ", {"setup.exe", "x"}},
        {"\"C:\\Program Files\\setup.exe\" INSTALLDIR=\"C:\\My Folder\" -q",
         {"\"C:\\Program Files\\setup.exe\"", "INSTALLDIR=\"C:\\My Folder\"", "-q"}},
        {"setup \"unclosed quote \t runs to the end",
         {"setup", "\"unclosed quote \t runs to the end"}},
        {"setup a\"b c\"d", {"setup", "a\"b c\"d"}},
        {"", {}},
    };
    for (const Row& row : rows) EXPECT_EQ(row.tokens, Split(row.text)) << row.text;
}

class CommandLineFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        start_ = platform::CurrentDirectory();
        folder_ = platform::CurrentDirectory();  // the canonical form of the test folder
        ASSERT_TRUE(platform::ChangeDirectory(root_.Path().string()));
        folder_ = platform::CurrentDirectory();
    }
    void TearDown() override { platform::ChangeDirectory(start_); }

    TestFolder root_;
    std::string start_;
    std::string folder_;
};

TEST_F(CommandLineFolderTest, ProgramWithoutFolderLivesInTheCurrentDirectory) {
    const CommandLine command("setup -s  x", " \t", '"');
    EXPECT_EQ("setup.exe", command.ProgramName());
    EXPECT_EQ(folder_, command.ProgramFolder());
    EXPECT_EQ(folder_ + "\\setup.exe", command.FullProgramPath());
    EXPECT_EQ("\"" + folder_ + "\\setup.exe\" -s x", command.FullCommandLine());
    EXPECT_EQ("setup -s x", command.GivenCommandLine());
    EXPECT_EQ(platform::CurrentDirectory(), folder_);  // the directory is restored
}

TEST_F(CommandLineFolderTest, RelativeFolderIsMadeAbsolute) {
    ASSERT_TRUE(platform::MakeDirectory(root_.Child("sub")));
    const std::string relative = std::string("sub") + platform::kPathSeparator + "SETUP.EXE";
    std::ofstream(relative).put('x');  // the short form is asked of an existing file
    const CommandLine command(("\"" + relative + "\" i").c_str(), " \t", '"');
    EXPECT_EQ("SETUP.EXE", command.ProgramName());  // already ends with .exe
    EXPECT_EQ(folder_ + platform::kPathSeparator + "sub", command.ProgramFolder());
    EXPECT_EQ("\"" + relative + "\" i", command.GivenCommandLine());
    EXPECT_FALSE(command.ShortProgramPath().empty());
    EXPECT_EQ(command.ShortProgramPath() + " i", command.ShortCommandLine());
}

TEST_F(CommandLineFolderTest, MissingFolderIsKeptAsGiven) {
    const CommandLine command("nowhere\\at\\all\\setup.bin", " \t", '"');
    EXPECT_EQ("setup.bin.exe", command.ProgramName());
    EXPECT_EQ("nowhere\\at\\all", command.ProgramFolder());
    EXPECT_EQ("\"nowhere\\at\\all\\setup.bin.exe\"", command.FullCommandLine());
}

}  // namespace
