// The registry, file, text, system and dialog logic of utils.dll against fakes of the machine.

#include <gtest/gtest.h>

#include <memory>

#include "access_rules.h"
#include "deletion_guard.h"
#include "dialog_procedures.h"
#include "event_procedures.h"
#include "file_choice.h"
#include "file_procedures.h"
#include "log_capture.h"
#include "message_box_codes.h"
#include "options_model.h"
#include "property_store.h"
#include "registry_procedures.h"
#include "system_procedures.h"
#include "text_procedures.h"
#include "text_search.h"
#include "utils_sys_fakes.h"

namespace {

const char kKey[] = "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Product";
const PluginSession kSession = 77;

class UtilsSysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        files_.AddFolder("C:\\Data\\App");
        previous_ = SetUtilsMachine(
            {&registry_, &files_, &rewriter_, &system_, &access_, &session_, &events_});
        SetPluginData(nullptr, &store_, "");
    }
    void TearDown() override {
        SetPluginData(nullptr, nullptr, "");
        SetUtilsMachine(previous_);
    }

    ViewRegistry registry_;
    ShortNameFiles files_;
    FakeRewriter rewriter_{files_};
    FakeSystem system_;
    FakeAccess access_;
    FakeSession session_;
    FakeEvents events_;
    PropertyStore store_;
    UtilsMachine previous_{};
};

// Text procedures.

TEST(UtilsTextTest, RootDrivePathJoinAndRemoveChar) {
    EXPECT_EQ("C:", RootDriveOf("C:\\x\\y"));
    EXPECT_EQ("\\\\server", RootDriveOf("\\\\server\\share\\a"));
    EXPECT_EQ("C:", RootDriveOf("C:"));
    EXPECT_EQ("C:\\a\\b\\c", JoinPathPieces({"C:\\a\\", "b", "\\c"}));
    EXPECT_EQ("a\\b\\c", JoinPathPieces({"a/b", "c"}));
    EXPECT_EQ("b", JoinPathPieces({"", "b\\\\"}));
    EXPECT_EQ("abc", RunProc(RemoveCharProc, {"RemoveChar", "a-b-c", "-"}).text);
    EXPECT_EQ("a+b", RunProc(RemoveCharProc, {"RemoveChar", "a-b", "-", "+"}).text);
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, RunProc(RemoveCharProc, {"RemoveChar", "abc", "xy"}).status);
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, RunProc(RemoveCharProc, {"RemoveChar", "abc", ""}).status);
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE,
              RunProc(RemoveCharProc, {"RemoveChar", "abc", "a", "xy"}).status);
    EXPECT_EQ("C:\\a\\b", RunProc(PathJoinProc, {"PathJoin", "C:/a/", "b"}).text);
    EXPECT_EQ(ERR_PROC_BAD_ARG_COUNT, RunProc(PathJoinProc, {"PathJoin", "a"}).status);
}

TEST(UtilsTextTest, SearchContinuesBehindEachMatchAndCountsTheLastByte) {
    EXPECT_EQ((std::vector<std::size_t>{0}), FindOccurrences("aaa", "aa"));
    EXPECT_EQ((std::vector<std::size_t>{2}), FindOccurrences("xyab", "ab"));
    EXPECT_TRUE(FindOccurrences("ab", "abc").empty());
    EXPECT_TRUE(FindOccurrences("abc", "").empty());
    EXPECT_EQ("1-2-3", ReplaceOccurrences("1, 2, 3", ", ", "-"));
    EXPECT_EQ(std::string("a\0Zb", 4), ReplaceOccurrences(std::string("a\0xb", 4), "x", "Z"));
}

TEST_F(UtilsSysTest, PropertyAndEnvironmentFromBothDoors) {
    store_.Set("Folder", "C:\\Data\\app", false);
    store_.Set("Root", "C:\\Data", false);
    EXPECT_EQ("C:\\Data\\app",
              RunProc(GetPropertyValueProc, {"GetPropertyValue", "Folder", "d"}).text);
    EXPECT_EQ("d", RunProc(GetPropertyValueProc, {"GetPropertyValue", "Missing", "d"}).text);
    session_.properties["Folder"] = "D:\\Installed";
    EXPECT_EQ("D:\\Installed",
              RunProc(GetPropertyValueProc, {"GetPropertyValue", "Folder", "d"}, kSession).text);
    EXPECT_EQ("d", RunProc(GetPropertyValueProc, {"GetPropertyValue", "Root", "d"}, kSession).text);
    system_.environment["TEMP"] = "C:\\Temp";
    const ProcOutcome env = RunProc(GetEnvProc, {"GetEnv", "TEMP"});
    EXPECT_EQ("C:\\Temp", env.text);
    EXPECT_EQ(1, env.number);
    EXPECT_EQ("", RunProc(GetEnvProc, {"GetEnv", "UNSET"}).text);
}

