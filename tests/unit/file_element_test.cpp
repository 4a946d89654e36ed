// The File element on a fake machine: copies with backups, the bookkeeping in the registry
// that links a run with a later one, the set-aside around an installer, and the names that a
// changed record or mask must not be able to use to reach other folders.

#include <gtest/gtest.h>

#include <string>

#include "f_file.h"
#include "fake_run.h"
#include "file_names.h"
#include "file_system.h"
#include "property_store.h"

namespace {

const char kRecord[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\Bootstrapper\\Backup\\"
    "Demo Suite\\Runtime";
const char kBin[] = "C:\\Prog\\App\\bin";

class FileElementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        run_.ownProperties.Set("InstallDir", "C:\\Prog\\App", true);
        run_.ownProperties.Set("ProgramFilesFolder", "C:\\Prog", true);
        run_.ownProperties.Set("WindowsFolder", "C:\\Windows", true);
        machine().SetFileContent("C:\\Src\\App.dll", "new app");
        machine().SetFileContent("C:\\Src\\Tool.exe", "new tool");
        machine().SetFileContent("C:\\Src\\readme.txt", "not copied");
        machine().SetFileContent("C:\\Prog\\App\\bin\\App.dll", "original");
        file_ = Entry("[InstallDir]\\bin");
    }
    FFile Entry(const std::string& location) {
        FFile file;
        file.mask = "*.dll, Tool.exe";
        file.sourceFolder = "C:\\Src";
        file.destinationFolder = location;
        file.backupRoot =
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex "
            "Duvovuduzazudu\\InstallInfo\\Bootstrapper\\Backup";
        file.sequence = 1;
        file.overwrite = true;
        file.productKey = "Demo Suite";
        file.Reserved(0) = "Runtime";
        file.ParseOnFail("Error:Files of Runtime", run_.log.File());
        return file;
    }
    FakeMachine& machine() { return run_.machine; }
    std::string Record(const char* value) { return machine().Value(std::string(kRecord) + value); }
    std::string In(const char* name) { return machine().Content(std::string(kBin) + "\\" + name); }
    bool Logged(const std::string& part) { return run_.log.Contains(part); }

    FakeRun run_;
    FFile file_;
};

TEST_F(FileElementTest, ForwardKeepsTheFirstBackupAndBackwardPutsItBack) {
    ASSERT_EQ(0, file_.Execute(run_.Services(), 0)) << run_.LogText();
    EXPECT_TRUE(
        Logged("    File      : Source='C:\\Src'  Destination='[InstallDir]\\bin'  "
               "Mask='*.dll, Tool.exe' Overwrite='Yes'\n"));
    EXPECT_TRUE(Logged("    File      : Found 2 -> App.dll, Tool.exe\n")) << run_.LogText();
    EXPECT_EQ("new app", In("App.dll"));
    EXPECT_EQ("original", In("App.dll.$bs"));
    EXPECT_EQ("new tool", In("Tool.exe"));
    EXPECT_EQ("<missing>", In("Tool.exe.$bs"));  // nothing was there to keep
    EXPECT_EQ("<missing>", In("readme.txt"));
    EXPECT_EQ("App.dll,Tool.exe", Record("\\FILE0001"));
    EXPECT_EQ("", Record("\\FILE0001_FOLDERS"));

    // A second forward run (a newer source) keeps the backup of the first.
    machine().SetFileContent("C:\\Src\\App.dll", "newer app");
    ASSERT_EQ(0, file_.Execute(run_.Services(), 0));
    EXPECT_EQ("newer app", In("App.dll"));
    EXPECT_EQ("original", In("App.dll.$bs"));

    // Undone by another element object, as in a later run: only the record links them.
    FFile later = Entry("[InstallDir]\\bin");
    ASSERT_EQ(0, later.Execute(run_.Services(), 1)) << run_.LogText();
    EXPECT_EQ("original", In("App.dll"));
    EXPECT_EQ("<missing>", In("App.dll.$bs"));
    EXPECT_EQ("<missing>", In("Tool.exe"));
    EXPECT_FALSE(machine().HasKey(kRecord));
    EXPECT_EQ(0, run_.log.File().GetWarningCount() + run_.log.File().GetErrorCount())
        << run_.LogText();
}

