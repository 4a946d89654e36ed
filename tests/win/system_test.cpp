// Error texts, version resources and system facts from the real system.

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cctype>

#include "child_process.h"
#include "log_file.h"
#include "system_error.h"
#include "system_info.h"
#include "test_folder.h"
#include "trusted_folder_win32.h"

namespace {

TEST(SystemErrorTest, TextsOfKnownAndUnknownCodes) {
    const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(std::string::npos, text.find("CANNOT FORMAT"));
    EXPECT_FALSE(std::isspace(static_cast<unsigned char>(text.back())));
    EXPECT_FALSE(std::isspace(static_cast<unsigned char>(text.front())));

    EXPECT_EQ("CANNOT FORMAT ERROR MESSAGE FOR CODE '987654'!", SystemErrorText(987654));
    EXPECT_EQ("fallback", SystemErrorText(987654, "fallback"));
    EXPECT_EQ("", SystemErrorText(987654, ""));
}

TEST(SystemErrorTest, LogSystemErrorWritesItsBlock) {
    const char* path = Log().GetFirstLogPath();
    ASSERT_NE(nullptr, path) << "the bench sets TEMP";
    LogSystemError(987654, "Tests::LogSystemError", "    ");
    const std::vector<std::string> lines = ReadLines(path);
    ASSERT_GE(lines.size(), 5u);
    const std::vector<std::string> tail(lines.end() - 5, lines.end());
    const std::vector<std::string> expected = {"    ", "    Context:    Tests::LogSystemError",
                                               "    Error code: 987654", "    Error descr:", ""};
    EXPECT_EQ(expected, tail);
}

TEST(SystemInfoTest, VersionResourceOfSetup) {
    const std::string setup = TestProgramFolder() + "\\..\\bin\\setup.exe";
    EXPECT_EQ("1.0.0.1", GetVersion(setup.c_str(), "FileVersion"));
    EXPECT_EQ("Tarvex Bootstrapper", GetVersion(setup.c_str(), "ProductName"));
    EXPECT_EQ("", GetVersion(setup.c_str(), "NoSuchField"));
    EXPECT_EQ("", GetVersion("C:\\no\\such\\file.exe", "FileVersion"));
}

TEST(SystemInfoTest, OperatingSystemVersionText) {
    ASSERT_EQ(kPlatformNT, OsPlatform());
    const std::string three = OsVersionText(kPlatformNT, 3);
    int dots = 0;
    for (char c : three) {
        if (c == '.')
            ++dots;
        else
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c))) << three;
    }
    EXPECT_EQ(2, dots);
    EXPECT_EQ(std::string::npos, OsVersionText(kPlatformNT, 1).find('.'));
    const std::string all = OsVersionText(kPlatformNT, 0);
    EXPECT_EQ(all, OsVersionText(kPlatformNT, 9));
    EXPECT_EQ(0u, all.find(three));
    EXPECT_EQ("", OsVersionText(kPlatformWin9x, 3));
}

}  // namespace

namespace {

TEST(LogFileHandleTest, HandleSinkReceivesTheEntries) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    {
        LogFile log(nullptr, "", "");
        ASSERT_EQ(0, log.AddHandleSink(writeEnd));
        EXPECT_EQ(nullptr, log.GetConsoleHandle());  // not a console the log allocated
        log.SetIndentLevel(1);
        log.Warning("through a handle");
    }
    CloseHandle(writeEnd);
    char buffer[128] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(readEnd, buffer, sizeof(buffer) - 1, &read, nullptr));
    CloseHandle(readEnd);
    EXPECT_EQ(">>>>[WARNING] through a handle\n", std::string(buffer, read));
}

// Wine keeps no rights on the files of this bench, so the rights the all-users log folder is
// created with are proved on the descriptor itself: only SYSTEM and the administrators may
// write, users may read, and nothing is inherited from the folder above.
TEST(TrustedFolderTest, RightsLetUsersReadButNotWrite) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        platform::TrustedFolderRights(), SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_NE(0, control & SE_DACL_PROTECTED);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl);
    const DWORD kWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | WRITE_DAC |
                         WRITE_OWNER | DELETE;
    int trustedWriters = 0;
    bool usersRead = false;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&ace)));
        ASSERT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        EXPECT_NE(0, ace->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
        PSID sid = &ace->SidStart;
        if (IsWellKnownSid(sid, WinLocalSystemSid) ||
            IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
            trustedWriters += (ace->Mask & kWrite) == kWrite;
            continue;
        }
        EXPECT_EQ(0u, ace->Mask & kWrite) << "ACE " << i << " lets others write";
        usersRead = usersRead || (IsWellKnownSid(sid, WinBuiltinUsersSid) &&
                                  (ace->Mask & FILE_READ_DATA) && (ace->Mask & FILE_TRAVERSE));
    }
    EXPECT_EQ(2, trustedWriters);
    EXPECT_TRUE(usersRead);
    LocalFree(descriptor);
}

}  // namespace
