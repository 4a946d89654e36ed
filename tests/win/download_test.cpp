// Downloads of prerequisite archives under Wine, through the real URL moniker, from a
// server this test runs on 127.0.0.1; the download dialog's Cancel and the prerequisite
// dialog on the bench's display.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "child_process.h"
#include "config_interpreter.h"
#include "download_fetcher_factory.h"
#include "fake_run.h"
#include "file_system.h"
#include "http_test_server.h"
#include "test_folder.h"
#include "window_probe.h"

namespace {

const char kSetupBox[] = "Tarvex setup";
const char kPrerequisiteCaption[] = "Missing prerequisite";
const int kFileField = 1034;
const int kDownloadText = 1030;

// The dialogs of the built setup.exe.
HMODULE SetupResources() {
    static HMODULE module =
        LoadLibraryExA((TestProgramFolder() + "\\..\\bin\\setup.exe").c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return module;
}

// Bytes that show where a cut or a mix-up happened.
std::string Payload(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return body;
}

std::string ReadBinary(const std::string& path) {
    std::string content;
    return ReadWholeFile(SystemFileSystem(), path, &content) ? content : "<unreadable>";
}

std::string ControlText(void* dialog, int id) {
    char text[512] = {};
    SendMessageA(GetDlgItem(static_cast<HWND>(dialog), id), WM_GETTEXT, sizeof(text),
                 reinterpret_cast<LPARAM>(text));
    return text;
}

class DownloadBench {
  public:
    DownloadBench() {
        archives.push_back({"Runtime 4.8", "Runtime48.exe", "redist/[PACKAGE_ARCHIVE]", "2048"});
        archives.push_back({"Gone", "Gone.exe", "redist/Gone.exe", "10"});
        DownloadLocation site;
        site.server = "127.0.0.1";
        site.port = std::to_string(server.Port());
        site.path = "files";
        locations.push_back(site);
        fetcher = MakeDownloadFetcher(SetupResources(), archives, locations, log.File(),
                                      SystemFileSystem());
    }
    FetchRequest Request(const std::string& archive, bool autoDownload, bool quiet) const {
        FetchRequest request;
        request.fileName = "runtime.msi";
        request.archiveName = archive;
        request.folder = folder.Child("downloads");
        request.autoDownload = autoDownload;
        request.quiet = quiet;
        return request;
    }
    std::string Target() const { return folder.Child("downloads") + "\\Runtime48.exe"; }

    HttpTestServer server;
    TestFolder folder;
    std::vector<PrerequisiteArchive> archives;
    std::vector<DownloadLocation> locations;
    MemoryLog log;
    std::unique_ptr<PrerequisiteFetcher> fetcher;
};

TEST(DownloadWineTest, ArchiveIsDownloadedIntoANewFolderWithItsDialog) {
    DownloadBench bench;
    ASSERT_TRUE(bench.server.Started());
    ASSERT_NE(nullptr, SetupResources());
    const std::string body = Payload(300 * 1024);
    bench.server.Serve("/files/redist/Runtime48.exe", body);

    auto fetch = std::async(std::launch::async, [&bench] {
        FetchRequest request = bench.Request("Runtime48.exe", true, false);
        request.showDialog = false;
        return bench.fetcher->Fetch(request);
    });
    if (fetch.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        // A failed download waits for its box: close it, so that the failure is reported.
        if (void* box = WaitForWindow(kSetupBox, GetCurrentProcessId(), 1000))
            PressButton(box, IDOK);
    }
    const FetchResult result = fetch.get();
    ASSERT_TRUE(result.found) << result.error << "\n" << bench.log.Text();
    EXPECT_EQ(bench.Target(), result.archivePath);
    EXPECT_EQ(bench.folder.Child("downloads"), result.chosenFolder);
    EXPECT_TRUE(result.autoDownload);
    EXPECT_TRUE(ReadBinary(bench.Target()) == body) << "the file differs from what was served";
    EXPECT_TRUE(bench.log.Contains("    Download  : Download '" +
                                   bench.server.Url("/files/redist/Runtime48.exe") + "' to '" +
                                   bench.Target() + "'\n    Download  : Package download complete"))
        << bench.log.Text();
}

TEST(DownloadWineTest, MissingFileOnTheServerIsNotFound) {
    DownloadBench bench;
    const FetchResult result = bench.fetcher->Fetch(bench.Request("Runtime48.exe", true, true));
    EXPECT_FALSE(result.found);
    EXPECT_EQ("Error finding " + bench.server.Url("/files/redist/Runtime48.exe"), result.error)
        << bench.log.Text();
    EXPECT_EQ(1, bench.server.Requests());
    EXPECT_FALSE(FileExists(bench.Target()));
    EXPECT_EQ(nullptr, WaitForWindow(kSetupBox, GetCurrentProcessId(), 500));  // quiet: no box
}

TEST(DownloadWineTest, ArchiveMissingFromTheListMakesNoRequest) {
    DownloadBench bench;
    bench.server.Serve("/files/Unlisted.exe", "x");
    const FetchResult result = bench.fetcher->Fetch(bench.Request("Unlisted.exe", true, true));
    EXPECT_FALSE(result.found);
    EXPECT_EQ(
        "Archive 'Unlisted.exe' not found in prerequisites info list (see <Prerequisites> "
        "entry in standard.xml file)",
        result.error);
    EXPECT_EQ(0, bench.server.Requests());
}

TEST(DownloadWineTest, CancelDuringAStalledTransferEndsItAndLeavesNoFile) {
    DownloadBench bench;
    bench.server.Serve("/files/redist/Runtime48.exe", Payload(2 * 1024 * 1024), 200 * 1024);
    auto fetch = std::async(std::launch::async, [&bench] {
        FetchRequest request = bench.Request("Runtime48.exe", true, false);
        request.showDialog = false;  // no prerequisite dialog after the canceled download
        return bench.fetcher->Fetch(request);
    });
    // The dialog shows the size of the archive once the server answered; then the transfer
    // stalls. (The moniker under Wine reports the bytes of a stalled transfer late, so the
    // test waits for the total only.)
    void* dialog = WaitForWindowWithText(kSetupBox, GetCurrentProcessId(),
                                         "Downloading 'Runtime 4.8' from Tarvex website:  ", 20000);
    ASSERT_NE(nullptr, dialog) << DescribeWindows(GetCurrentProcessId());
    std::string shown;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline &&
           shown.find(" of 2.0 MB transferred)") == std::string::npos) {
        Sleep(100);
        shown = ControlText(dialog, kDownloadText);
    }
    EXPECT_NE(std::string::npos, shown.find(" of 2.0 MB transferred)")) << shown;
    SaveScreenshot(ArtifactFolder() + "\\download_stalled.bmp");
    const auto pressed = std::chrono::steady_clock::now();
    PressButton(dialog, IDCANCEL);
    // The failure is shown in a box, which the fetch waits for.
    void* box = WaitForWindowWithText(kSetupBox, GetCurrentProcessId(),
                                      "    Download  : Could not download prerequisite -> ", 20000);
    if (!box) {
        bench.server.Stop();  // lets a hung transfer end, so that the program can report
        FAIL() << "no box after the cancel\n"
               << DescribeWindows(GetCurrentProcessId()) << "\n"
               << bench.log.Text();
    }
    EXPECT_NE(nullptr,
              FindControlByTextPrefix(
                  box, "    Download  : Could not download prerequisite -> Download canceled")
                  .window);
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(15));
    PressButton(box, IDOK);
    ASSERT_EQ(std::future_status::ready, fetch.wait_for(std::chrono::seconds(20)));
    const FetchResult result = fetch.get();
    EXPECT_FALSE(result.found);
    EXPECT_EQ("Download canceled", result.error);
    EXPECT_FALSE(FileExists(bench.Target()));
    EXPECT_TRUE(bench.log.Contains("    Download  : Download canceled by the user\n"));
    bench.server.Stop();
}