TEST_F(FileElementTest, CreatedFoldersAreRecordedKeptByTheSetAsideAndRemovedByTheUndo) {
    machine().SetFileContent("C:\\Prog\\keep.txt", "stays");
    FFile file = Entry("C:\\Prog\\New\\plugins\\");
    ASSERT_EQ(0, file.Execute(run_.Services(), 0)) << run_.LogText();
    EXPECT_EQ("new app", machine().Content("C:\\Prog\\New\\plugins\\App.dll"));
    EXPECT_EQ("C:\\Prog\\New", Record("\\FILE0001_FOLDERS"));

    // Set aside around a repair: the copies move to "$bt" inside the created folder, which
    // must survive; the record stays as it is.
    file.SetOperation(2);
    ASSERT_EQ(0, file.Execute(run_.Services(), 1)) << run_.LogText();
    EXPECT_EQ("<missing>", machine().Content("C:\\Prog\\New\\plugins\\App.dll"));
    EXPECT_EQ("new app", machine().Content("C:\\Prog\\New\\plugins\\App.dll.$bt"));
    EXPECT_EQ("C:\\Prog\\New", Record("\\FILE0001_FOLDERS"));
    ASSERT_EQ(0, file.Execute(run_.Services(), 0)) << run_.LogText();
    EXPECT_EQ("new app", machine().Content("C:\\Prog\\New\\plugins\\App.dll"));
    EXPECT_EQ("<missing>", machine().Content("C:\\Prog\\New\\plugins\\App.dll.$bt"));

    FFile later = Entry("C:\\Prog\\New\\plugins");
    ASSERT_EQ(0, later.Execute(run_.Services(), 1)) << run_.LogText();
    EXPECT_FALSE(machine().FileExists("C:\\Prog\\New"));
    EXPECT_EQ("stays", machine().Content("C:\\Prog\\keep.txt"));
    EXPECT_FALSE(machine().HasKey(kRecord));
}

// A repair sets the copies aside and puts the originals in place for the installer; after it
// the installer's file becomes the backup and the copy comes back.
TEST_F(FileElementTest, SetAsideAroundAnInstallerAndPutBack) {
    ASSERT_EQ(0, file_.Execute(run_.Services(), 0));
    file_.SetOperation(2);
    ASSERT_EQ(0, file_.Execute(run_.Services(), 1)) << run_.LogText();
    EXPECT_EQ("original", In("App.dll"));
    EXPECT_EQ("new app", In("App.dll.$bt"));
    EXPECT_EQ("new tool", In("Tool.exe.$bt"));
    EXPECT_EQ("App.dll,Tool.exe", Record("\\FILE0001"));

    machine().SetFileContent(std::string(kBin) + "\\App.dll", "repaired");
    machine().SetFileContent("C:\\Src\\App.dll", "source gone");  // the set-aside does not copy
    ASSERT_EQ(0, file_.Execute(run_.Services(), 2)) << run_.LogText();
    EXPECT_EQ("new app", In("App.dll"));
    EXPECT_EQ("repaired", In("App.dll.$bs"));
    EXPECT_EQ("new tool", In("Tool.exe"));
    EXPECT_EQ("<missing>", In("Tool.exe.$bs"));
    EXPECT_EQ("<missing>", In("App.dll.$bt"));
    EXPECT_EQ("App.dll,Tool.exe", Record("\\FILE0001"));
}

TEST_F(FileElementTest, OverwriteNoLeavesExistingFilesOutAndTheRecordKeepsEarlierOnes) {
    file_.overwrite = false;
    ASSERT_EQ(0, file_.Execute(run_.Services(), 0)) << run_.LogText();
    EXPECT_TRUE(Logged("Overwrite='No'"));
    EXPECT_TRUE(Logged("    File      : Found 1 -> Tool.exe\n")) << run_.LogText();
    EXPECT_EQ("original", In("App.dll"));
    EXPECT_EQ("<missing>", In("App.dll.$bs"));
    EXPECT_EQ("Tool.exe", Record("\\FILE0001"));

    // Everything exists now: a second run copies nothing and the record still names Tool.exe,
    // so that the undo still removes it.
    ASSERT_EQ(0, file_.Execute(run_.Services(), 0));
    EXPECT_TRUE(Logged("    File      : Found 0 -> \n"));
    EXPECT_EQ("Tool.exe", Record("\\FILE0001"));
}

