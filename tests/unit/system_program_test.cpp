// Which command lines have their program taken from the system folder.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell_exec.h"
#include "text_util.h"

namespace {

const char kSystem[] = "C:\\Windows\\system32";

// The files of the fake system folder; names compare without regard to case, as on Windows.
bool InSystemFolder(const std::string& path) {
    for (const char* file : {"msiexec.exe", "cmd.exe", "net.exe", "whoami.exe", "expand.com"}) {
        if (EqualsNoCase(path.c_str(), (std::string(kSystem) + "\\" + file).c_str()))
            return true;
    }
    return false;
}

TEST(SystemProgramTest, BareProgramNamesRunFromTheSystemFolder) {
    struct Case {
        const char* commandLine;
        const char* expected;
    };
    const Case cases[] = {
        // A bare name, with and without arguments, blanks or a tab after it.
        {"msiexec /i \"C:\\Cache\\a.msi\" /qn",
         "C:\\Windows\\system32\\msiexec.exe /i \"C:\\Cache\\a.msi\" /qn"},
        {"msiexec", "C:\\Windows\\system32\\msiexec.exe"},
        {"net\tstop x", "C:\\Windows\\system32\\net.exe\tstop x"},
        {"  cmd /c dir", "  C:\\Windows\\system32\\cmd.exe /c dir"},
        // The name as written; the folder's files are found without regard to case.
        {"CMD /c dir", "C:\\Windows\\system32\\CMD.exe /c dir"},
        // A name with an extension is taken as it is.
        {"cmd.exe /c dir", "C:\\Windows\\system32\\cmd.exe /c dir"},
        {"expand.com a b", "C:\\Windows\\system32\\expand.com a b"},
        {"expand a b", "expand a b"},  // there is no expand.exe
        // A quoted name stays quoted, so that what follows it stays apart.
        {"\"msiexec\" /x {A}", "\"C:\\Windows\\system32\\msiexec.exe\" /x {A}"},
        {"\"cmd\"/c dir", "\"C:\\Windows\\system32\\cmd.exe\"/c dir"},
        // A name with a path of any kind is left to the caller.
        {"C:\\Tools\\msiexec.exe /i a.msi", "C:\\Tools\\msiexec.exe /i a.msi"},
        {"\"C:\\Program Files\\App\\cmd.exe\" /c", "\"C:\\Program Files\\App\\cmd.exe\" /c"},
        {".\\msiexec /i a.msi", ".\\msiexec /i a.msi"},
        {"tools/msiexec /i a.msi", "tools/msiexec /i a.msi"},
        {"C:msiexec /i a.msi", "C:msiexec /i a.msi"},
        // Programs the system folder does not have run as they always did.
        {"setup.exe /q", "setup.exe /q"},
        {"installer /q", "installer /q"},
        // Nothing to take.
        {"", ""},
        {"   ", "   "},
        {"\"\" /q", "\"\" /q"},
        {"\"msiexec /i a.msi", "\"msiexec /i a.msi"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CommandWithSystemProgram(c.commandLine, kSystem, InSystemFolder))
            << c.commandLine;
}

TEST(SystemProgramTest, PathIsQuotedWhenTheFolderHoldsABlank) {
    const auto any = [](const std::string&) { return true; };
    EXPECT_EQ("\"C:\\My Windows\\system32\\net.exe\" use",
              CommandWithSystemProgram("net use", "C:\\My Windows\\system32", any));
    EXPECT_EQ("C:\\net.exe use", CommandWithSystemProgram("net use", "C:\\", any));
    // Without a system folder nothing is changed.
    EXPECT_EQ("net use", CommandWithSystemProgram("net use", "", any));
}

TEST(SystemProgramTest, AskedPathIsTheSystemFolderCandidate) {
    std::set<std::string> asked;
    const auto record = [&asked](const std::string& path) {
        asked.insert(path);
        return false;
    };
    CommandWithSystemProgram("whoami /all", kSystem, record);
    CommandWithSystemProgram("\"find.exe\" x", kSystem, record);
    CommandWithSystemProgram("C:\\x\\y.exe", kSystem, record);
    EXPECT_EQ((std::set<std::string>{"C:\\Windows\\system32\\whoami.exe",
                                     "C:\\Windows\\system32\\find.exe"}),
              asked);
}

}  // namespace
