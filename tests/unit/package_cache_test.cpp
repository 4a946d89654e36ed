// The package cache, its deletion and the original installer, in whole runs of the real
// Installer on the fake machine: which files are copied where, which folders go, which
// setups and installers start with which command lines, and the run's return code.
//
// The chain is a prerequisite (Runtime, cached) and the MAIN package (Suite); setup lies in
// "C:\Setup" and the original setup of an installed version in "C:\Old".

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "cache_folder_guard.h"
#include "command_line.h"
#include "config_interpreter.h"
#include "event_logger.h"
#include "fake_run.h"
#include "fixed_facts.h"
#include "installer.h"
#include "package_state.h"
#include "return_codes.h"
#include "setup_folder.h"
#include "test_folder.h"

namespace {

const char kStandardXml[] = R"(<?xml version="1.0"?>
<Standard>
  <Contents>
    <Package Tag="EXE" Type="EXE" SuccessCodes="0,3010" ErrorCodes="1603" CancelCodes="1602"
             RebootCode="3010">
      <Install CmdLine="[PackageFileName] /i" CmdLineSilent="[PackageFileName] /i /s"/>
      <Uninstall CmdLine="[PackageFileName] /x" CmdLineSilent="[PackageFileName] /x /s"/>
      <Repair CmdLine="[PackageFileName] /r" CmdLineSilent="[PackageFileName] /r /s"/>
    </Package>
  </Contents>
</Standard>
)";

const char kRuntimeCode[] = "{B0000000-0000-4000-8000-000000000001}";
const char kSuiteCode[] = "{B0000000-0000-4000-8000-000000000002}";
const char kOldSuiteCode[] = "{B0000000-0000-4000-8000-0000000000F2}";
const char kRuntimeUpgrade[] = "{A0000000-0000-4000-8000-000000000001}";
const char kSuiteUpgrade[] = "{A0000000-0000-4000-8000-000000000002}";
const char kCache[] = "C:\\Program Files\\Common Files\\BootstrapperCache\\Runtime";
const char kSourceKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\InstallerSource\\"
    "Demo Suite";
const char kRuntimeRefs[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\RefCount\\Runtime\\Suite";

std::string Runtime(const std::string& cache = "<Cache/>") {
    return std::string(
               "<Package Tag=\"EXE\" Type=\"EXE\" Name=\"Runtime\" FileName=\"run.exe\">"
               "<Version Version=\"1.0\" Detect=\"u") +
           kRuntimeUpgrade + "\"/>" + cache + "</Package>\n";
}

std::string Suite(const char* type = "EXE") {
    return std::string("<Package Tag=\"EXE\" Type=\"") + type +
           "\" Name=\"Suite\" Feature=\"MAIN\" FileName=\"suite.exe\">"
           "<Version Version=\"2.0\" Detect=\"u" +
           kSuiteUpgrade + "\"/></Package>\n";
}

std::string ConfigXml(const std::string& contents) {
    return "<?xml version=\"1.0\"?>\n<Config>\n  <Version>2</Version>\n"
           "  <ProductInfo Name=\"Demo Suite\" Version=\"2.0\" Tag=\"DEMO\"/>\n  <Contents>\n" +
           contents + "  </Contents>\n</Config>\n";
}

FakeMachine::Product RuntimeProduct() {
    return {kRuntimeCode, kRuntimeUpgrade, "1.0", "Runtime"};
}
FakeMachine::Product SuiteProduct(const char* version = "2.0", const char* code = kSuiteCode) {
    return {code, kSuiteUpgrade, version, "Suite"};
}

// An installer that installs or removes its product as its command line says.
InstallerScript Plays(FakeInstallers& installers, const FakeMachine::Product& product,
                      long exitCode = 0) {
    return InstallerScript{exitCode, "", "", [&installers, product](FakeMachine& machine) {
                               const std::string& command = installers.Starts().back().command;
                               if (command.find(" /x") != std::string::npos)
                                   machine.Remove(product.productCode);
                               else
                                   machine.Install(product);
                           }};
}

InstallerScript ExitsWith(long code) {
    InstallerScript script;
    script.exitCode = code;
    return script;
}

std::vector<std::string> Commands(const FakeInstallers& installers) {
    std::vector<std::string> commands;
    for (const auto& start : installers.Starts()) commands.push_back(start.command);
    return commands;
}

class PackageCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ConfigInterpreter::SetMachineFactsSource(FixedFacts);
        SetSetupFolder(folder_.Path().string());
        std::ofstream(folder_.Child("standard.xml")) << kStandardXml;
    }
    void TearDown() override {
        ConfigInterpreter::SetMachineFactsSource(nullptr);
        SetSetupFolder("");
    }

    // Runs the chain on a machine that prepare sets up; check looks at it afterwards.
    int Walk(const std::string& contents, const std::string& arguments,
             const std::function<void(FakeRun&)>& prepare,
             const std::function<void(FakeRun&)>& check) {
        std::ofstream(folder_.Child("config.xml")) << ConfigXml(contents);
        const std::string line = "\"C:\\Setup\\setup.exe\" " + arguments;
        const CommandLine command(line.c_str(), " \t", '"');
        EventLogger events;
        ConfigInterpreter config(command, "config.xml", "standard.xml", "settings.xml", &events,
                                 1700000000);
        EXPECT_TRUE(config.IsValid());
        FakeRun run(config.Properties());
        run.machine.AddFile("C:\\Setup\\setup.exe", "1.0.0.2", "Tarvex Bootstrapper");
        run.machine.AddFile("C:\\Setup\\run.exe");
        run.machine.AddFile("C:\\Setup\\suite.exe");
        run.installers.Script("Runtime", Plays(run.installers, RuntimeProduct()));
        run.installers.Script("Suite", Plays(run.installers, SuiteProduct()));
        prepare(run);
        Installer installer(config, run.Services());
        const int code = installer.Run();
        log_ = run.LogText();
        check(run);
        return code;
    }
    bool Logged(const std::string& part) const { return log_.find(part) != std::string::npos; }

    TestFolder folder_;
    std::string log_;
};