TEST_F(FileElementTest, LocationAndRecordPlaceFailuresEndTheElementWithItsOnFail) {
    struct Row {
        const char* location;
        const char* productKey;
        int direction;
        const char* error;
    } const rows[] = {
        {" \t", "Demo Suite", 0,
         "[ERROR] Location (destination) not specified for '*.dll, Tool.exe' file(s) copy\n"},
        {"[NoSuchFolder]\\bin", "Demo Suite", 0,
         "[ERROR] Location (destination) '[NoSuchFolder]\\bin' is not a full folder path"},
        {"bin", "Demo Suite", 0, "is not a full folder path"},
        {"C:\\Prog\\App\\..\\..\\Windows", "Demo Suite", 0, "is not a full folder path"},
        {"[InstallDir]\\bin", "", 0,
         "[ERROR] No registry backup location provided for files '*.dll, Tool.exe'\n"},
        {"[InstallDir]\\bin", "", 1,
         "[ERROR] No registry restore location provided for files '*.dll, Tool.exe'\n"},
    };
    for (const Row& row : rows) {
        run_.log.Clear();
        FFile file = Entry(row.location);
        file.productKey = row.productKey;
        EXPECT_EQ(3, file.Execute(run_.Services(), row.direction)) << row.location;
        EXPECT_TRUE(Logged(row.error)) << row.location << "\n" << run_.LogText();
        EXPECT_EQ("original", In("App.dll")) << row.location;
        EXPECT_EQ("<missing>", In("Tool.exe")) << row.location;
    }
    // A source folder that cannot be searched fails the list.
    file_.sourceFolder = "C:\\Missing";
    EXPECT_EQ(3, file_.Execute(run_.Services(), 0));
    EXPECT_TRUE(Logged("[ERROR] Error retrieving files list for '*.dll, Tool.exe'\n"));
}

// A file that cannot be moved aside is never copied over; the other files go on, and the
// element still succeeds (per-file failures are warnings).
TEST_F(FileElementTest, PerFileFailuresAreWarningsAndNeverCostAnOriginal) {
    machine().Lock(std::string(kBin) + "\\App.dll");
    ASSERT_EQ(0, file_.Execute(run_.Services(), 0));
    EXPECT_TRUE(
        Logged("[WARNING] Error renaming file 'C:\\Prog\\App\\bin\\App.dll' as "
               "'C:\\Prog\\App\\bin\\App.dll.$bs' - error code 32 ("))
        << run_.LogText();
    EXPECT_EQ("original", In("App.dll"));
    EXPECT_EQ("new tool", In("Tool.exe"));

    FFile later = Entry("[InstallDir]\\bin");
    ASSERT_EQ(0, later.Execute(run_.Services(), 1));
    EXPECT_TRUE(
        Logged("[WARNING] Error deleting file 'C:\\Prog\\App\\bin\\App.dll' - error code "
               "32 ("));
    EXPECT_EQ("original", In("App.dll"));
    EXPECT_EQ("<missing>", In("Tool.exe"));
}