// Deletion guards.

TEST(DeletionGuardTest, RefusesEmptyRelativeRootAndNearRootPaths) {
    std::string reason;
    EXPECT_FALSE(FolderMayBeRemoved("", &reason));
    EXPECT_FALSE(FolderMayBeRemoved("C:\\", &reason));
    EXPECT_FALSE(FolderMayBeRemoved("C:\\Windows", &reason));
    EXPECT_FALSE(FolderMayBeRemoved("relative\\folder\\x", &reason));
    EXPECT_FALSE(FolderMayBeRemoved("\\folder\\x\\y", &reason));
    EXPECT_FALSE(FolderMayBeRemoved("C:\\a\\..\\..\\b", &reason));
    EXPECT_FALSE(FolderMayBeRemoved("[INSTALLDIR]\\a\\b", &reason));
    EXPECT_FALSE(FolderMayBeRemoved("\\\\server\\share\\a", &reason));
    EXPECT_TRUE(FolderMayBeRemoved("C:\\Program Files\\Vendor", &reason));
    EXPECT_TRUE(FolderMayBeRemoved("\\\\server\\share\\a\\b", &reason));
    EXPECT_FALSE(FilesMayBeDeleted("C:", "*.*", &reason));
    EXPECT_FALSE(FilesMayBeDeleted("C:\\Windows", "*.dll", &reason));
    EXPECT_FALSE(FilesMayBeDeleted("C:\\a\\b", "", &reason));
    EXPECT_TRUE(FilesMayBeDeleted("C:\\Temp", "setup.log", &reason));
    EXPECT_TRUE(FilesMayBeDeleted("C:\\Temp\\Vendor", "*.log", &reason));
    EXPECT_FALSE(KeyMayBeDeleted("HKEY_LOCAL_MACHINE", &reason));
    EXPECT_FALSE(KeyMayBeDeleted("HKEY_LOCAL_MACHINE\\Software\\", &reason));
    EXPECT_FALSE(KeyMayBeDeleted("Software\\Vendor\\Product", &reason));
    EXPECT_TRUE(KeyMayBeDeleted("HKEY_LOCAL_MACHINE\\Software\\Vendor", &reason));
}

TEST(DeletionGuardTest, LongNamesAreMatchedWithoutRegardToCase) {
    EXPECT_TRUE(WildcardMatches("*.txt", "Notes.TXT"));
    EXPECT_FALSE(WildcardMatches("*.txt", "notes.txtx"));
    EXPECT_TRUE(WildcardMatches("a?c*", "abcdef"));
    EXPECT_FALSE(WildcardMatches("a?c", "ac"));
    EXPECT_TRUE(WildcardMatches("*.*", "noextension"));
    EXPECT_TRUE(WildcardMatches("*", ""));
}

// File procedures.

TEST_F(UtilsSysTest, DeleteByPatternMatchesLongNamesOnly) {
    files_.SetFileContent("C:\\Data\\App\\one.txt", "1");
    files_.SetFileContent("C:\\Data\\App\\notes.txtx", "2");
    files_.shortMatches["c:\\data\\app"] = {"notes.txtx"};
    LogCapture log;
    EXPECT_EQ(1, RunProc(DeleteFileProc, {"DeleteFile", "\"C:/Data/App/*.txt\""}).number);
    EXPECT_EQ("<missing>", files_.Content("C:\\Data\\App\\one.txt"));
    EXPECT_EQ("2", files_.Content("C:\\Data\\App\\notes.txtx"));
    EXPECT_TRUE(log.Contains("    Proc call : Delete file 'C:\\Data\\App\\*.txt'"));
}

