// The package resolver against a fake machine: the order of the places it searches, the
// archives it unpacks, the shares it connects, the names it refuses and the last resort of
// the fetcher, read from what it logs and what it starts.

#include "package_resolver.h"

#include <gtest/gtest.h>

#include "archive_extraction.h"
#include "config_interpreter.h"
#include "fake_run.h"
#include "prereq_location.h"
#include "prerequisite_fetcher.h"
#include "resolver_paths.h"
#include "resolver_servers.h"

namespace {

const char kPrerequisitesKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\Prerequisites\\";
const char kInstallerSourceKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\InstallerSource\\";

// Answers with a scripted result and records what it was asked.
class FakeFetcher : public PrerequisiteFetcher {
  public:
    FetchResult Fetch(const FetchRequest& request) override {
        requests.push_back(request);
        if (effect)
            effect();
        return answer;
    }
    FetchResult answer;
    std::function<void()> effect;
    std::vector<FetchRequest> requests;
};

class ResolverTest : public ::testing::Test {
  protected:
    ResolverTest() {
        fake.ownProperties.Set("TempFolder", "C:\\Temp", true);
        fake.ownProperties.Set("MainInstance", "Yes", true);
    }

    ResolvedInstaller Resolve(const std::string& fileName, const std::string& archiveName) {
        PackageResolver resolver(
            ResolverServices{fake.log.File(), fake.ownProperties, fake.machine, fake.machine,
                             fake.installers, fake.clock, fetcher},
            settings);
        return resolver.Resolve({"Prereq", fileName, archiveName});
    }

    // The lines of the log that carry the resolver's label, without it.
    std::vector<std::string> ResolverLines() const {
        std::vector<std::string> lines;
        const std::string text = fake.LogText();
        const std::string label = "    Resolver  : ";
        for (std::size_t at = text.find(label); at != std::string::npos;
             at = text.find(label, at + 1)) {
            const std::size_t end = text.find('\n', at);
            lines.push_back(text.substr(at + label.size(), end - at - label.size()));
        }
        return lines;
    }

    // A self-extracting archive: starting it with the extraction command puts file into
    // the folder the command names.
    void ScriptArchive(const std::string& archiveName, const std::string& extractedFile,
                       long exitCode = 0) {
        InstallerScript script;
        script.exitCode = exitCode;
        if (exitCode == 0)
            script.effect = [extractedFile](FakeMachine& machine) {
                machine.AddFile(extractedFile);
            };
        fake.installers.Script(archiveName, script);
    }

