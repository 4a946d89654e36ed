// File listing, copying, deleting, moving and folder removal on the real file system, and
// the facts read from version resources and the system.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "file_system.h"
#include "files.h"
#include "log_capture.h"
#include "system_info.h"
#include "test_folder.h"
#include "text_util.h"

namespace {

using Names = std::vector<std::string>;

void WriteText(const std::string& path, const char* text) {
    std::FILE* file = Files::OpenTextWrite(path.c_str());
    ASSERT_NE(nullptr, file) << path;
    std::fputs(text, file);
    std::fclose(file);
}

void SetReadOnly(const std::string& path, bool readOnly) {
    SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";

// The restart operations the system holds: pairs of source and target ("" for a deletion).
Names PendingRenames() {
    Names entries;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != 0)
        return entries;
    DWORD size = 0;
    std::vector<char> data;
    if (RegQueryValueExA(key, kPendingRenames, nullptr, nullptr, nullptr, &size) == 0) {
        data.resize(size + 2);
        RegQueryValueExA(key, kPendingRenames, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    for (std::size_t at = 0; at + 1 < data.size() && at < size;) {
        entries.emplace_back(data.data() + at);
        at += entries.back().size() + 1;
    }
    if (!entries.empty() && entries.size() % 2 == 1)
        entries.pop_back();  // the list's closing empty string
    return entries;
}

// Keeps the shared test machine clean: drops the operations whose source lies below folder.
void DropPendingRenamesBelow(const std::string& folder) {
    const Names entries = PendingRenames();
    std::string kept;
    for (std::size_t i = 0; i + 1 < entries.size(); i += 2) {
        if (entries[i].find(folder) != std::string::npos)
            continue;
        kept += entries[i] + '\0' + entries[i + 1] + '\0';
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != 0)
        return;
    if (kept.empty()) {
        RegDeleteValueA(key, kPendingRenames);
    } else {
        kept += '\0';
        RegSetValueExA(key, kPendingRenames, 0, REG_MULTI_SZ,
                       reinterpret_cast<const BYTE*>(kept.data()), static_cast<DWORD>(kept.size()));
    }
    RegCloseKey(key);
}

// The target of the pending operation whose source is path, or "?" when there is none.
std::string PendingTarget(const std::string& path) {
    const Names entries = PendingRenames();
    for (std::size_t i = 0; i + 1 < entries.size(); i += 2) {
        if (EndsWithNoCase(entries[i], path.c_str()))
            return entries[i + 1];
    }
    return "?";
}

Names RelativeNames(const Files& files) {
    Names names;
    for (const Files::Entry& entry : files.Entries()) names.push_back(entry.relative);
    return names;
}

// The tree of each test: a.txt, b.log, sub\c.txt, sub\deep\d.txt, sub\deep\e.log, empty (folder).
class FilesTest : public ::testing::Test {
  protected:
    void TearDown() override { DropPendingRenamesBelow(folder_.Path().filename().string()); }
    void SetUp() override {
        root_ = folder_.Child("root");
        for (const char* name : {"", "\\sub", "\\sub\\deep", "\\empty"})
            CreateDirectoryA((root_ + name).c_str(), nullptr);
        for (const char* name :
             {"a.txt", "b.log", "sub\\c.txt", "sub\\deep\\d.txt", "sub\\deep\\e.log"})
            WriteText(Path(name), name);
    }
    std::string Path(const std::string& name) const { return root_ + "\\" + name; }

    TestFolder folder_;
    std::string root_;
};

TEST_F(FilesTest, ListFilesByPatternWithAndWithoutRecursion) {
    struct Case {
        const char* pattern;
        bool recursive;
        bool withFolders;
        Names expected;
    };
    const Case cases[] = {
        {"*.txt", false, false, {"a.txt"}},
        {"*.txt", true, false, {"a.txt", "sub\\c.txt", "sub\\deep\\d.txt"}},
        {"?.log", true, false, {"b.log", "sub\\deep\\e.log"}},
        {"sub\\*.txt", false, false, {"sub\\c.txt"}},
        {"b.log", false, false, {"b.log"}},
        {"d.txt", true, false, {"sub\\deep\\d.txt"}},
        {"s*", false, true, {"sub"}},
        {"s*", false, false, {}},
        {"nothing.*", true, false, {}},
    };
    for (const Case& c : cases) {
        Files files;
        EXPECT_EQ(static_cast<int>(c.expected.size()),
                  files.ListFiles(root_.c_str(), c.pattern, c.recursive, c.withFolders))
            << c.pattern;
        Names names = RelativeNames(files);
        EXPECT_EQ(c.expected, names) << c.pattern;
        for (const Files::Entry& entry : files.Entries())
            EXPECT_EQ(Path(entry.relative), entry.path);
    }
}

TEST_F(FilesTest, MissingNamesAndFolders) {
    Files files;
    EXPECT_EQ(0, files.ListFiles(root_.c_str(), "missing.txt", false, false));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Files::LastError());

    LogCapture log;
    const std::string missing = Path("none");
    EXPECT_EQ(-1, files.ListFiles(missing.c_str(), "*.txt", true, false));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, Files::LastError());
    EXPECT_TRUE(
        log.Contains("Files::ListFiles()  FindFirstFile() method returned an invalid "
                     "handle (error code 3) for '" +
                     missing + "\\*.txt'"));
    EXPECT_EQ(0u, files.Count());

    EXPECT_TRUE(Files::FileExists(Path("sub").c_str(), true));
    EXPECT_TRUE(Files::FileExists(Path("a.txt").c_str(), true));
    EXPECT_FALSE(Files::FileExists(missing.c_str(), false));
    EXPECT_FALSE(log.Contains("File exists"));
    EXPECT_FALSE(Files::FileExists(missing.c_str(), true));
    EXPECT_TRUE(log.Contains("File exists " + missing + " error code 2 ("));
}

TEST_F(FilesTest, AddPatternsTrimsAndReportsMisses) {
    Files files;
    LogCapture log;
    EXPECT_EQ(2,
              files.AddPatterns(" *.txt ,\t*.log,,none.*", root_.c_str(), ',', false, false, true));
    EXPECT_EQ((Names{"a.txt", "b.log"}), RelativeNames(files));
    EXPECT_TRUE(log.Contains("No file(s) 'none.*' found in folder '" + root_ + "'"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Files::LastError());

    Files quiet;
    LogCapture quietLog;
    EXPECT_EQ(5, quiet.AddPatterns("*.txt;*.log;none.*", root_.c_str(), ';', true, false, false));
    EXPECT_FALSE(quietLog.Contains("No file(s)"));
}

TEST_F(FilesTest, CopyAllKeepsRelativePathsAndOverwritesReadOnlyTargets) {
    const std::string target = folder_.Child("target");
    CreateDirectoryA(target.c_str(), nullptr);
    WriteText(target + "\\a.txt", "old");
    SetReadOnly(target + "\\a.txt", true);

    Files files;
    ASSERT_EQ(3, files.ListFiles(root_.c_str(), "*.txt", true, false));
    LogCapture log;
    EXPECT_EQ(Files::kAllSucceeded, files.CopyAll(target.c_str()));
    EXPECT_EQ("a.txt", ReadTextFile(target + "\\a.txt"));
    EXPECT_EQ("sub\\deep\\d.txt", ReadTextFile(target + "\\sub\\deep\\d.txt"));
    EXPECT_FALSE(FileExists(target + "\\b.log"));
    EXPECT_TRUE(log.Contains("    File '" + Path("a.txt") + "' copy succeeded (0 - "));
    SetReadOnly(target + "\\a.txt", false);

    // One source vanished after the listing: the others are still copied.
    DeleteFileA(Path("sub\\c.txt").c_str());
    EXPECT_EQ(Files::kSomeSucceeded, files.CopyAll(target.c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Files::LastError());
    EXPECT_TRUE(log.Contains("[WARNING]     File '" + Path("sub\\c.txt") + "' copy failed (2 - "));

    Files empty;
    EXPECT_EQ(Files::kNoneSucceeded, empty.CopyAll(target.c_str()));
}

TEST_F(FilesTest, CopyAllReportsAFolderThatCannotBeMade) {
    const std::string blocker = folder_.Child("blocker");
    WriteText(blocker, "a file where a folder should go");
    Files files;
    ASSERT_EQ(1, files.ListFiles(root_.c_str(), "sub\\c.txt", false, false));
    LogCapture log;
    EXPECT_EQ(Files::kNoneSucceeded, files.CopyAll(blocker.c_str()));
    EXPECT_NE(0, Files::LastError());
    EXPECT_TRUE(log.Contains("    File '" + Path("sub\\c.txt") + "' mkdir failed while copy " +
                             blocker + "\\sub ("));
}

TEST_F(FilesTest, DeleteAllNeedsForceForReadOnlyEntries) {
    SetReadOnly(Path("sub\\deep\\d.txt"), true);
    Files files;
    ASSERT_EQ(8, files.ListFiles(root_.c_str(), "*", true, true));
    LogCapture log;
    // Without force the read-only file stays, and so do the folders above it.
    EXPECT_EQ(Files::kSomeSucceeded, files.DeleteAll(false));
    EXPECT_TRUE(FileExists(Path("sub\\deep\\d.txt")));
    EXPECT_FALSE(FileExists(Path("a.txt")));
    EXPECT_FALSE(FileExists(Path("empty")));
    EXPECT_TRUE(
        log.Contains("    File '" + Path("sub\\deep\\d.txt") + "' deleting return code: 5 ("));

    Files rest;
    ASSERT_EQ(3, rest.ListFiles(root_.c_str(), "*", true, true));
    EXPECT_EQ(Files::kAllSucceeded, rest.DeleteAll(true));
    EXPECT_FALSE(FileExists(Path("sub")));

    EXPECT_EQ(Files::kNoneSucceeded, rest.DeleteAll(true));  // all gone already
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Files::LastError());
}

TEST_F(FilesTest, LockedFileIsScheduledForRestartWithForce) {
    const std::string locked = Path("a.txt");
    HANDLE handle = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    Files files;
    ASSERT_EQ(1, files.ListFiles(root_.c_str(), "a.txt", false, false));
    EXPECT_EQ(Files::kNoneSucceeded, files.DeleteAll(false));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, Files::LastError());
    EXPECT_EQ(Files::kRestartRequired, files.DeleteAll(true));
    EXPECT_TRUE(FileExists(locked));
    EXPECT_EQ("", PendingTarget(locked));  // an empty target deletes
    CloseHandle(handle);
}

TEST_F(FilesTest, MoveCreatesFoldersAndHonoursKeepExisting) {
    const std::string source = Path("a.txt");
    const std::string destination = folder_.Child("moved\\twice\\a.txt");
    EXPECT_EQ(0, Files::Move(source.c_str(), destination.c_str(), false, false));
    EXPECT_FALSE(FileExists(source));
    EXPECT_EQ("a.txt", ReadTextFile(destination));

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Files::Move(source.c_str(), destination.c_str(), false, false));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Files::LastError());

    // An existing destination is kept when asked, and replaced even when read-only otherwise.
    const std::string other = Path("b.log");
    EXPECT_EQ(ERROR_ALREADY_EXISTS, Files::Move(other.c_str(), destination.c_str(), false, true));
    EXPECT_EQ("a.txt", ReadTextFile(destination));
    SetReadOnly(destination, true);
    EXPECT_EQ(0, Files::Move(other.c_str(), destination.c_str(), false, false));
    EXPECT_EQ("b.log", ReadTextFile(destination));
    EXPECT_FALSE(FileExists(other));
    SetReadOnly(destination, false);
}

