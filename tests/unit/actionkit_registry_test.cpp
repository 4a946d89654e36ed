// The actions of actionkit that write the registry and read product ini files, against a
// fake session and machine.

#include <gtest/gtest.h>

#include <string>

#include "actionkit_fakes.h"
#include "actions.h"
#include "call_dispatch.h"

namespace {

const char* const kListKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\AkTest\\Apps";

class ActionKitRegistryTest : public ::testing::Test {
  protected:
    FakeActionSession session;
    FakeActionMachine machine;
    ActionContext context{session, machine};

    std::string Value(const std::string& path) { return machine.registry.Value(path); }
};

TEST_F(ActionKitRegistryTest, UpdateRegistryValueCreatesTheKeyAndSetsTheText) {
    session.properties["CustomActionData"] = "SOFTWARE\\AkTest\\New|Folder|C:\\a|b";
    EXPECT_EQ(kActionSuccess, UpdateRegistryValueAction(context, false));
    EXPECT_EQ("C:\\a|b", Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\AkTest\\New\\Folder"));

    session.properties["CustomActionData"] = "SOFTWARE\\AkTest\\New|Folder|None";
    EXPECT_EQ(kActionSuccess, UpdateRegistryValueAction(context, false));
    EXPECT_EQ("None", Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\AkTest\\New\\Folder"));
    EXPECT_EQ(kActionSuccess, UpdateRegistryValueAction(context, true));
    EXPECT_TRUE(machine.registry.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\AkTest\\New"));
    EXPECT_EQ("", Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\AkTest\\New\\Folder"));
}

TEST_F(ActionKitRegistryTest, UpdateRegistryValueRefusesDataThatNamesNoKey) {
    // An unexpanded property must not write into the root of the hive.
    for (const char* data : {"", "|Name|x", "\\|Name|x", "SOFTWARE\\AkTest|x", "Key||x"}) {
        session.properties["CustomActionData"] = data;
        EXPECT_EQ(kActionFailure, UpdateRegistryValueAction(context, false)) << data;
    }
    EXPECT_FALSE(machine.registry.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\AkTest"));
    EXPECT_TRUE(session.Logged(".Error: UpdateRegistryValue> CustomActionData must be"));
}

TEST_F(ActionKitRegistryTest, RegListCountsUpAndRemovesAllAtZero) {
    session.properties["PARENTNAME"] = "Suite";
    session.properties["AppKeyPath"] = "SOFTWARE\\AkTest\\Apps";
    EXPECT_EQ(kActionSuccess, AddAppToRegListAction(context));
    EXPECT_EQ("1", Value(std::string(kListKey) + "\\Suite"));
    AddAppToRegListAction(context);
    EXPECT_EQ("2", Value(std::string(kListKey) + "\\Suite"));

    EXPECT_EQ(kActionSuccess, DelAppFromRegListAction(context));
    EXPECT_EQ("1", Value(std::string(kListKey) + "\\Suite"));
    EXPECT_EQ("", session.Get("REMOVEALL"));
    DelAppFromRegListAction(context);
    EXPECT_EQ("Y", session.Get("REMOVEALL"));
    EXPECT_FALSE(machine.registry.HasKey(kListKey));
}

TEST_F(ActionKitRegistryTest, RegListKeepsOtherValuesAndRefusesMissingNames) {
    machine.registry.SetValue(std::string(kListKey) + "\\Other", "x");
    session.properties["PARENTNAME"] = "Suite";
    session.properties["AppKeyPath"] = "SOFTWARE\\AkTest\\Apps";
    AddAppToRegListAction(context);
    DelAppFromRegListAction(context);
    EXPECT_EQ("Y", session.Get("REMOVEALL"));
    EXPECT_EQ("x", Value(std::string(kListKey) + "\\Other"));

    session.properties.erase("REMOVEALL");
    session.properties["AppKeyPath"] = "";
    EXPECT_EQ(kActionSuccess, DelAppFromRegListAction(context));
    EXPECT_EQ("", session.Get("REMOVEALL"));
    EXPECT_TRUE(session.Logged(".Error: DelAppFromRegList> PARENTNAME and AppKeyPath must be set"));
}

TEST_F(ActionKitRegistryTest, ExternalPingIsSetOnlyInAnInstalledService) {
    const std::string key = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\RemoteAccess";
    EXPECT_EQ(kActionSuccess, SetRemoteAccessExternalPingAction(context));
    EXPECT_FALSE(machine.registry.HasKey(key));
    machine.registry.SetValue(key + "\\Start", "2");
    SetRemoteAccessExternalPingAction(context);
    EXPECT_EQ("4", Value(key + "\\ExternalPing"));
}

TEST_F(ActionKitRegistryTest, ReadDBVersionReadsTheDatastoreIni) {
    const std::string ini = "C:\\Prod\\mendrel\\bin\\win\\datastore.install.ini";
    session.properties["DATASTOREINIROOT"] = "C:\\Prod\\";
    machine.files[ini] = "";
    machine.iniEntries[ini + "|datastore|dbversion"] = "7.2-b";
    EXPECT_EQ(kActionSuccess, ReadDBVersionAction(context));
    EXPECT_EQ("7.2-b", session.Get("CleanMe"));
    EXPECT_EQ("", session.Get("INIReadException"));

    session.properties["DATASTOREINIROOT"] = "C:\\Missing";
    ReadDBVersionAction(context);
    EXPECT_EQ("HELP", session.Get("INIReadException"));
    EXPECT_EQ("7.2-b", session.Get("CleanMe"));
}

TEST_F(ActionKitRegistryTest, ChassisIsToldByTheManufacturerOfTheIniFile) {
    machine.iniEntries["C:\\oem.ini|General|Manufacturer"] = "TarVex";
    session.properties["CHASSISARG"] = "C:\\oem.ini";
    EXPECT_EQ(kActionSuccess, IsChassisAction(context));
    EXPECT_EQ("1", session.Get("ISCHASSIS"));
    machine.iniEntries["C:\\oem.ini|General|Manufacturer"] = "Other Corp";
    IsChassisAction(context);
    EXPECT_EQ("0", session.Get("ISCHASSIS"));
    session.properties.erase("CHASSISARG");  // "NONE": no file, "NO" is no manufacturer
    machine.iniEntries["NONE|General|Manufacturer"] = "tarvex";
    IsChassisAction(context);
    EXPECT_EQ("0", session.Get("ISCHASSIS"));

    machine.iniEntries["C:\\oem.ini|General|Manufacturer"] = "vex";
    session.properties["CallProcData"] = "IsChassis(C:\\oem.ini):CH";
    EXPECT_EQ(kActionSuccess, RunCallProc(context));
    EXPECT_EQ("1", session.Get("CH"));
    session.properties["CallProcData"] = "IsChassis(a|b):CH";
    EXPECT_EQ(kActionFailure, RunCallProc(context));
}

}  // namespace

namespace {

const char* const kScriptsRecord =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Vireo Scripts\\Saved Vireo "
    "Scripts Location";
const char* const kFilesRecord =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Vireo Files\\Saved Vireo Files "
    "Location";

class ActionKitBackupTest : public ActionKitRegistryTest {
  protected:
    FakeMachine& disk = machine.registry;
    std::string Content(const std::string& path) {
        std::string content;
        return ReadWholeFile(disk, path, &content) ? content : "<missing>";
    }
};

TEST_F(ActionKitBackupTest, ScriptsAndLicencesSurviveAnUninstall) {
    disk.SetFileContent("D:\\Prod\\Scripts\\run.scr", "script");
    disk.SetFileContent("D:\\Prod\\Scripts\\notes.txt", "notes");
    disk.SetFileContent("D:\\Prod\\site.lic", "licence");
    disk.SetFileContent("D:\\Prod\\state.dat", "data");
    disk.SetFileContent("D:\\Prod\\prod.exe", "program");
    session.properties["CustomActionData"] = "D:\\Prod\\";
    ASSERT_EQ(kActionSuccess, BackupFilesAction(context));
    EXPECT_EQ("script", Content("D:\\Preserved_Vireo_Scripts\\run.scr"));
    EXPECT_EQ("notes", Content("D:\\Preserved_Vireo_Scripts\\notes.txt"));
    EXPECT_EQ("licence", Content("D:\\Preserved_Vireo_Files\\site.lic"));
    EXPECT_EQ("<missing>", Content("D:\\Preserved_Vireo_Files\\prod.exe"));
    EXPECT_EQ("D:\\Preserved_Vireo_Scripts", Value(kScriptsRecord));
    EXPECT_EQ("D:\\Preserved_Vireo_Files", Value(kFilesRecord));

    for (const char* file : {"Scripts\\run.scr", "Scripts\\notes.txt", "site.lic", "state.dat"})
        disk.RemoveFile(std::string("D:\\Prod\\") + file);
    ASSERT_EQ(kActionSuccess, RestoreFilesAction(context));
    EXPECT_EQ("script", Content("D:\\Prod\\Scripts\\run.scr"));
    EXPECT_EQ("<missing>", Content("D:\\Prod\\Scripts\\notes.txt"));  // only *.scr come back
    EXPECT_EQ("licence", Content("D:\\Prod\\site.lic"));
    EXPECT_EQ("data", Content("D:\\Prod\\state.dat"));
    EXPECT_EQ("", Value(kScriptsRecord));
    EXPECT_FALSE(
        disk.HasKey("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Vireo Files"));
    EXPECT_EQ("script", Content("D:\\Preserved_Vireo_Scripts\\run.scr"));  // left in place
}

TEST_F(ActionKitBackupTest, NoInstallFolderNoRecordNoCopy) {
    disk.SetFileContent("C:\\x.lic", "root licence");
    for (const char* folder : {"", "C:\\", "Prod", "C:"}) {
        session.properties["CustomActionData"] = folder;
        EXPECT_EQ(kActionFailure, BackupFilesAction(context)) << folder;
        EXPECT_EQ(kActionSuccess, RestoreFilesAction(context)) << folder;
    }
    EXPECT_EQ("<missing>", Content("C:\\Preserved_Vireo_Files\\x.lic"));
    EXPECT_TRUE(session.Logged(".Error: BackupFiles> 'Prod' is no install folder"));

    // Nothing to save records nothing; a record naming a root restores nothing.
    session.properties["CustomActionData"] = "C:\\Empty";
    EXPECT_EQ(kActionSuccess, BackupFilesAction(context));
    EXPECT_EQ("", Value(kFilesRecord));
    disk.SetValue(kFilesRecord, "C:\\");
    EXPECT_EQ(kActionSuccess, RestoreFilesAction(context));
    EXPECT_EQ("<missing>", Content("C:\\Empty\\x.lic"));
    EXPECT_EQ("C:\\", Value(kFilesRecord));
}

TEST_F(ActionKitBackupTest, AFileThatCannotBeSavedStopsTheUninstall) {
    disk.SetFileContent("D:\\Prod\\site.lic", "licence");
    disk.SetFileContent("D:\\Preserved_Vireo_Files\\site.lic", "old");
    disk.Lock("D:\\Preserved_Vireo_Files\\site.lic");
    session.properties["CustomActionData"] = "D:\\Prod";
    EXPECT_EQ(kActionFailure, BackupFilesAction(context));
    EXPECT_EQ("", Value(kFilesRecord));
    EXPECT_TRUE(session.Logged(".Error: BackupFiles> Could not copy D:\\Prod\\site.lic"));

    // A restore that could not copy everything back keeps its record for another try.
    disk.SetValue(kFilesRecord, "D:\\Preserved_Vireo_Files");
    disk.Lock("D:\\Prod\\site.lic");
    EXPECT_EQ(kActionSuccess, RestoreFilesAction(context));
    EXPECT_EQ("D:\\Preserved_Vireo_Files", Value(kFilesRecord));
    EXPECT_TRUE(session.Logged(".Error: RestoreFiles> Could not copy"));
}

}  // namespace

namespace {

TEST_F(ActionKitRegistryTest, VersionRecordsGoToTheIniFileAndTheRegistry) {
    session.properties["CustomActionData"] = "C:\\R\\ravelo.ini|5.2|b77|3.1|SOFTWARE\\AkTest\\R";
    EXPECT_EQ(kActionSuccess, UpdateRaveloIniAction(context));
    EXPECT_EQ("5.2", machine.iniEntries["C:\\R\\ravelo.ini|Product|Version"]);
    EXPECT_EQ("b77", machine.iniEntries["C:\\R\\ravelo.ini|Product|Build"]);
    EXPECT_EQ("3.1", machine.iniEntries["C:\\R\\ravelo.ini|Product|LoadTestVersion"]);
    EXPECT_EQ("b77", Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\AkTest\\R\\Build"));

    session.properties["CustomActionData"] = "6.0|b1";
    EXPECT_EQ(kActionSuccess, UpdateQuentiDllAction(context));
    EXPECT_EQ("6.0", Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\Quenti\\Version"));
    EXPECT_EQ("b1", Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex\\Quenti\\Build"));
}

TEST_F(ActionKitRegistryTest, VersionRecordsRefuseIncompleteDataAndFailedWrites) {
    for (const char* data :
         {"", "C:\\r.ini|5.2|b", "|5.2|b|3|", "C:\\r.ini||b|3|", "a|b|c|d|e|f"}) {
        session.properties["CustomActionData"] = data;
        EXPECT_EQ(kActionFailure, UpdateRaveloIniAction(context)) << data;
    }
    for (const char* data : {"", "6.0", "|b1", "6.0|b1|x"}) {
        session.properties["CustomActionData"] = data;
        EXPECT_EQ(kActionFailure, UpdateQuentiDllAction(context)) << data;
    }
    EXPECT_TRUE(machine.iniEntries.empty());
    machine.iniWriteError = 5;
    session.properties["CustomActionData"] = "C:\\R\\ravelo.ini|5.2|b77|3.1|";
    EXPECT_EQ(kActionFailure, UpdateRaveloIniAction(context));
    EXPECT_TRUE(session.Logged("Could not write Version to C:\\R\\ravelo.ini (error code 5)"));
}

}  // namespace