TEST_F(UtilsSysTest, DeletionsOfEmptyRootOrUnresolvedPathsAreRefused) {
    files_.SetFileContent("C:\\top.txt", "t");
    files_.SetFileContent("C:\\Data\\App\\keep.txt", "k");
    LogCapture log;
    for (const char* path : {"", "C:\\*", "C:\\Data\\*.txt", "[NOPE]\\*.txt", "*.txt"})
        EXPECT_EQ(0, RunProc(DeleteFileProc, {"DeleteFile", path}).number) << path;
    for (const char* folder : {"", "C:\\", "C:\\Data", "[NOPE]\\App\\x"})
        EXPECT_EQ(0, RunProc(DeleteFolderProc, {"DeleteFolder", folder, "1"}).number) << folder;
    EXPECT_EQ("t", files_.Content("C:\\top.txt"));
    EXPECT_EQ("k", files_.Content("C:\\Data\\App\\keep.txt"));
    EXPECT_TRUE(log.Contains("Refusing to delete"));
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE,
              RunProc(DeleteFolderProc, {"DeleteFolder", "C:\\Data\\App", "2"}).status);
}

TEST_F(UtilsSysTest, DeleteFolderForcedOrOnlyWhenEmpty) {
    files_.SetFileContent("C:\\Data\\App\\Sub\\a.txt", "a");
    LogCapture log;
    EXPECT_EQ(0, RunProc(DeleteFolderProc, {"DeleteFolder", "C:\\Data\\App\\Sub"}).number);
    EXPECT_EQ("a", files_.Content("C:\\Data\\App\\Sub\\a.txt"));
    EXPECT_TRUE(log.Contains("Delete folder 'C:\\Data\\App\\Sub' if EMPTY"));
    EXPECT_EQ(1, RunProc(DeleteFolderProc, {"DeleteFolder", "C:\\Data\\App\\Sub\\", " 1 "}).number);
    EXPECT_FALSE(files_.FileExists("C:\\Data\\App\\Sub"));
    EXPECT_TRUE(log.Contains("Delete folder 'C:\\Data\\App\\Sub' FORCED"));
}

TEST_F(UtilsSysTest, CopyMoveAndExists) {
    files_.SetFileContent("C:\\Data\\App\\a.cfg", "A");
    files_.SetFileContent("C:\\Data\\App\\b.cfg", "B");
    files_.AddFolder("C:\\Data\\Out");
    store_.Set("Out", "C:\\Data\\Out", false);
    EXPECT_EQ(1, RunProc(CopyFileProc, {"CopyFile", "C:\\Data\\App\\*.cfg", "[Out]"}).number);
    EXPECT_EQ("A", files_.Content("C:\\Data\\Out\\a.cfg"));
    EXPECT_EQ("B", files_.Content("C:\\Data\\Out\\b.cfg"));
    EXPECT_EQ(
        1,
        RunProc(CopyFileProc, {"CopyFile", "C:\\Data\\App\\a.cfg", "C:\\Data\\Out\\c.cfg"}).number);
    EXPECT_EQ("A", files_.Content("C:\\Data\\Out\\c.cfg"));
    EXPECT_EQ(
        0, RunProc(CopyFileProc, {"CopyFile", "C:\\Data\\App\\none.cfg", "C:\\Data\\Out"}).number);
    EXPECT_EQ(1, RunProc(FileExistsProc, {"FileExists", "C:\\Data\\Out\\c.cfg"}).number);
    EXPECT_EQ(0, RunProc(FileExistsProc, {"FileExists", "C:\\Data\\Out"}).number);
    EXPECT_EQ(
        1, RunProc(MoveFileProc, {"MoveFile", "C:\\Data\\Out\\c.cfg", "C:\\Data\\d.cfg"}).number);
    EXPECT_EQ("A", files_.Content("C:\\Data\\d.cfg"));
    LogCapture log;
    EXPECT_EQ(0,
              RunProc(MoveFileProc, {"MoveFile", "C:\\Data\\gone.cfg", "C:\\Data\\e.cfg"}).number);
    EXPECT_TRUE(log.Contains("Could not move file 'C:\\Data\\gone.cfg'"));
}

TEST_F(UtilsSysTest, FindAndReplaceInFile) {
    const std::string file = "C:\\Data\\App\\settings.ini";
    files_.SetFileContent(file, "port=80\nhost=old\nname=old");
    EXPECT_EQ(1, RunProc(FindInFileProc, {"FindInFile", file, "name=old"}).number);
    EXPECT_EQ(0, RunProc(FindInFileProc, {"FindInFile", file, "Host"}).number);
    EXPECT_EQ(1, RunProc(ReplaceInFileProc, {"ReplaceInFile", file, "old", "new"}).number);
    EXPECT_EQ("port=80\nhost=new\nname=new", files_.Content(file));
    EXPECT_EQ(0, RunProc(ReplaceInFileProc, {"ReplaceInFile", file, "absent", "x"}).number);
    LogCapture log;
    EXPECT_EQ(0, RunProc(FindInFileProc, {"FindInFile", "C:\\Data\\none.ini", "x"}).number);
    EXPECT_TRUE(log.Contains("    Proc call : Error 2 opening file 'C:\\Data\\none.ini' for read"));
}