void Nothing(FakeRun&) {}

// An original setup of version 1.0.0.1 with its configuration in "C:\Old", registered as
// the install source of the product.
void OriginalSetup(FakeRun& run) {
    run.machine.SetValue(kSourceKey, "  C:\\Old\\ \t");
    run.machine.AddFile("C:\\Old\\setup.exe", "1.0.0.1", "TARVEX Bootstrapper");
    run.machine.AddFile("C:\\Old\\config.xml");
}

TEST_F(PackageCacheTest, InstallerFileIsCachedAndRunsFromTheCache) {
    // First install: the file is copied, the package runs from the copy and MAIN registers
    // this setup's folder as the product's install source.
    EXPECT_EQ(RC_AllCompleted, Walk(Runtime() + Suite(), "-s", Nothing, [](FakeRun& run) {
                  EXPECT_NE("<missing>", run.machine.Content(std::string(kCache) + "\\run.exe"));
                  EXPECT_EQ(std::string(kCache) + "\\run.exe /i /s",
                            Commands(run.installers).at(0));
                  EXPECT_EQ("C:\\Setup", run.machine.Value(kSourceKey));
              }));
    EXPECT_TRUE(Logged(std::string("    Cache     : Location -> '") + kCache + "'"));
    EXPECT_TRUE(
        Logged(std::string("    Cache     : File cached -> '\"") + kCache + "\\run.exe\"'"));

    // A package without the Cache element runs from where the resolver found it.
    Walk(Runtime("") + Suite(), "-s", Nothing, [](FakeRun& run) {
        EXPECT_EQ("C:\\Setup\\run.exe /i /s", Commands(run.installers).at(0));
        EXPECT_EQ("<missing>", run.machine.Content(std::string(kCache) + "\\run.exe"));
    });

    // A Location replaces the default folder, with properties expanded.
    Walk(Runtime("<Cache Location=\"[TempFolder]\\Pkg\\\"/>") + Suite(), "-s", Nothing,
         [](FakeRun& run) {
             EXPECT_EQ("C:\\Temp\\Pkg\\run.exe /i /s", Commands(run.installers).at(0));
         });
}

