// The registry, file, text and system procedures of the real utils.dll under Wine, called
// through BSCallProc as setup calls them.

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "plugin_interface.h"
#include "property_store.h"
#include "registry.h"
#include "utils_library.h"

namespace {

const char kKey[] = "HKEY_LOCAL_MACHINE\\Software\\TarvexTests\\UtilsSys";

std::string ReadView(const std::string& path, RegistryView view) {
    std::string value;
    long error = 0;
    return ReadRegistryValue(path, &value, view, &error) ? value : "<missing>";
}

bool KeyIn(const std::string& key, RegistryView view) {
    RegistryKeyCounts counts;
    long error = 0;
    return CountRegistryKeyEntries(key, &counts, view, &error);
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "<missing>";
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

class UtilsSysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(utils_.Loaded());
        utils_.HandOver(&store_);
        long error = 0;
        for (const RegistryView view : {kRegistry32View, kRegistry64View})
            DeleteRegistryKey(kKey, view, &error);
    }
    void TearDown() override {
        long error = 0;
        for (const RegistryView view : {kRegistry32View, kRegistry64View})
            DeleteRegistryKey(kKey, view, &error);
    }
    int Number(const std::string& call) {
        const UtilsOutcome out = utils_.Call(call);
        EXPECT_EQ(0, out.status) << call << "\n" << out.log;
        return out.number;
    }

    PropertyStore store_;
    UtilsLibrary utils_;
};

TEST_F(UtilsSysTest, TwoViewWritesLandInBothViews) {
    const std::string key = kKey;
    EXPECT_EQ(1, Number("RegistryMakeKey_x32x64(" + key + "\\Made)"));
    EXPECT_TRUE(KeyIn(key + "\\Made", kRegistry32View));
    EXPECT_TRUE(KeyIn(key + "\\Made", kRegistry64View));
    EXPECT_EQ(1, Number("RegistrySetValue_x32x64(" + key + "\\Made|Both|two views)"));
    EXPECT_EQ(1, Number("RegistrySetValue_x32x64(" + key + "\\Made|Level|42|REG_DWORD)"));
    for (const RegistryView view : {kRegistry32View, kRegistry64View}) {
        EXPECT_EQ("two views", ReadView(key + "\\Made\\Both", view)) << view;
        EXPECT_EQ("42", ReadView(key + "\\Made\\Level", view)) << view;
    }
    EXPECT_EQ(1, Number("RegistrySetValue(" + key + "\\Native|Only|native)"));
    EXPECT_EQ("native", ReadView(key + "\\Native\\Only", kRegistry64View));
    EXPECT_EQ("<missing>", ReadView(key + "\\Native\\Only", kRegistry32View));
    const UtilsOutcome read = utils_.Call("RegistryGetValue(" + key + "/Native/|Only)");
    EXPECT_EQ("native", read.text);
    EXPECT_EQ(1, Number("RegistryExists(" + key + "\\Native|Only)"));
    EXPECT_EQ(1, Number("RegistryEntriesCount(" + key + "\\Native)"));
}

TEST_F(UtilsSysTest, CopyGoesFromTheSixtyFourBitViewIntoTheOtherAndDeleteTakesBoth) {
    const std::string key = kKey + std::string("\\Copied");
    long error = 0;
    ASSERT_TRUE(CreateRegistryKey(key + "\\Inner", kRegistry64View, &error));
    ASSERT_TRUE(WriteRegistryString(key + "\\Name", "from 64", kRegistry64View, &error));
    ASSERT_TRUE(WriteRegistryNumber(key + "\\Inner\\Count", 3, kRegistry64View, &error));
    ASSERT_FALSE(KeyIn(key, kRegistry32View));
    store_.Set("OSArchitecture", "64-bit", true);
    const UtilsOutcome copy = utils_.Call("RegistryCopyKeyWOW6432(" + key + ")");
    EXPECT_EQ(1, copy.number) << copy.log;
    EXPECT_NE(std::string::npos, copy.log.find("    Proc call : Keys/Values duplicated: 4"))
        << copy.log;
    EXPECT_EQ("from 64", ReadView(key + "\\Name", kRegistry32View));
    EXPECT_EQ("3", ReadView(key + "\\Inner\\Count", kRegistry32View));
    EXPECT_EQ(1, Number("RegistryDeleteKeyWOW64(" + key + ")"));
    EXPECT_FALSE(KeyIn(key, kRegistry32View));
    EXPECT_FALSE(KeyIn(key, kRegistry64View));
    EXPECT_EQ(0, Number("RegistryDeleteKeyWOW64(HKEY_LOCAL_MACHINE\\Software)"));
    EXPECT_TRUE(KeyIn("HKEY_LOCAL_MACHINE\\Software\\Microsoft", kRegistry64View));
}