TEST_F(UtilsSysTest, ReplaceRefusesEmptySearchAndKeepsTheOriginalOnFailures) {
    const std::string file = "C:\\Data\\App\\settings.ini";
    const std::string original = "host=old\nmore=old";
    files_.SetFileContent(file, original);
    LogCapture log;
    const ProcOutcome empty = RunProc(ReplaceInFileProc, {"ReplaceInFile", file, "", "x"});
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, empty.status);
    EXPECT_EQ(0, empty.number);
    EXPECT_EQ(original, files_.Content(file));
    rewriter_.writeFailure = 112;  // ERROR_DISK_FULL
    EXPECT_EQ(0, RunProc(ReplaceInFileProc, {"ReplaceInFile", file, "old", "new"}).number);
    EXPECT_EQ(original, files_.Content(file));
    EXPECT_TRUE(log.Contains("    Proc call : Error 112 opening file"));
    rewriter_.writeFailure = 0;
    rewriter_.replaceFailure = 32;
    EXPECT_EQ(0, RunProc(ReplaceInFileProc, {"ReplaceInFile", file, "old", "new"}).number);
    EXPECT_EQ(original, files_.Content(file));
    EXPECT_EQ((std::vector<std::string>{"c:\\data\\app\\settings.ini"}),
              files_.Below("C:\\Data\\App"));
}

// Registry procedures.

TEST_F(UtilsSysTest, TwoViewProceduresWriteBothViewsNamedExplicitly) {
    EXPECT_EQ(1, RunProc(RegistryMakeKeyBothProc, {"RegistryMakeKey_x32x64", kKey}).number);
    EXPECT_TRUE(registry_.HasKey(kRegistry32View, kKey));
    EXPECT_TRUE(registry_.HasKey(kRegistry64View, kKey));
    EXPECT_EQ(1, RunProc(RegistrySetValueBothProc,
                         {"RegistrySetValue_x32x64", kKey, "Level", "0x10", "REG_DWORD"})
                     .number);
    EXPECT_EQ("16", registry_.Get(kRegistry32View, std::string(kKey) + "\\Level"));
    EXPECT_EQ("16", registry_.Get(kRegistry64View, std::string(kKey) + "\\Level"));
    EXPECT_EQ(1, RunProc(RegistrySetValueProc, {"RegistrySetValue", kKey, "Name", "text"}).number);
    EXPECT_EQ("text", registry_.Get(kRegistryDefaultView, std::string(kKey) + "\\Name"));
    EXPECT_FALSE(registry_.Has(kRegistry32View, std::string(kKey) + "\\Name"));
    LogCapture log;
    EXPECT_EQ(
        0,
        RunProc(RegistrySetValueProc, {"RegistrySetValue", kKey, "B", "00", "REG_BINARY"}).number);
    EXPECT_TRUE(log.Contains("    Proc call : Invalid registry type: REG_BINARY"));
    EXPECT_EQ(
        0,
        RunProc(RegistrySetValueProc, {"RegistrySetValue", kKey, "D", "-1", "REG_DWORD"}).number);
    EXPECT_EQ(
        0, RunProc(RegistrySetValueProc, {"RegistrySetValue", kKey, "D", "4294967296", "REG_DWORD"})
               .number);
    EXPECT_FALSE(registry_.Has(kRegistryDefaultView, std::string(kKey) + "\\D"));
}