TEST_F(PackageCacheTest, CachedCopyIsReplacedOnlyWhenOutdated) {
    const std::string cached = std::string(kCache) + "\\run.exe";
    // The same time stamp: the copy stays as it is.
    Walk(
        Runtime() + Suite(), "-s",
        [&](FakeRun& run) {
            run.machine.SetWriteTime("C:\\Setup\\run.exe", 5);
            run.machine.SetFileContent(cached, "old copy");
            run.machine.SetWriteTime(cached, 5);
        },
        [&](FakeRun& run) { EXPECT_EQ("old copy", run.machine.Content(cached)); });
    // A newer source replaces it.
    Walk(
        Runtime() + Suite(), "-s",
        [&](FakeRun& run) {
            run.machine.SetFileContent("C:\\Setup\\run.exe", "new");
            run.machine.SetWriteTime("C:\\Setup\\run.exe", 6);
            run.machine.SetFileContent(cached, "old copy");
            run.machine.SetWriteTime(cached, 5);
        },
        [&](FakeRun& run) { EXPECT_EQ("new", run.machine.Content(cached)); });
    // An installer database with another product code replaces it despite the same time.
    const std::string msiRuntime =
        std::string(
            "<Package Tag=\"EXE\" Type=\"MSI\" Name=\"Runtime\" FileName=\"run.msi\">"
            "<Version Version=\"1.0\" Detect=\"u") +
        kRuntimeUpgrade +
        "\"/><Cache/><Install CmdLineSilent=\"[PackageFileName] /i /s\"/></Package>\n";
    const std::string cachedMsi = std::string(kCache) + "\\run.msi";
    Walk(
        msiRuntime + Suite(), "-s",
        [&](FakeRun& run) {
            run.machine.AddPackageFile("C:\\Setup\\run.msi", {{"ProductCode", kRuntimeCode}});
            run.machine.AddPackageFile(cachedMsi, {{"ProductCode", kOldSuiteCode}});
            run.machine.SetWriteTime("C:\\Setup\\run.msi", 5);
            run.machine.SetWriteTime(cachedMsi, 5);
        },
        [&](FakeRun& run) {
            long error = 0;
            const std::unique_ptr<InstallerPackage> package =
                run.machine.OpenPackage(cachedMsi.c_str(), &error);
            ASSERT_TRUE(package);
            std::string code;
            package->Property("ProductCode", &code);
            EXPECT_EQ(kRuntimeCode, code);
        });
    // A copy that fails is a warning: the package runs from its source.
    Walk(
        Runtime() + Suite(), "-s", [&](FakeRun& run) { run.machine.Lock(cached); },
        [&](FakeRun& run) {
            EXPECT_EQ("C:\\Setup\\run.exe /i /s", Commands(run.installers).at(0));
        });
    EXPECT_TRUE(Logged("    Cache     : File cache ERROR"));
    EXPECT_TRUE(Logged("Installer::Cache(...) returned code 32 trying to copy"));
}

TEST_F(PackageCacheTest, LaterRunWorksFromTheCacheWhenTheMediumIsGone) {
    const std::string cached = std::string(kCache) + "\\run.exe";
    for (const char* action : {"x", "r"}) {
        const int code = Walk(
            Runtime() + Suite(), std::string(action) + " -s",
            [&](FakeRun& run) {
                run.machine.RemoveFile("C:\\Setup\\run.exe");
                run.machine.AddFile(cached);
                run.machine.Install(RuntimeProduct());
                run.machine.Install(SuiteProduct());
                run.machine.SetValue(kSourceKey, "C:\\Old");
            },
            [&](FakeRun& run) {
                // Only a removal of the product forgets its setup.
                EXPECT_EQ(action[0] == 'x' ? "" : "C:\\Old", run.machine.Value(kSourceKey));
                const std::vector<std::string> commands = Commands(run.installers);
                const std::string wanted = cached + " /" + action + " /s";
                EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), wanted))
                    << wanted;
            });
        EXPECT_EQ(RC_AllCompleted, code) << log_;
        EXPECT_TRUE(Logged("    Cache     : Using cached file '" + cached + "'")) << action;
    }
    // Without a cached copy the package cannot run.
    Walk(
        Runtime() + Suite(), "x -s",
        [&](FakeRun& run) {
            run.machine.RemoveFile("C:\\Setup\\run.exe");
            run.machine.Install(RuntimeProduct());
            run.machine.Install(SuiteProduct());
        },
        [&](FakeRun& run) { EXPECT_EQ("1.0", run.machine.VersionOf(kRuntimeCode)); });
}