// Wine gives "notes.txtx" the short name "NOTES~1.TXT", which "*.txt" matches.
TEST_F(UtilsSysTest, DeleteByPatternSparesNamesOnlyTheirShortFormMatches) {
    const std::string folder = FreshTestFolder("pattern");
    WriteFile(folder + "\\one.txt", "1");
    WriteFile(folder + "\\notes.txtx", "2");
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA((folder + "\\notes.txtx").c_str(), shortPath, sizeof(shortPath));
    RecordProperty("short_name", shortPath);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*.txt").c_str(), &data);
    int systemMatches = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do ++systemMatches;
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RecordProperty("system_matches", systemMatches);
    EXPECT_EQ(1, Number("DeleteFile(" + folder + "\\*.txt)"));
    EXPECT_FALSE(Exists(folder + "\\one.txt"));
    EXPECT_EQ("2", ReadFile(folder + "\\notes.txtx"));
}

TEST_F(UtilsSysTest, DeletionsOfEmptyAndRootPathsAreRefused) {
    const std::string folder = FreshTestFolder("refused");
    WriteFile(folder + "\\keep.txt", "k");
    store_.Set("Empty", "", true);
    for (const std::string& call :
         {std::string("DeleteFile( )"), std::string("DeleteFile([Empty]\\*.txt)"),
          std::string("DeleteFile(C:\\*)"), std::string("DeleteFolder(|1)"),
          std::string("DeleteFolder(C:\\|1)"), std::string("DeleteFolder([Empty]|1)"),
          std::string("DeleteFolder(C:\\windows|1)")}) {
        const UtilsOutcome out = utils_.Call(call);
        EXPECT_EQ(0, out.number) << call;
        EXPECT_NE(std::string::npos, out.log.find("Refusing to delete")) << call << out.log;
    }
    EXPECT_TRUE(Exists("C:\\windows\\system32"));
    EXPECT_EQ("k", ReadFile(folder + "\\keep.txt"));
    EXPECT_EQ(1, Number("DeleteFolder(" + folder + "|1)"));
    EXPECT_FALSE(Exists(folder));
}

TEST_F(UtilsSysTest, CopyMoveAndExists) {
    const std::string folder = FreshTestFolder("copy");
    CreateDirectoryA((folder + "\\out").c_str(), nullptr);
    WriteFile(folder + "\\a.cfg", "A");
    WriteFile(folder + "\\b.cfg", "B");
    EXPECT_EQ(1, Number("CopyFile(" + folder + "/*.cfg|" + folder + "\\out)"));
    EXPECT_EQ("A", ReadFile(folder + "\\out\\a.cfg"));
    EXPECT_EQ("B", ReadFile(folder + "\\out\\b.cfg"));
    EXPECT_EQ(1, Number("MoveFile(" + folder + "\\out\\a.cfg|" + folder + "\\moved.cfg)"));
    EXPECT_EQ("A", ReadFile(folder + "\\moved.cfg"));
    EXPECT_EQ(1, Number("FileExists(\"" + folder + "\\moved.cfg\")"));
    EXPECT_EQ(0, Number("FileExists(" + folder + "\\out)"));
    EXPECT_EQ(0, Number("DeleteFolder(" + folder + "\\out)"));
    EXPECT_TRUE(Exists(folder + "\\out\\b.cfg"));
}