TEST_F(UtilsSysTest, ReadingCountingAndExistence) {
    const std::string key = kKey;
    registry_.Set(kRegistry64View, key + "\\List", std::string("a\0b\0\0", 5), kRegMultiString);
    registry_.Set(kRegistry64View, key + "\\Sub\\Inner", "x");
    EXPECT_EQ("a/b/",
              RunProc(RegistryGetValueProc,
                      {"RegistryGetValue", "HKEY_LOCAL_MACHINE/Software/Vendor/Product/", "List"})
                  .text);
    const ProcOutcome missing =
        RunProc(RegistryGetValueProc, {"RegistryGetValue", kKey, "None", "dflt"});
    EXPECT_EQ("dflt", missing.text);
    EXPECT_EQ(0, missing.number);
    registry_.Set(kRegistry64View, key + "\\Long", std::string(40, 'x'));
    LogCapture log;
    EXPECT_EQ(std::string(15, 'x'),
              RunProc(RegistryGetValueProc, {"RegistryGetValue", kKey, "Long"}, 0, 16).text);
    EXPECT_TRUE(log.Contains("Return value is too large and will be truncated from 40 to 15"));
    EXPECT_EQ(1, RunProc(RegistryExistsProc, {"RegistryExists", " " + key + "\\ "}).number);
    EXPECT_EQ(1, RunProc(RegistryExistsProc, {"RegistryExists", key, "List"}).number);
    EXPECT_EQ(0, RunProc(RegistryExistsProc, {"RegistryExists", key, "None"}).number);
    EXPECT_EQ(0, RunProc(RegistryExistsProc, {"RegistryExists", key + "\\Absent"}).number);
    EXPECT_EQ(3, RunProc(RegistryEntriesCountProc, {"RegistryEntriesCount", key}).number);
    EXPECT_EQ(1, RunProc(RegistryEntriesCountProc, {"RegistryEntriesCount", key, "Long"}).number);
}

TEST_F(UtilsSysTest, CopyBetweenViewsGoesFromTheSixtyFourBitView) {
    const std::string key = kKey;
    registry_.Set(kRegistry64View, key + "\\Name", "sixty-four");
    registry_.Set(kRegistry64View, key + "\\Sub\\Level", "7", kRegDword);
    registry_.Set(kRegistry64View, key + "\\Blob", "0102", kRegBinary);
    registry_.Set(kRegistry32View, key + "\\Own", "kept");
    registry_.Set(kRegistry32View, key + "\\Name", "thirty-two");
    LogCapture log;
    EXPECT_EQ(0, RunProc(RegistryCopyKeyWow6432Proc, {"RegistryCopyKeyWOW6432", kKey}).number);
    EXPECT_TRUE(log.Contains("    Proc call : Error: Cannot find OS architecture!"));
    store_.Set("OSArchitecture", "32-bit", false);
    EXPECT_EQ(0, RunProc(RegistryCopyKeyWow6432Proc, {"RegistryCopyKeyWOW6432", kKey}).number);
    EXPECT_TRUE(log.Contains("    Proc call : Ignored: No 64 bits architecture"));
    EXPECT_EQ("thirty-two", registry_.Get(kRegistry32View, key + "\\Name"));
    store_.Set("OSArchitecture", "64-BIT", true);
    EXPECT_EQ(1, RunProc(RegistryCopyKeyWow6432Proc, {"RegistryCopyKeyWOW6432", kKey}).number);
    EXPECT_EQ("sixty-four", registry_.Get(kRegistry32View, key + "\\Name"));
    EXPECT_EQ("7", registry_.Get(kRegistry32View, key + "\\Sub\\Level"));
    EXPECT_EQ("kept", registry_.Get(kRegistry32View, key + "\\Own"));
    EXPECT_FALSE(registry_.Has(kRegistry64View, key + "\\Own"));
    EXPECT_FALSE(registry_.Has(kRegistry32View, key + "\\Blob"));
    EXPECT_TRUE(log.Contains("    Proc call : Keys/Values duplicated: 4"));
}

TEST_F(UtilsSysTest, CopyInsideTheInstallerAsksTheSession) {
    registry_.Set(kRegistry64View, std::string(kKey) + "\\Name", "v");
    EXPECT_EQ(
        0, RunProc(RegistryCopyKeyWow6432Proc, {"RegistryCopyKeyWOW6432", kKey}, kSession).number);
    session_.properties["VersionNT64"] = "601";
    EXPECT_EQ(
        1, RunProc(RegistryCopyKeyWow6432Proc, {"RegistryCopyKeyWOW6432", kKey}, kSession).number);
    EXPECT_EQ("v", registry_.Get(kRegistry32View, std::string(kKey) + "\\Name"));
}

TEST_F(UtilsSysTest, DeleteKeyInBothViewsButNeverNearARoot) {
    registry_.Set(kRegistry64View, std::string(kKey) + "\\A", "1");
    registry_.Set(kRegistry32View, std::string(kKey) + "\\A", "1");
    LogCapture log;
    EXPECT_EQ(0, RunProc(RegistryDeleteKeyWow64Proc,
                         {"RegistryDeleteKeyWOW64", "HKEY_LOCAL_MACHINE\\Software"})
                     .number);
    EXPECT_TRUE(registry_.HasKey(kRegistry64View, "HKEY_LOCAL_MACHINE\\Software"));
    EXPECT_EQ(1, RunProc(RegistryDeleteKeyWow64Proc, {"RegistryDeleteKeyWOW64", kKey}).number);
    EXPECT_FALSE(registry_.HasKey(kRegistry64View, kKey));
    EXPECT_FALSE(registry_.HasKey(kRegistry32View, kKey));
    EXPECT_TRUE(
        log.Contains("    Proc call : Preparing to delete Registry Key " + std::string(kKey)));
}