TEST_F(PackageCacheTest, DeleteCacheRemovesTheCachesOfReleasedPackagesOnly) {
    const std::string cached = std::string(kCache) + "\\run.exe";
    const auto installed = [&](FakeRun& run) {
        run.machine.AddFile(cached);
        run.machine.Install(RuntimeProduct());
        run.machine.Install(SuiteProduct());
        run.machine.SetValue(kRuntimeRefs, kRuntimeCode);
        run.machine.AddFile("C:\\Setup\\readme.txt");  // keeps setup's own folder
    };
    Walk(Runtime() + Suite(), "x -s DeleteCache=Yes", installed, [&](FakeRun& run) {
        EXPECT_EQ("<missing>", run.machine.Content(cached));
        EXPECT_FALSE(run.machine.FileExists(kCache));
        EXPECT_TRUE(run.machine.removalsAtRestart.empty());
    });
    EXPECT_TRUE(Logged(std::string("DELETING CACHE...")));
    EXPECT_TRUE(Logged(std::string("  Folder '") + kCache + "'"));

    // Another product still references the runtime: its cache stays.
    Walk(
        Runtime() + Suite(), "x -s DeleteCache=Yes",
        [&](FakeRun& run) {
            installed(run);
            run.machine.SetValue(
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\RefCount\\"
                "Runtime\\Other",
                "{C0000000-0000-4000-8000-000000000001}");
            run.machine.SetValue(
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\RefCount\\"
                "Other\\Other",
                "");
        },
        [&](FakeRun& run) { EXPECT_NE("<missing>", run.machine.Content(cached)); });

    // Not "Yes", or not an uninstall: nothing is deleted.
    Walk(Runtime() + Suite(), "x -s DeleteCache=No", installed,
         [&](FakeRun& run) { EXPECT_NE("<missing>", run.machine.Content(cached)); });
    EXPECT_TRUE(Logged("'DeleteCache=No' -> cache NOT deleted"));
    Walk(Runtime() + Suite(), "r -s DeleteCache=Yes", installed,
         [&](FakeRun& run) { EXPECT_NE("<missing>", run.machine.Content(cached)); });
    EXPECT_TRUE(
        Logged("'DeleteCache' property ignored! This property is interpreted only on "
               "main instance during uninstall."));
}

TEST_F(PackageCacheTest, FolderInUseGoesAtTheRestart) {
    const std::string cached = std::string(kCache) + "\\run.exe";
    const int code = Walk(
        Runtime() + Suite(), "x DeleteCache=Yes",
        [&](FakeRun& run) {
            run.machine.AddFile(cached);
            run.machine.HoldUntilRestart(cached);
            run.machine.Install(RuntimeProduct());
            run.machine.Install(SuiteProduct());
            run.machine.SetValue(kRuntimeRefs, kRuntimeCode);
            run.machine.AddFile("C:\\Setup\\readme.txt");
        },
        [&](FakeRun& run) {
            EXPECT_EQ(std::vector<std::string>{kCache}, run.machine.removalsAtRestart);
            // Normal mode: the restart is asked for with the cache's own question.
            ASSERT_FALSE(run.prompts.shown.empty());
            EXPECT_EQ("REBOOT_CACHE_DELETED", run.prompts.shown.back().tag);
        });
    EXPECT_EQ(RC_RebootRequired, code) << log_;
    EXPECT_TRUE(Logged(std::string("Preparing to delete ") + kCache + " "));
}

TEST_F(PackageCacheTest, SetupFolderHoldingOnlySetupFilesGoesAtTheRestart) {
    const auto installed = [](FakeRun& run) {
        run.machine.Install(RuntimeProduct());
        run.machine.Install(SuiteProduct());
    };
    Walk(Runtime() + Suite(), "x -s DeleteCache=Yes", installed, [](FakeRun& run) {
        const std::vector<std::string> expected = {"C:\\Setup\\run.exe", "C:\\Setup\\setup.exe",
                                                   "C:\\Setup\\suite.exe", "C:\\Setup"};
        std::vector<std::string> marked = run.machine.removalsAtRestart;
        ASSERT_EQ(expected.size(), marked.size());
        std::sort(marked.begin(), marked.end() - 1);
        EXPECT_EQ(expected, marked);
    });
    // A file of the user's beside setup keeps the folder.
    Walk(
        Runtime() + Suite(), "x -s DeleteCache=Yes",
        [&](FakeRun& run) {
            installed(run);
            run.machine.AddFile("C:\\Setup\\letter.doc");
        },
        [](FakeRun& run) { EXPECT_TRUE(run.machine.removalsAtRestart.empty()); });
}