TEST_F(UtilsSysTest, SearchAndReplace) {
    const std::string folder = FreshTestFolder("replace");
    const std::string file = folder + "\\app.ini";
    WriteFile(file, "host=old\r\nname=old");
    EXPECT_EQ(1, Number("FindInFile(" + file + "|name=old)"));
    EXPECT_EQ(1, Number("ReplaceInFile(" + file + "|old|new)"));
    EXPECT_EQ("host=new\r\nname=new", ReadFile(file));
    EXPECT_EQ((std::vector<std::string>{"app.ini"}), Names(folder));
    const UtilsOutcome empty = utils_.Call("ReplaceInFile(" + file + "||x)");
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, empty.status);
    EXPECT_EQ("host=new\r\nname=new", ReadFile(file));
}

// The original is held open without sharing: the new content cannot take its place, and the
// original stays whole with no temporary file left beside it.
TEST_F(UtilsSysTest, AFailedReplacementLeavesTheOriginalIntact) {
    const std::string folder = FreshTestFolder("locked");
    const std::string file = folder + "\\app.ini";
    WriteFile(file, "host=old");
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const UtilsOutcome out = utils_.Call("ReplaceInFile(" + file + "|old|new)");
    CloseHandle(held);
    EXPECT_EQ(0, out.number) << out.log;
    EXPECT_EQ("host=old", ReadFile(file));
    EXPECT_EQ((std::vector<std::string>{"app.ini"}), Names(folder));
}

TEST_F(UtilsSysTest, AdministratorMembershipFollowsTheEffectiveToken) {
    EXPECT_EQ(1, Number("RunningAsAdmin()"));
    HANDLE process = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process));
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                         DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                         &administrators));
    SID_AND_ATTRIBUTES disabled{administrators, 0};
    HANDLE filtered = nullptr;
    const BOOL made =
        CreateRestrictedToken(process, 0, 1, &disabled, 0, nullptr, 0, nullptr, &filtered);
    CloseHandle(process);
    FreeSid(administrators);
    ASSERT_TRUE(made) << GetLastError();
    ASSERT_TRUE(ImpersonateLoggedOnUser(filtered)) << GetLastError();
    const int member = Number("RunningAsAdmin()");
    RevertToSelf();
    CloseHandle(filtered);
    EXPECT_EQ(0, member);
    EXPECT_EQ(1, Number("RunningAsAdmin()"));
}

TEST_F(UtilsSysTest, SystemQueries) {
    EXPECT_GT(Number("GetDiskFreeSpace(C:\\)"), 0);
    EXPECT_EQ(-1, Number("GetDiskFreeSpace(Q:\\nowhere)"));
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    EXPECT_EQ(info.wProcessorArchitecture, Number("GetProcessorArchitecture(any|thing)"));
    const UtilsOutcome inRange = utils_.Call("IsOSVersion(5.0-99)");
    EXPECT_EQ(1, inRange.number);
    EXPECT_NE(std::string::npos, inRange.log.find("is in the specified range [5.0-99]"));
    EXPECT_EQ(0, Number("IsOSVersion(1.0-2.0)"));
    const UtilsOutcome account = utils_.Call("GetAccountName(S-1-5-32-544)");
    EXPECT_EQ(0, account.status);
    EXPECT_NE(std::string::npos, account.text.find("Administrators")) << account.text;
    EXPECT_NE(0, utils_.Call("GetAccountName(S-1-nonsense)").status);
    SetEnvironmentVariableA("TARVEX_UTILS_SYS", "set here");
    EXPECT_EQ("set here", utils_.Call("GetEnv(TARVEX_UTILS_SYS)").text);
    store_.Set("Folder", "C:\\Data", true);
    EXPECT_EQ("C:\\Data", utils_.Call("GetPropertyValue(Folder|none)").text);
    EXPECT_EQ("C:\\Data\\b\\c", utils_.Call("PathJoin([Folder]|b/|c)").text);
    EXPECT_EQ("C:", utils_.Call("GetRootDrive(C:\\x\\y)").text);
    EXPECT_EQ("a+b", utils_.Call("RemoveChar(a-b|-|+)").text);
}