void TypeAndPressOk(void* dialog, const std::string& text) {
    SendMessageA(GetDlgItem(static_cast<HWND>(dialog), kFileField), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text.c_str()));
    PressButton(dialog, IDOK);
}

TEST(DownloadWineTest, PrerequisiteDialogRefusesAWrongArchiveThenTakesTheRightOne) {
    DownloadBench bench;
    const std::string wrong = bench.folder.Child("Other.exe");
    const std::string right = bench.folder.Child("Runtime48.exe");
    for (const std::string& path : {wrong, right}) {
        HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        CloseHandle(file);
    }
    auto fetch = std::async(std::launch::async, [&bench] {
        return bench.fetcher->Fetch(bench.Request("Runtime48.exe", false, false));
    });
    void* dialog = WaitForWindow(kPrerequisiteCaption, GetCurrentProcessId(), 20000);
    ASSERT_NE(nullptr, dialog) << DescribeWindows(GetCurrentProcessId());
    EXPECT_NE(nullptr, FindControlByTextPrefix(dialog,
                                               "Setup cannot find the archive "
                                               "'Runtime48.exe' that holds 'runtime.msi'")
                           .window);
    char entry[256] = {};
    SendMessageA(GetDlgItem(static_cast<HWND>(dialog), 1033), LB_GETTEXT, 0,
                 reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ("Runtime 4.8 (Runtime48.exe, 0.0 MB)", entry);

    TypeAndPressOk(dialog, wrong);
    void* box = WaitForWindowWithText(kSetupBox, GetCurrentProcessId(),
                                      "Package archive name is not correct!", 20000);
    ASSERT_NE(nullptr, box) << DescribeWindows(GetCurrentProcessId());
    EXPECT_NE(nullptr, FindControlByTextPrefix(box,
                                               "Package archive name is not correct!\r\n"
                                               "Please choose archive 'Runtime48.exe'!")
                           .window);
    SaveScreenshot(ArtifactFolder() + "\\prerequisite_wrong_archive.bmp");
    PressButton(box, IDOK);
    ASSERT_EQ(std::future_status::timeout, fetch.wait_for(std::chrono::milliseconds(300)));

    TypeAndPressOk(dialog, right);
    ASSERT_EQ(std::future_status::ready, fetch.wait_for(std::chrono::seconds(20)));
    const FetchResult result = fetch.get();
    EXPECT_TRUE(result.found) << result.error;
    EXPECT_EQ(right, result.archivePath);
    EXPECT_EQ(bench.folder.Path().string(), result.chosenFolder);
    EXPECT_FALSE(result.autoDownload);
    EXPECT_EQ(0, bench.server.Requests());
}

TEST(DownloadWineTest, CancelInThePrerequisiteDialogAsksFirst) {
    DownloadBench bench;
    auto fetch = std::async(std::launch::async, [&bench] {
        return bench.fetcher->Fetch(bench.Request("Runtime48.exe", false, false));
    });
    void* dialog = WaitForWindow(kPrerequisiteCaption, GetCurrentProcessId(), 20000);
    ASSERT_NE(nullptr, dialog) << DescribeWindows(GetCurrentProcessId());
    PressButton(dialog, IDCANCEL);
    void* question = WaitForWindowWithText(kSetupBox, GetCurrentProcessId(),
                                           "Do you want to cancel the setup?", 20000);
    ASSERT_NE(nullptr, question) << DescribeWindows(GetCurrentProcessId());
    PressButton(question, IDNO);
    ASSERT_EQ(std::future_status::timeout, fetch.wait_for(std::chrono::milliseconds(300)));
    PressButton(dialog, IDCANCEL);
    question = WaitForWindowWithText(kSetupBox, GetCurrentProcessId(),
                                     "Do you want to cancel the setup?", 20000);
    ASSERT_NE(nullptr, question);
    PressButton(question, IDYES);
    ASSERT_EQ(std::future_status::ready, fetch.wait_for(std::chrono::seconds(20)));
    const FetchResult result = fetch.get();
    EXPECT_FALSE(result.found);
    EXPECT_EQ("Setup canceled by the user", result.error);
}

}  // namespace