// The deletion guard on its own: every spelling of a root, and the system's folders.
TEST(CacheFolderGuardTest, RootsInEverySpellingAreRoots) {
    for (const char* root :
         {"C:\\", "C:\\\\", "C:/", "C:", "\\\\?\\C:\\", "C:\\.", "C:\\..", "C:\\Temp\\..",
          "c:\\.\\.\\", "\\\\server\\share", "\\\\server\\share\\", "\\\\?\\UNC\\server\\share\\",
          "\\\\server\\share\\x\\..", "\\", "D:relative", "  \"C:\\\"  ", "C:\\...\\"}) {
        const NormalizedFolder folder = NormalizeFolder(root, "C:\\Work");
        EXPECT_TRUE(folder.root) << root << " -> " << folder.path;
    }
    for (const char* below : {"C:\\Cache", "C:/Cache/", "\\\\?\\C:\\Cache", "\\\\server\\share\\c",
                              "Cache", "..\\Cache"}) {
        EXPECT_FALSE(NormalizeFolder(below, "C:\\Work").root) << below;
    }
    EXPECT_EQ("C:\\Cache\\Pkg", NormalizeFolder("C:/Cache//x/../Pkg. /", "D:\\").path);
    EXPECT_EQ("C:\\Work\\Cache", NormalizeFolder("Cache", "C:\\Work").path);
    EXPECT_EQ("C:\\Cache", NormalizeFolder("..\\Cache", "C:\\Work").path);
    EXPECT_EQ("D:\\Cache", NormalizeFolder("\\Cache", "D:\\Work").path);
}

TEST(CacheFolderGuardTest, SystemFoldersAndTheirParentsAreProtected) {
    const std::vector<std::string> system = {"C:\\Windows", "C:\\Windows\\System32",
                                             "C:\\Program Files", "C:\\Users"};
    for (const char* folder :
         {"C:\\Windows", "c:\\windows", "C:\\Windows\\System32", "C:\\Windows\\Temp\\Cache",
          "C:\\Program Files", "C:\\Users", "C:\\Users\\bob"}) {
        EXPECT_TRUE(IsProtectedFolder(folder, system, "C:\\Windows", "C:\\Users")) << folder;
    }
    for (const char* folder : {"C:\\Program Files\\Common Files\\BootstrapperCache\\Runtime",
                               "C:\\Users\\bob\\Cache", "C:\\WindowsCache", "C:\\Cache"}) {
        EXPECT_FALSE(IsProtectedFolder(folder, system, "C:\\Windows", "C:\\Users")) << folder;
    }
}

TEST_F(PackageCacheTest, DeleteCacheRefusesRootsAndSystemFolders) {
    for (const char* location :
         {"C:\\", "C:\\\\", "C:/", "\\\\?\\C:\\", "C:\\.", "[WindowsFolder]", "[WindowsFolder]\\..",
          "[ProgramFilesFolder]\\", "C:\\Users\\bob", "[TempFolder]\\..", "D:/", "\\\\?\\D:\\.",
          "D:\\Data\\..", "\\\\server\\share\\", "//server/share/x/.."}) {
        const std::string cache = std::string("<Cache Location=\"") + location + "\"/>";
        Walk(
            Runtime(cache) + Suite(), "x -s DeleteCache=Yes",
            [](FakeRun& run) {
                run.machine.AddFile("C:\\keep.txt");
                run.machine.AddFile("C:\\windows\\win.ini");
                run.machine.AddFile("C:\\Program Files\\app.exe");
                run.machine.AddFile("C:\\Users\\bob\\doc.txt");
                run.machine.AddFile("C:\\Temp\\t.txt");
                run.machine.AddFile("C:\\Setup\\readme.txt");
                run.machine.AddFile("D:\\Data\\d.txt");
                run.machine.AddFile("\\\\server\\share\\s.txt");
                run.machine.SetValue(
                    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"
                    "ProfileList\\ProfilesDirectory",
                    "%SystemDrive%\\Users");
                run.machine.Install(RuntimeProduct());
                run.machine.Install(SuiteProduct());
                run.machine.SetValue(kRuntimeRefs, kRuntimeCode);
            },
            [location](FakeRun& run) {
                for (const char* file :
                     {"C:\\keep.txt", "C:\\windows\\win.ini", "C:\\Program Files\\app.exe",
                      "C:\\Users\\bob\\doc.txt", "C:\\Temp\\t.txt", "D:\\Data\\d.txt",
                      "\\\\server\\share\\s.txt"})
                    EXPECT_TRUE(run.machine.FileExists(file)) << location << ": " << file;
            });
        EXPECT_TRUE(Logged("Cannot delete cache folder '")) << location;
    }
}