// Access rules and system queries.

TEST(AccessRulesTest, RulesNeverWidenBeyondWhatTheyName) {
    std::vector<AccessRule> rules;
    std::string reason;
    ASSERT_TRUE(ParseAccessRules("Users:RX; S-1-5-21-9-9-9-500:M", false, &rules, &reason));
    ASSERT_EQ(2u, rules.size());
    EXPECT_EQ("S-1-5-32-545", rules[0].account);
    EXPECT_EQ(0x001200A9UL, rules[0].mask);
    for (const char* word : {"R", "RX", "W", "M"}) {
        for (const bool key : {false, true}) {
            EXPECT_NE(0UL, RightsMask(word, key));
            EXPECT_EQ(0UL, RightsMask(word, key) & (kWriteDacRight | kWriteOwnerRight)) << word;
        }
    }
    EXPECT_FALSE(ParseAccessRules("Everyone:R", false, &rules, &reason));
    EXPECT_FALSE(ParseAccessRules("S-1-1-0:R", false, &rules, &reason));
    EXPECT_FALSE(ParseAccessRules("s-1-5-7:R", true, &rules, &reason));
    EXPECT_FALSE(ParseAccessRules("Users:F", false, &rules, &reason));
    EXPECT_FALSE(ParseAccessRules("Users", false, &rules, &reason));
    EXPECT_FALSE(ParseAccessRules(" ; ", false, &rules, &reason));
}

TEST_F(UtilsSysTest, AccessProceduresHandOverMergedRulesOnly) {
    EXPECT_EQ(1, RunProc(SetAccessPermissionsProc,
                         {"SetAccessPermissions", "C:\\Data\\App", "CurrentUser:M;Users:R", "0"})
                     .number);
    ASSERT_EQ(2u, access_.grants.size());
    EXPECT_EQ("S-1-5-21-1-2-3-1001", access_.grants[0].sid);
    EXPECT_FALSE(access_.grants[0].inherit);
    EXPECT_FALSE(access_.grants[0].registryKey);
    const ProcOutcome everyone =
        RunProc(SetAccessPermissionsProc, {"SetAccessPermissions", "C:\\Data\\App", "Everyone:R"});
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, everyone.status);
    EXPECT_EQ(
        0,
        RunProc(SetAccessPermissionsProc, {"SetAccessPermissions", "relative", "Users:R"}).number);
    EXPECT_EQ(2u, access_.grants.size());
    EXPECT_EQ(
        1,
        RunProc(RegistryGrantAccessToCrtUserProc, {"RegistryGrantAccessToCrtUser", kKey}).number);
    ASSERT_EQ(3u, access_.grants.size());
    EXPECT_TRUE(access_.grants[2].registryKey);
    EXPECT_TRUE(access_.grants[2].inherit);
    EXPECT_EQ(0UL, access_.grants[2].mask & (kWriteDacRight | kWriteOwnerRight));
    access_.grantFailure = 5;
    LogCapture log;
    EXPECT_EQ(
        0,
        RunProc(RegistryGrantAccessToCrtUserProc, {"RegistryGrantAccessToCrtUser", kKey}).number);
    EXPECT_TRUE(log.Contains("    Proc call : Error 5 setting access permissions"));
    EXPECT_EQ(1, RunProc(TakeRegistryOwnershipProc, {"TakeRegistryOwnership", kKey}).number);
    EXPECT_EQ(1, RunProc(TakeFileOwnershipProc, {"TakeFileOwnership", "C:\\Data\\App\\x"}).number);
    EXPECT_EQ(0, RunProc(TakeFileOwnershipProc, {"TakeFileOwnership", ""}).number);
    EXPECT_EQ((std::vector<std::string>{"key:" + std::string(kKey), "file:C:\\Data\\App\\x"}),
              access_.owned);
}