    FakeRun fake;
    FakeFetcher fetcher;
    ResolverSettings settings{FakeRun::kSetupFolder, "Product", {}, false};
};

TEST_F(ResolverTest, FirstPlaceThatHoldsTheFileWins) {
    struct Row {
        const char* fileName;
        std::vector<const char*> copies;  // where the file lies; the first is expected
        const char* location;             // PrerequisitesLocation
        const char* registeredFolder;     // under the Prerequisites key, "" for none
    } const rows[] = {
        {"a.msi", {"C:\\Setup\\a.msi", "E:\\Media\\a.msi"}, "E:\\Media", ""},
        {".\\a.msi", {"C:\\Setup\\a.msi"}, "", ""},
        {"a.msi", {"D:\\Registered\\a.msi", "C:\\Setup\\a.msi"}, "", " D:\\Registered\t"},
        {"a.msi", {"E:\\Media\\a.msi", "E:\\Media\\Prerequisites\\a.msi"}, "E:/Media", ""},
        {"a.msi",
         {"E:\\Media\\Prerequisites\\a.msi", "C:\\Setup\\Prerequisites\\a.msi"},
         "E:/Media",
         ""},
        {"sub\\a.msi", {"E:\\Media\\Prerequisites\\sub\\a.msi"}, "E:\\Media\\", ""},
    };
    for (const Row& row : rows) {
        fake.machine = FakeMachine();
        fake.log.Clear();
        for (const char* copy : row.copies) fake.machine.AddFile(copy);
        fake.ownProperties.Set("PrerequisitesLocation", row.location, true);
        if (*row.registeredFolder)
            fake.machine.SetValue(std::string(kPrerequisitesKey) + row.fileName,
                                  row.registeredFolder);
        const ResolvedInstaller found = Resolve(row.fileName, "arch.exe");
        const std::string expected = row.copies.front();
        EXPECT_TRUE(found.found) << expected;
        EXPECT_EQ(expected, found.path);
        EXPECT_EQ(std::vector<std::string>{"INSTALLER '" + expected + "'"}, ResolverLines());
    }
    EXPECT_TRUE(fake.installers.Starts().empty());
    EXPECT_TRUE(fetcher.requests.empty());
}

// A share whose connection fails is a miss even when its folder would show the archive.
TEST_F(ResolverTest, FailedConnectionIsAMiss) {
    settings.servers = {{"\\\\srv\\share", "u", "longpass"}};
    InstallerScript refused;
    refused.exitCode = 1326;  // logon failure
    refused.effect = [](FakeMachine& machine) { machine.AddFile("\\\\srv\\share\\arch.exe"); };
    fake.installers.Script("net use", refused);
    EXPECT_FALSE(Resolve("a.msi", "arch.exe").found);
    EXPECT_TRUE(fake.log.Contains(
        "    Resolver  : SERVERS   \\\\srv\\share\\ (0.0 sec, archive not found or no access)"));
    EXPECT_FALSE(fake.log.Contains("UNARCHIVE"));
}

TEST_F(ResolverTest, ArchiveOnAShareIsConnectedUnpackedAndSearchedAgain) {
    settings.servers = {{" \\\\srv\\share\\pre\t", "DOM\\setupuser", "S3cret!pw"}};
    InstallerScript connect;
    connect.effect = [this](FakeMachine& machine) {
        // As the runner writes a command it cannot start.
        fake.log.File().Error("cannot start '%s'", fake.installers.Starts().back().command.c_str());
        fake.clock.Advance(2);
        machine.AddFile("\\\\srv\\share\\pre\\arch.exe");
    };
    fake.installers.Script("net use", connect);
    ScriptArchive("arch.exe", "C:\\Temp\\TarvexPrerequisites\\arch\\a.msi");

    const ResolvedInstaller found = Resolve("a.msi", "arch.exe");

    ASSERT_TRUE(found.found);
    EXPECT_EQ("C:\\Temp\\TarvexPrerequisites\\arch\\a.msi", found.path);
    const std::vector<std::string> expected = {
        "net use /persistent:yes /user:DOM\\setupuser \\\\srv\\share ****** -> 0",
        "SERVERS   \\\\srv\\share\\pre\\ (2.0 sec, archive found)",
        "UNARCHIVE '\\\\srv\\share\\pre\\arch.exe'",
        "INSTALLER 'C:\\Temp\\TarvexPrerequisites\\arch\\a.msi'",
    };
    EXPECT_EQ(expected, ResolverLines());
    ASSERT_EQ(2u, fake.installers.Starts().size());
    EXPECT_EQ("net use /persistent:yes /user:DOM\\setupuser \\\\srv\\share S3cret!pw",
              fake.installers.Starts()[0].command);
    EXPECT_FALSE(fake.installers.Starts()[0].showWindow);
    // Started from a local copy, which is removed afterwards.
    EXPECT_EQ(
        "\"C:\\Temp\\TarvexPrerequisites\\arch.exe\" /S /D=C:\\Temp\\TarvexPrerequisites\\arch",
        fake.installers.Starts()[1].command);
    EXPECT_FALSE(fake.machine.FileExists("C:\\Temp\\TarvexPrerequisites\\arch.exe"));
    EXPECT_TRUE(fake.installers.Starts()[1].showWindow);  // the wait dialog, not quiet
    EXPECT_FALSE(fake.log.Contains("S3cret"));
}

TEST_F(ResolverTest, NothingFoundLogsEveryMissAndAsksTheFetcher) {
    settings.servers = {{"\\\\srv\\share", "", ""}, {"\\\\other\\arch\\x", "u", "longpass"}};
    settings.quiet = true;
    fake.ownProperties.Set("PrerequisitesLocation", "E:\\Media", true);
    fake.ownProperties.Set("AutoDownloadPrerequisites", "Yes", true);
    fake.machine.SetValue(std::string(kInstallerSourceKey) + "Product", "F:\\Source");
    InstallerScript refused;
    refused.exitCode = 2;
    refused.effect = [this](FakeMachine&) { fake.clock.Advance(1); };
    fake.installers.Script("net use", refused);
    fetcher.answer.error = "download is not available";

    const ResolvedInstaller found = Resolve("a.msi", "arch.exe");

    EXPECT_FALSE(found.found);
    EXPECT_EQ("download is not available", found.reason);
    const std::vector<std::string> expected = {
        "net use /persistent:yes \\\\srv\\share -> 2",
        "net use /persistent:yes /user:u \\\\other\\arch ****** -> 2",
        "SERVERS   \\\\srv\\share\\ (1.0 sec, archive not found or no access), "
        "\\\\other\\arch\\x\\ (1.0 sec, archive not found or no access)",
        "Not found 'C:\\Setup\\a.msi'",
        "Not found 'E:\\Media\\a.msi'",
        "Not found 'E:\\Media\\Prerequisites\\a.msi'",
        "Not found 'E:\\Media\\arch.exe'",
        "Not found 'E:\\Media\\Prerequisites\\arch.exe'",
        "Not found 'F:\\Source\\arch.exe'",
        "Not found 'C:\\Setup\\arch.exe'",
        "Not found '\\\\srv\\share\\arch.exe'",
        "Not found '\\\\other\\arch\\x\\arch.exe'",
        "FAILED resolving installer file location: No package/archive file found",
        "Try auto-download (in C:\\Temp) or ask user how to resolve file 'a.msi' or 'arch.exe'",
        "FAILED resolving archive or package",
    };
    EXPECT_EQ(expected, ResolverLines());
    ASSERT_EQ(1u, fetcher.requests.size());
    EXPECT_EQ("C:\\Temp", fetcher.requests[0].folder);
    EXPECT_TRUE(fetcher.requests[0].autoDownload);
    EXPECT_FALSE(fetcher.requests[0].showDialog);
    EXPECT_TRUE(fetcher.requests[0].quiet);
    EXPECT_FALSE(fake.log.Contains("longpass"));
}

// A package whose installer the run has in its cache is not downloaded, and the user is not
// asked for it: the search ends with its failure and the cached copy serves.
TEST_F(ResolverTest, NothingIsFetchedWhenTheCacheHoldsTheFile) {
    PackageResolver resolver(ResolverServices{fake.log.File(), fake.ownProperties, fake.machine,
                                              fake.machine, fake.installers, fake.clock, fetcher},
                             settings);
    InstallerRequest request{"Prereq", "a.msi", "arch.exe"};
    request.mayFetch = false;
    const ResolvedInstaller found = resolver.Resolve(request);
    EXPECT_FALSE(found.found);
    EXPECT_TRUE(fetcher.requests.empty());
    EXPECT_FALSE(fake.log.Contains("Try auto-download"));
}

// The fake file system does not fold ".." parts as Windows does: the files outside are also
// added under the joined paths through which Windows would reach them.
TEST_F(ResolverTest, NamesThatLeaveTheSearchedFoldersAreRefused) {
    for (const char* outside : {"C:\\Setup\\..\\evil.msi", "C:\\Setup\\../evil.msi",
                                "C:\\Setup\\sub\\..\\..\\evil.msi", "C:\\Setup\\..\\arch.exe"})
        fake.machine.AddFile(outside);
    fake.machine.AddFile("C:\\evil.msi");
    fake.machine.AddFile("C:\\Windows\\evil.msi");
    fake.machine.AddFile("\\\\evil\\share\\evil.msi");
    fake.machine.AddFile("C:\\arch.exe");
    for (const char* name :
         {"..\\evil.msi", "../evil.msi", "sub\\..\\..\\evil.msi", "C:\\Windows\\evil.msi",
          "C:evil.msi", "\\evil.msi", "\\\\evil\\share\\evil.msi", ".\\..\\evil.msi"}) {
        const ResolvedInstaller found = Resolve(name, "arch.exe");
        EXPECT_FALSE(found.found) << name;
        EXPECT_NE(std::string::npos, found.reason.find("inside the searched folders")) << name;
    }
    const ResolvedInstaller archive = Resolve("a.msi", "..\\arch.exe");
    EXPECT_FALSE(archive.found);
    EXPECT_NE(std::string::npos, archive.reason.find("Archive name '..\\arch.exe'"));
    EXPECT_TRUE(fake.installers.Starts().empty());
    EXPECT_TRUE(fetcher.requests.empty());
}

TEST_F(ResolverTest, MissingNamesAreIgnored) {
    fake.machine.AddFile("C:\\Setup\\arch.exe");
    EXPECT_FALSE(Resolve("", "arch.exe").found);
    EXPECT_FALSE(Resolve(".\\", "arch.exe").found);
    const ResolvedInstaller noArchive = Resolve("a.msi", "");
    EXPECT_EQ("Package file name not found and archive name not provided", noArchive.reason);
    const std::vector<std::string> expected = {
        "IGNORED - no file name provided",
        "IGNORED - no file name provided",
        "IGNORED - no archive name provided",
        "FAILED resolving installer file location: Package file name not found and archive "
        "name not provided",
    };
    EXPECT_EQ(expected, ResolverLines());
    EXPECT_TRUE(fake.installers.Starts().empty());
    EXPECT_TRUE(fetcher.requests.empty());
}

TEST_F(ResolverTest, FetchedArchiveIsRememberedUnpackedAndResolved) {
    fetcher.answer.found = true;
    fetcher.answer.archivePath = "D:\\Chosen\\arch.exe";
    fetcher.answer.chosenFolder = "D:\\Chosen";
    fetcher.answer.autoDownload = true;
    fetcher.effect = [this] { fake.machine.AddFile("D:\\Chosen\\arch.exe"); };
    ScriptArchive("arch.exe", "C:\\Temp\\TarvexPrerequisites\\arch\\a.msi");

    const ResolvedInstaller found = Resolve("a.msi", "arch.exe");

    ASSERT_TRUE(found.found);
    EXPECT_EQ("C:\\Temp\\TarvexPrerequisites\\arch\\a.msi", found.path);
    EXPECT_EQ("Yes", fake.ownProperties.Get("AutoDownloadPrerequisites"));
    EXPECT_EQ("D:\\Chosen", fake.ownProperties.Get("PrerequisitesLocation"));
    EXPECT_EQ("D:\\Chosen", fake.machine.Value(PrereqLocationPath()));
    const std::vector<std::string> lines = ResolverLines();
    ASSERT_GE(lines.size(), 4u);
    const std::vector<std::string> tail(lines.end() - 4, lines.end());
    const std::vector<std::string> expected = {
        "Archive 'arch.exe' found in 'D:\\Chosen'",
        "UNARCHIVE 'D:\\Chosen\\arch.exe'",
        "Package found 'C:\\Temp\\TarvexPrerequisites\\arch\\a.msi'",
        "INSTALLER 'C:\\Temp\\TarvexPrerequisites\\arch\\a.msi'",
    };
    EXPECT_EQ(expected, tail);
}

TEST_F(ResolverTest, ChildInstanceDoesNotRememberTheLocation) {
    fake.ownProperties.Set("MainInstance", "No", true);
    fetcher.answer.found = true;
    fetcher.answer.chosenFolder = "D:\\Chosen";
    fake.machine.AddFile("D:\\Chosen\\a.msi");
    EXPECT_TRUE(Resolve("a.msi", "arch.exe").found);
    EXPECT_FALSE(fake.machine.HasKey(ParentFolder(PrereqLocationPath())));
}

TEST_F(ResolverTest, ExtractionErrorIsLoggedWithItsCode) {
    fake.machine.AddFile("C:\\Setup\\arch.exe");
    ScriptArchive("arch.exe", "", 5);
    fetcher.answer.error = "download is not available";
    const ResolvedInstaller found = Resolve("a.msi", "arch.exe");
    EXPECT_FALSE(found.found);
    const std::vector<std::string> lines = ResolverLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("UNARCHIVE 'C:\\Setup\\arch.exe'", lines[0]);
    EXPECT_EQ("UNARCHIVE ERROR -> CODE 5", lines[1]);
    EXPECT_TRUE(
        fake.log.Contains("FAILED resolving installer file location: Archive 'arch.exe' "
                          "could not be unpacked"));
}

// The resolver of a chain whose files lie beside setup keeps to setup's folder as well.
TEST(BesideSetupResolverTest, NamesThatLeaveSetupsFolderAreRefused) {
    FakeRun fake;
    fake.machine.AddFile("C:\\evil.msi");
    fake.machine.AddFile("C:\\Setup\\..\\evil.msi");  // as Windows would reach it
    fake.machine.AddFile("C:\\Setup\\a.msi");
    BesideSetupResolver resolver(FakeRun::kSetupFolder, fake.machine, fake.log.File());
    for (const char* name : {"..\\evil.msi", "C:\\evil.msi", "\\evil.msi", ".\\..\\evil.msi"}) {
        const ResolvedInstaller found = resolver.Resolve({"Prereq", name, ""});
        EXPECT_FALSE(found.found) << name << " gave " << found.path;
    }
    EXPECT_EQ("C:\\Setup\\a.msi", resolver.Resolve({"Prereq", ".\\a.msi", ""}).path);
}

TEST(ResolverPathsTest, SafeNames) {
    struct Row {
        const char* name;
        bool safe;
        const char* cleaned;
    } const rows[] = {
        {"a.msi", true, "a.msi"},
        {".\\a.msi", true, "a.msi"},
        {"./sub/a.msi", true, "sub/a.msi"},
        {"sub\\a..b.msi", true, "sub\\a..b.msi"},
        {"..\\a.msi", false, "..\\a.msi"},
        {"sub/../a.msi", false, "sub/../a.msi"},
        {"C:a.msi", false, "C:a.msi"},
        {"/a.msi", false, "/a.msi"},
        {"sub\\", false, "sub\\"},
        {".\\", false, ""},
        {"a.msi:stream", false, "a.msi:stream"},
        {"a.exe\" /evil \"x.exe", false, "a.exe\" /evil \"x.exe"},
        {"a*.msi", false, "a*.msi"},
        {"a\tb.msi", false, "a\tb.msi"},
    };
    for (const Row& row : rows) {
        std::string cleaned;
        EXPECT_EQ(row.safe, SafeRelativeName(row.name, &cleaned)) << row.name;
        EXPECT_EQ(row.cleaned, cleaned) << row.name;
    }
    EXPECT_EQ("\\\\srv\\share", ShareRoot("\\\\srv\\share\\a\\b.exe"));
    EXPECT_EQ("\\\\srv\\share", ShareRoot("\\\\srv\\share"));
    EXPECT_EQ("", ShareRoot("\\\\srv\\"));
    EXPECT_EQ("", ShareRoot("C:\\srv\\share"));
}

TEST(ResolverPathsTest, ServersComeFromUncLocations) {
    std::vector<DownloadLocation> locations(4);
    locations[0].protocol = kProtocolUnc;
    locations[0].server = "srv";
    locations[0].path = "/pre/x/";
    locations[0].user = "u";
    locations[0].password = "p";
    locations[1].protocol = kProtocolFtp;
    locations[1].server = "ftp.example";
    locations[2].protocol = kProtocolUnc;
    locations[2].server = "\\\\srv2\\share";
    locations[3].protocol = kProtocolUnc;
    locations[3].server = "Z:\\archives";
    const std::vector<ResolverServer> servers = ServersFromLocations(locations);
    ASSERT_EQ(3u, servers.size());
    EXPECT_EQ("\\\\srv\\pre\\x", servers[0].folder);
    EXPECT_EQ("u", servers[0].user);
    EXPECT_EQ("p", servers[0].password);
    EXPECT_EQ("\\\\srv2\\share", servers[1].folder);
    EXPECT_EQ("Z:\\archives", servers[2].folder);
}

TEST(ArchiveExtractionTest, CommandFromTheConfiguredTemplate) {
    PropertyStore store;
    EXPECT_EQ("\"D:\\a b\\arch.exe\" /S /D=C:\\Temp\\TarvexPrerequisites\\arch",
              ExtractCommand(store, "D:\\a b\\arch.exe", ExtractFolder("C:\\Temp\\", "arch.exe")));
    store.Set("Unpacker", "C:\\Tools\\unpack.exe", true);
    store.Set(kArchiveExtractCommandName, "[Unpacker] x \"[ArchivePath]\" -o\"[ExtractFolder]\"",
              true);
    EXPECT_EQ(
        "C:\\Tools\\unpack.exe x \"E:\\[1]\\arch.exe\" -o\"C:\\T\\TarvexPrerequisites\\arch\"",
        ExtractCommand(store, "E:\\[1]\\arch.exe", ExtractFolder("C:\\T", "sub\\arch.exe")));
}

}  // namespace