TEST_F(PackageCacheTest, ExistingVersionIsRemovedByItsOriginalSetup) {
    const auto oldInstalled = [](FakeRun& run) {
        OriginalSetup(run);
        run.machine.Install(SuiteProduct("1.0", kOldSuiteCode));
        run.installers.Script("Setup", InstallerScript{0, "", "", [](FakeMachine& machine) {
                                                           machine.Remove(kOldSuiteCode);
                                                       }});
    };
    const int code =
        Walk(Runtime() + Suite(), "x -s UninstallExisting=1.0", oldInstalled, [](FakeRun& run) {
            EXPECT_EQ("\"C:\\Old\\setup.exe\" x MainInstance=No AUTOREBOOT=No -s",
                      Commands(run.installers).at(0));
            EXPECT_EQ("", run.machine.VersionOf(kOldSuiteCode));
        });
    EXPECT_NE(RC_OriginalInstallerNotFound, code);
    EXPECT_TRUE(Logged("    Original setup found (1.0.0.1) in 'C:\\Old'"));
    EXPECT_TRUE(Logged(std::string(85, '=') + "\n"));
    EXPECT_TRUE(Logged("Executing another instance of Setup \"C:\\Old\\setup.exe\""));
    EXPECT_TRUE(
        Logged("Setup ended the instance (\"C:\\Old\\setup.exe\") with the return code 0 "
               "[RC_AllCompleted]"));

    // An install of the new version: the old setup marked the package it removed in the
    // shared progress list, yet the new version's package of the same name still runs.
    const int installCode = Walk(
        Runtime() + Suite(), "-s",
        [&](FakeRun& run) {
            oldInstalled(run);
            // As a configuration would set it: the command line gives it for uninstall only.
            run.Services().properties.Set("UninstallExisting", "1.0", true);
            run.installers.Script("Setup", InstallerScript{0, "", "", [&run](FakeMachine& machine) {
                                                               machine.Remove(kOldSuiteCode);
                                                               run.progress.SetItemStateByName(
                                                                   "Suite", PS_Completed);
                                                           }});
        },
        [](FakeRun& run) { EXPECT_EQ("2.0", run.machine.VersionOf(kSuiteCode)); });
    EXPECT_EQ(RC_AllCompleted, installCode) << log_;

    // The old setup fails: the run ends with its code.
    EXPECT_EQ(RC_NotCompleted, Walk(
                                   Runtime() + Suite(), "x -s UninstallExisting=1.0",
                                   [&](FakeRun& run) {
                                       oldInstalled(run);
                                       run.installers.Script("Setup", ExitsWith(1));
                                   },
                                   Nothing));
}

TEST_F(PackageCacheTest, OlderOriginalSetupIsBackedUpAndReplaced) {
    const auto older = [](FakeRun& run) {
        OriginalSetup(run);
        run.machine.SetFileContent("C:\\Old\\setup.exe", "old setup");
        run.machine.SetFileContent("C:\\Old\\utils.dll", "old utils");
        run.machine.SetFileContent("C:\\Setup\\setup.exe", "new setup");
        run.machine.SetFileContent("C:\\Setup\\utils.dll", "new utils");
        run.machine.SetFileContent("C:\\Setup\\forms.dll", "new forms");
        run.machine.Install(SuiteProduct("1.0", kOldSuiteCode));
    };
    Walk(Runtime() + Suite(), "x -s UninstallExisting=1.0", older, [](FakeRun& run) {
        EXPECT_EQ("new setup", run.machine.Content("C:\\Old\\setup.exe"));
        EXPECT_EQ("new utils", run.machine.Content("C:\\Old\\utils.dll"));
        EXPECT_EQ("new forms", run.machine.Content("C:\\Old\\forms.dll"));
        EXPECT_EQ("old setup", run.machine.Content("C:\\Old\\BSBackup\\setup.exe"));
        EXPECT_EQ("old utils", run.machine.Content("C:\\Old\\BSBackup\\utils.dll"));
    });
    EXPECT_TRUE(Logged("    Original setup version is older than the current one."));
    EXPECT_TRUE(Logged("    Backup setup.exe succeeded"));

    // The copy fails half way: the originals come back, the added file goes, and so does
    // the backup.
    Walk(
        Runtime() + Suite(), "x -s UninstallExisting=1.0",
        [&](FakeRun& run) {
            older(run);
            run.machine.Lock("C:\\Setup\\forms.dll");
        },
        [](FakeRun& run) {
            EXPECT_EQ("old setup", run.machine.Content("C:\\Old\\setup.exe"));
            EXPECT_EQ("old utils", run.machine.Content("C:\\Old\\utils.dll"));
            EXPECT_EQ("<missing>", run.machine.Content("C:\\Old\\forms.dll"));
            EXPECT_FALSE(run.machine.FileExists("C:\\Old\\BSBackup"));
        });
    EXPECT_TRUE(Logged("    Restore setup files from backup"));
}