TEST_F(UtilsSysTest, SystemQueries) {
    EXPECT_EQ(1, RunProc(RunningAsAdminProc, {"RunningAsAdmin"}).number);
    system_.administrator = false;
    EXPECT_EQ(0, RunProc(RunningAsAdminProc, {"RunningAsAdmin"}).number);
    system_.membershipFailure = 5;
    EXPECT_EQ(0, RunProc(RunningAsAdminProc, {"RunningAsAdmin"}).number);
    LogCapture log;
    system_.version = "10.0.0";
    EXPECT_EQ(1, RunProc(IsOSVersionProc, {"IsOSVersion", " 6.1-6.3, 10.0 "}).number);
    EXPECT_TRUE(log.Contains(
        "    Proc call : OS version '10.0.0' is in the specified range [6.1-6.3, 10.0]"));
    EXPECT_EQ(0, RunProc(IsOSVersionProc, {"IsOSVersion", "6.1-6.3"}).number);
    EXPECT_TRUE(log.Contains("is NOT in the specified range [6.1-6.3]"));
    system_.freeBytes["C:\\"] = 5 * 1048576ULL + 1048575ULL;
    EXPECT_EQ(5, RunProc(GetDiskFreeSpaceProc, {"GetDiskFreeSpace", "C:\\"}).number);
    EXPECT_EQ(-1, RunProc(GetDiskFreeSpaceProc, {"GetDiskFreeSpace", "Q:\\"}).number);
    EXPECT_EQ(
        9, RunProc(GetProcessorArchitectureProc, {"GetProcessorArchitecture", "ignored"}).number);
    system_.architecture = 0xFFFF;
    EXPECT_EQ(-1, RunProc(GetProcessorArchitectureProc, {"GetProcessorArchitecture"}).number);
    system_.accounts["S-1-5-32-544"] = "BUILTIN\\Administrators";
    EXPECT_EQ("BUILTIN\\Administrators",
              RunProc(GetAccountNameProc, {"GetAccountName", "S-1-5-32-544"}).text);
    EXPECT_EQ(1332, RunProc(GetAccountNameProc, {"GetAccountName", "S-1-5-99"}).status);
}

TEST_F(UtilsSysTest, EventMessagesGoUnderTheProductName) {
    LogCapture log;
    EXPECT_EQ(0, RunProc(LogEventMessageProc, {"LogEventMessage", "text"}).number);
    EXPECT_TRUE(log.Contains("'ProductName' property not found"));
    EXPECT_TRUE(events_.reported.empty());
    store_.Set("ProductName", "Widget", false);
    EXPECT_EQ(1, RunProc(LogEventMessageProc, {"LogEventMessage", "broken", "error"}).number);
    EXPECT_EQ(1, RunProc(LogEventMessageProc, {"LogEventMessage", "note", "debug"}).number);
    EXPECT_TRUE(log.Contains("Invalid severity 'debug'; assuming 'Info'"));
    session_.properties["ProductName"] = "Gadget";
    EXPECT_EQ(
        1, RunProc(LogEventMessageProc, {"LogEventMessage", "inside", "Warning"}, kSession).number);
    ASSERT_EQ(3u, events_.reported.size());
    EXPECT_EQ(1, events_.reported[0].type);
    EXPECT_NE(std::string::npos, events_.reported[0].text.find("Widget"));
    EXPECT_EQ(4, events_.reported[1].type);
    EXPECT_EQ(2, events_.reported[2].type);
    EXPECT_NE(std::string::npos, events_.reported[2].text.find("Gadget"));
}

// Dialog words and the options dialog's model.