TEST_F(FilesTest, MoveAtRestartLeavesTheSourceInPlace) {
    const std::string source = Path("b.log");
    const std::string destination = folder_.Child("later\\b.log");
    EXPECT_EQ(0, Files::Move(source.c_str(), destination.c_str(), true, false));
    EXPECT_TRUE(FileExists(source));
    EXPECT_FALSE(FileExists(destination));
    EXPECT_TRUE(FileExists(folder_.Child("later")));
    const std::string target = PendingTarget(source);
    EXPECT_TRUE(EndsWithNoCase(target, destination.c_str())) << target;
}

TEST_F(FilesTest, RemoveFolderOnlyIfEmpty) {
    LogCapture log;
    EXPECT_EQ(Files::kNoneSucceeded, Files::RemoveFolder(root_.c_str(), true, true));
    EXPECT_TRUE(log.Contains("Unable to remove " + root_ + ". It contains 8 files"));
    EXPECT_TRUE(FileExists(Path("a.txt")));

    const std::string empty = Path("empty");
    EXPECT_EQ(Files::kAllSucceeded, Files::RemoveFolder(empty.c_str(), false, true));
    EXPECT_TRUE(FileExists(empty));
    EXPECT_EQ(Files::kAllSucceeded, Files::RemoveFolder(empty.c_str(), true, true));
    EXPECT_FALSE(FileExists(empty));
}