// The record is registry data that anyone with administrator rights can change: names that
// leave the destination folder and folders that are not on its way are refused.
TEST_F(FileElementTest, RecordedNamesAndFoldersOutsideTheDestinationAreRefused) {
    machine().SetFileContent("C:\\Windows\\win.ini", "system");
    machine().SetFileContent("C:\\Prog\\App\\bin\\App.dll.$bs", "older");
    machine().SetFileContent("C:\\Prog\\Other\\data.txt", "other product");
    machine().SetValue(std::string(kRecord) + "\\FILE0001",
                       "..\\..\\..\\Windows\\win.ini,C:\\Windows\\win.ini,sub\\..\\..\\x,App.dll");
    machine().SetValue(std::string(kRecord) + "\\FILE0001_FOLDERS",
                       "C:\\Windows,C:\\Prog\\Other,C:\\Prog,C:\\,C:\\Prog\\App\\..\\Other");
    ASSERT_EQ(0, file_.Execute(run_.Services(), 1)) << run_.LogText();
    EXPECT_EQ("system", machine().Content("C:\\Windows\\win.ini"));
    EXPECT_EQ("other product", machine().Content("C:\\Prog\\Other\\data.txt"));
    EXPECT_EQ("older", In("App.dll"));  // the one sound name is handled
    for (const char* name :
         {"..\\..\\..\\Windows\\win.ini", "C:\\Windows\\win.ini", "sub\\..\\..\\x"})
        EXPECT_TRUE(Logged(std::string("[WARNING] File name '") + name + "' refused"))
            << name << "\n"
            << run_.LogText();
    for (const char* folder :
         {"C:\\Windows", "C:\\Prog\\Other", "C:\\Prog'", "C:\\'", "C:\\Prog\\App\\..\\Other"})
        EXPECT_TRUE(Logged(std::string("[WARNING] Folder '") + folder)) << folder;
}

TEST(FileNamesTest, ContainedNamesFullFoldersAndTheWayToAFolder) {
    for (const char* name : {"App.dll", "bin\\App.dll", "a b\\c.d.txt", "x..y"})
        EXPECT_TRUE(IsContainedName(name)) << name;
    for (const char* name : {"", "..", "..\\a", "a\\..\\..\\b", "a/../b", "\\a", "/a", "C:a",
                             "C:\\a", "a:stream", "a\\\\b", "a\\. .\\b", "...", "*.dll", "a,b"})
        EXPECT_FALSE(IsContainedName(name)) << name;

    EXPECT_EQ("C:\\a\\b", NormalFolder(" C:/a//b\\\\ "));
    EXPECT_EQ("\\\\server\\share\\x", NormalFolder("\\\\server\\share\\\\x\\"));
    for (const char* folder : {"C:\\a", "c:\\a\\b", "\\\\server\\share\\x"})
        EXPECT_TRUE(IsFullFolder(NormalFolder(folder))) << folder;
    for (const char* folder : {"C:\\", "C:", "a\\b", "\\a", "\\\\server\\share", "C:\\a\\..\\b",
                               "C:\\a\\.", "[X]\\bin", "C:\\a\\b:c"})
        EXPECT_FALSE(IsFullFolder(NormalFolder(folder))) << folder;

    EXPECT_TRUE(IsOnPathOf("C:\\a", "C:\\A\\b"));
    EXPECT_TRUE(IsOnPathOf("C:\\a\\b\\c", "C:\\a\\b"));
    EXPECT_TRUE(IsOnPathOf("C:\\a\\b", "C:\\a\\b"));
    EXPECT_FALSE(IsOnPathOf("C:\\ab", "C:\\a\\b"));
    EXPECT_FALSE(IsOnPathOf("C:\\a\\c", "C:\\a\\b"));
    EXPECT_TRUE(HoldsAny("C:\\Prog", {"", "C:\\prog\\"}));
    EXPECT_TRUE(HoldsAny("C:\\Win", {"C:\\Win\\System32"}));
    EXPECT_FALSE(HoldsAny("C:\\Prog\\App", {"C:\\Prog", "C:\\Windows"}));

    FakeMachine machine;
    machine.SetFileContent("C:\\a\\file.txt", "x");
    EXPECT_EQ("C:\\a\\b", HighestMissingFolder(machine, "C:\\a\\b\\c\\d.txt"));
    EXPECT_EQ("", HighestMissingFolder(machine, "C:\\a\\d.txt"));
    EXPECT_EQ("C:\\z", HighestMissingFolder(machine, "C:\\z\\d.txt"));
    EXPECT_EQ("\\\\s\\share\\x", HighestMissingFolder(machine, "\\\\s\\share\\x\\d.txt"));
    for (const char* root : {"", "C:", "C:\\", "\\\\s\\share", "\\\\s\\share\\", "\\\\s"})
        EXPECT_TRUE(IsVolumeRoot(root)) << root;
    EXPECT_FALSE(IsVolumeRoot("C:\\a"));
    EXPECT_FALSE(IsVolumeRoot("\\\\s\\share\\a"));
}

}  // namespace