TEST(MessageBoxCodesTest, ButtonIconAnswerAndLanguageTables) {
    const struct {
        const char* text;
        unsigned style;
        bool known;
    } buttons[] = {{"OC", kBoxOkCancel, true},    {"O", kBoxOk, true},
                   {"ok", kBoxOk, true},          {"R", kBoxRetryCancel, true},
                   {"rc", kBoxRetryCancel, true}, {"YNC", kBoxYesNoCancel, true},
                   {"yn", kBoxYesNo, true},       {"Y", kBoxYesNo, true},
                   {"", kBoxOkCancel, false},     {"X", kBoxOkCancel, false}};
    for (const auto& row : buttons) {
        unsigned style = 99;
        EXPECT_EQ(row.known, ButtonStyle(row.text, &style)) << row.text;
        EXPECT_EQ(row.style, style) << row.text;
    }
    unsigned icon = 0;
    EXPECT_TRUE(IconStyle("E", &icon));
    EXPECT_EQ(kBoxIconError, icon);
    EXPECT_TRUE(IconStyle("Question", &icon));
    EXPECT_EQ(kBoxIconQuestion, icon);
    EXPECT_TRUE(IconStyle("W", &icon));
    EXPECT_EQ(kBoxIconWarning, icon);
    EXPECT_FALSE(IconStyle("q", &icon));
    EXPECT_EQ(kBoxIconInformation, icon);
    EXPECT_EQ('N', AnswerLetter(kAnswerNo));
    EXPECT_EQ('R', AnswerLetter(kAnswerRetry));
    EXPECT_EQ('\0', AnswerLetter(3));
    EXPECT_EQ(1033, MessageBoxLanguage("E"));
    EXPECT_EQ(0, MessageBoxLanguage("n"));
    EXPECT_EQ(2048, MessageBoxLanguage("S"));
    EXPECT_EQ(1024, MessageBoxLanguage(""));
    char result[4] = "zzz";
    EXPECT_EQ('Y', PutAnswerLetter(kAnswerYes, result, sizeof(result)));
    EXPECT_STREQ("Y", result);
    EXPECT_EQ(0, PutAnswerLetter(11, result, sizeof(result)));
    EXPECT_STREQ("", result);
    LogCapture log;
    EXPECT_EQ(kBoxOkCancel | kBoxIconInformation, MessageBoxStyleFor(0, "", ""));
    EXPECT_TRUE(log.Contains("for butttons valid format! Defaulting to 'Ok Cancel'"));
    EXPECT_TRUE(log.Contains("for icons valid format! Defaulting to 'Info'"));
}

TEST(OptionsModelTest, ArgumentsOptionsAndAnswers) {
    OptionsContent content;
    std::string reason;
    ASSERT_TRUE(ParseOptionsArguments(
        {"multisel", "Caption", "Pick\\nsome", "Name~Size", "1~Core~10", "-~Docs~2", "Extras~1"},
        false, &content, &reason));
    EXPECT_FALSE(content.single);
    EXPECT_EQ("Pick\nsome", content.title);
    EXPECT_EQ((std::vector<std::string>{"Name", "Size"}), content.columns);
    ASSERT_EQ(3u, content.options.size());
    EXPECT_TRUE(content.options[0].chosen);
    EXPECT_FALSE(content.options[1].choosable);
    EXPECT_EQ((std::vector<std::string>{"Extras", "1"}), content.options[2].columns);
    EXPECT_EQ("1_0", OptionsAnswer(content.options, false));
    ChooseOption(&content.options, 1, true, false);
    ChooseOption(&content.options, 2, true, false);
    EXPECT_EQ("1_1", OptionsAnswer(content.options, false));
    EXPECT_FALSE(ParseOptionsArguments({"Both", "c", "t", "n", "1~a"}, false, &content, &reason));
    EXPECT_FALSE(ParseOptionsArguments({"MultiSel", "c", "t", "n"}, false, &content, &reason));
    OptionsContent single;
    ASSERT_TRUE(ParseOptionsArguments({"SingleSel", "1", "c", "t", "n", "Go", "1~a", "1~b", "0~c"},
                                      true, &single, &reason));
    EXPECT_EQ(1, single.minimum);
    EXPECT_EQ("Go", single.button);
    EXPECT_EQ("0", OptionsAnswer(single.options, true));
    ChooseOption(&single.options, 2, true, true);
    EXPECT_EQ("2", OptionsAnswer(single.options, true));
    EXPECT_EQ(1, ChosenCount(single.options));
    ChooseOption(&single.options, 2, false, true);
    EXPECT_EQ("-1", OptionsAnswer(single.options, true));
    EXPECT_FALSE(
        ParseOptionsArguments({"SingleSel", "x", "c", "t", "n", "", "a"}, true, &single, &reason));
    ASSERT_TRUE(AcquireOptionsDialogSlot());
    EXPECT_FALSE(AcquireOptionsDialogSlot());
    ReleaseOptionsDialogSlot();
    EXPECT_TRUE(AcquireOptionsDialogSlot());
    ReleaseOptionsDialogSlot();
}

TEST(FileChoiceTest, VersionVerdicts) {
    EXPECT_EQ(kFileAccepted, JudgeFileVersion("2.1.0.7", "2.1"));
    EXPECT_EQ(kFileWrongVersion, JudgeFileVersion("2.2.0.0", "2.1"));
    EXPECT_EQ(kFileWithoutVersion, JudgeFileVersion("", "2.1"));
    EXPECT_EQ(kFileAccepted, JudgeFileVersion("3.1.2", "2.0-2.9,3.1"));
    EXPECT_EQ(kFileWrongVersion, JudgeFileVersion("3.0", "2.0-2.9,3.1"));
}

}  // namespace