TEST_F(PackageCacheTest, WithoutOriginalSetupTheMsiProductIsRemovedByItsCode) {
    const auto noSetup = [](FakeRun& run) {
        run.machine.Install(SuiteProduct("1.0", kOldSuiteCode));
        run.installers.Script("Suite", InstallerScript{0, "", "", [](FakeMachine& machine) {
                                                           machine.Remove(kOldSuiteCode);
                                                       }});
    };
    Walk(Runtime() + Suite("MSI"), "x -s UninstallExisting=1.0", noSetup, [](FakeRun& run) {
        EXPECT_EQ(std::string("msiexec /x ") + kOldSuiteCode + " /passive REBOOT=ReallySuppress",
                  Commands(run.installers).at(0));
    });
    EXPECT_TRUE(Logged("    Install source for original setup not found"));
    EXPECT_TRUE(Logged("    MSI code  : 0 ["));
    EXPECT_TRUE(Logged("    BS code   : 0 [RC_AllCompleted]")) << log_;

    // A registered folder without config.xml is no original setup.
    Walk(
        Runtime() + Suite("MSI"), "x -s UninstallExisting=1.0",
        [&](FakeRun& run) {
            noSetup(run);
            run.machine.SetValue(kSourceKey, "C:\\Old");
            run.machine.AddFile("C:\\Old\\setup.exe", "1.0.0.1", "TARVEX Bootstrapper");
        },
        Nothing);
    EXPECT_TRUE(Logged("    Original setup (bootstrapper) not found: C:\\Old\\config.xml"));

    // An EXE MAIN package has no product code to remove: the run ends.
    EXPECT_EQ(RC_OriginalInstallerNotFound,
              Walk(Runtime() + Suite(), "x -s UninstallExisting=1.0", noSetup,
                   [](FakeRun& run) { EXPECT_TRUE(run.installers.Starts().empty()); }));
    EXPECT_TRUE(Logged("Could not initiate any setup: no MSI package found "));
    EXPECT_TRUE(Logged("Cannot uninstall this product since the original setup was not found."));
}

TEST_F(PackageCacheTest, RollbackAfterAFailedMainCallsTheOriginalSetup) {
    const int code = Walk(
        Runtime() + Suite(), "-s AutoRollback=Yes",
        [](FakeRun& run) {
            OriginalSetup(run);
            run.machine.AddFile("C:\\Old\\setup.exe", "1.0.0.2", "TARVEX Bootstrapper");
            run.installers.Script("Suite", ExitsWith(1603));
        },
        [](FakeRun& run) {
            const std::vector<std::string> commands = Commands(run.installers);
            ASSERT_EQ(3u, commands.size());
            EXPECT_EQ("\"C:\\Old\\setup.exe\" x -n MainInstance=No Rollback=1 -s", commands.back());
            // The rollback and the old setup's uninstall show as items of the progress list.
            EXPECT_EQ(PS_Completed, run.progress.GetItemStateByName("Rollback installed product"));
            EXPECT_EQ(PS_Completed, run.progress.GetItemStateByName("Uninstalling version..."));
            ASSERT_LE(2u, run.dialog.rows.size());
            EXPECT_EQ("Rollback installed product",
                      run.dialog.rows[run.dialog.rows.size() - 2].name);
            EXPECT_EQ("  C:\\Old\\ \t", run.machine.Value(kSourceKey));
        });
    EXPECT_EQ(RC_NotCompleted, code);
    EXPECT_TRUE(Logged("Rolling back application 'Demo Suite'..."));
}

}  // namespace