TEST_F(FilesTest, RemoveFolderDeletesEverything) {
    SetReadOnly(Path("sub\\c.txt"), true);
    const std::string sub = Path("sub");
    EXPECT_EQ(Files::kAllSucceeded, Files::RemoveFolder(sub.c_str(), false, false));
    EXPECT_TRUE(FileExists(sub));
    EXPECT_FALSE(FileExists(Path("sub\\c.txt")));

    EXPECT_EQ(Files::kAllSucceeded, Files::RemoveFolder(root_.c_str(), true, false));
    EXPECT_FALSE(FileExists(root_));
    EXPECT_EQ(Files::kNoneSucceeded, Files::RemoveFolder(root_.c_str(), true, false));
}

// The file changes of the File element through the system's FileSystem: one level of
// matches (a pattern may name a sub-folder), copies and moves over read-only targets into
// missing folders, deletion of a read-only file, a folder removed with its content.
TEST_F(FilesTest, SystemFileSystemChangesFilesForTheFileElement) {
    FileSystem& files = SystemFileSystem();
    Names names;
    EXPECT_EQ(0, files.ListMatches(root_, "*.txt", &names));
    EXPECT_EQ(Names{"a.txt"}, names);
    names.clear();
    EXPECT_EQ(0, files.ListMatches(root_, "sub\\*.txt", &names));
    EXPECT_EQ(Names{"sub\\c.txt"}, names);
    names.clear();
    EXPECT_EQ(0, files.ListMatches(root_, "none.*", &names));
    EXPECT_TRUE(names.empty());
    LogCapture log;
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, files.ListMatches(root_ + "\\missing", "*.txt", &names));

    const std::string target = folder_.Child("target\\new\\a.txt");
    EXPECT_EQ(0, files.CopyFileTo(Path("a.txt"), target));
    SetReadOnly(target, true);
    EXPECT_EQ(0, files.CopyFileTo(Path("b.log"), target));
    EXPECT_EQ("b.log", ReadTextFile(target));
    SetReadOnly(target, true);
    EXPECT_EQ(0, files.MoveFileTo(Path("a.txt"), target));
    EXPECT_EQ("a.txt", ReadTextFile(target));
    EXPECT_FALSE(FileExists(Path("a.txt")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, files.MoveFileTo(Path("a.txt"), target));

    SetReadOnly(target, true);
    EXPECT_EQ(0, files.RemoveFile(target));
    EXPECT_FALSE(FileExists(target));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, files.RemoveFile(target));

    EXPECT_EQ(0, files.RemoveFolder(root_ + "\\sub"));
    EXPECT_FALSE(FileExists(root_ + "\\sub"));
    EXPECT_TRUE(FileExists(Path("b.log")));
}

TEST(FilesFactsTest, VersionResourceAndArchitecture) {
    const std::string setup = TestProgramFolder() + "\\..\\bin\\setup.exe";
    EXPECT_EQ("1.0.0.1", Files::FileVersion(setup.c_str()));
    EXPECT_EQ("Tarvex Bootstrapper", Files::ProductName(setup.c_str()));
    EXPECT_EQ("", Files::FileVersion("C:\\no\\such\\file.exe"));
    // The test programs are native 64-bit, as setup is, on 64-bit Wine.
    EXPECT_EQ("64-bit", OsArchitecture());
}

}  // namespace