// The rule is merged into the folder's list through the system's security calls. Wine accepts
// the list but keeps no access rules of files, so what the merged list holds is checked
// against a fake in the unit tests; here the call must succeed, a rule for everyone must be
// refused, and the folder must not be left with a null list (which would let anyone do
// anything).
TEST_F(UtilsSysTest, AccessRulesThroughTheSecurityCalls) {
    const std::string folder = FreshTestFolder("access");
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE,
              utils_.Call("SetAccessPermissions(" + folder + "|Everyone:R)").status);
    const UtilsOutcome set = utils_.Call("SetAccessPermissions(" + folder + "|Users:M)");
    EXPECT_EQ(1, set.number) << set.log;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &list, nullptr, &descriptor));
    EXPECT_NE(nullptr, list);
    LocalFree(descriptor);
    const std::string key = std::string(kKey) + "\\Granted";
    EXPECT_EQ(1, Number("RegistryMakeKey_x32x64(" + key + ")"));
    EXPECT_EQ(1, Number("RegistryGrantAccessToCrtUser(" + key + ")"));
    EXPECT_EQ(0, Number("RegistryGrantAccessToCrtUser(HKEY_NOWHERE\\x)"));
}

// Inside Windows Installer: packages whose custom action calls CallProc record the return
// property RESULT under HKLM\Software\TarvexTests\<package>.
long InstallPackage(const std::string& name) {
    const std::string package = TestProgramFolder() + "\\..\\fixtures\\" + name + ".msi";
    ChildProcess installer("msiexec /i \"" + package + "\" /qn", TestProgramFolder(), {});
    return installer.Started() ? installer.Wait(120000) : -2;
}

std::string RecordedResult(const std::string& package) {
    return ReadView("HKEY_LOCAL_MACHINE\\Software\\TarvexTests\\" + package + "\\Result",
                    kRegistry64View);
}

TEST(UtilsSysCustomActionTest, ProceduresWorkFromTheInstallerSession) {
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\TarvexTests\\UtilsSysMsi";
    long error = 0;
    for (const RegistryView view : {kRegistry32View, kRegistry64View})
        DeleteRegistryKey(key, view, &error);
    ASSERT_TRUE(CreateRegistryKey(key + "\\Source", kRegistry64View, &error));
    ASSERT_TRUE(WriteRegistryString(key + "\\Source\\Door", "session", kRegistry64View, &error));

    EXPECT_EQ(0, InstallPackage("callproc_sys_makekey"));
    EXPECT_EQ("1", RecordedResult("callproc_sys_makekey"));
    EXPECT_TRUE(KeyIn(key + "\\Made", kRegistry32View));
    EXPECT_TRUE(KeyIn(key + "\\Made", kRegistry64View));
    // No property store inside the installer: the value comes from the session.
    EXPECT_EQ(0, InstallPackage("callproc_sys_property"));
    EXPECT_EQ("callproc_sys_property", RecordedResult("callproc_sys_property"));
    // The architecture comes from the session too (VersionNT64).
    EXPECT_EQ(0, InstallPackage("callproc_sys_copy"));
    EXPECT_EQ("1", RecordedResult("callproc_sys_copy"));
    EXPECT_EQ("session", ReadView(key + "\\Source\\Door", kRegistry32View));
    for (const RegistryView view : {kRegistry32View, kRegistry64View})
        DeleteRegistryKey(key, view, &error);
}

}  // namespace
