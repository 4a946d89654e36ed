// forms.dll on the bench's display: every template filled from a form file, the pressed
// button's Id through the exports and through setup's DllCall element, the same form shown
// again, another file replacing the forms, and faulty form files.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "child_process.h"
#include "f_execute.h"
#include "fake_run.h"
#include "plugin_call.h"
#include "plugin_library.h"
#include "property_store.h"
#include "shared_log.h"
#include "test_folder.h"
#include "window_probe.h"

namespace {

using BSCallProcFunction = int (*)(const char*, int*, char*, int, int*);
using InitializeFunction = int (*)(HANDLE, PropertyStore*, const char*);

// A 24-bit bitmap file of width x height pixels in four coloured bands.
void WriteBitmap(const std::string& path, int width, int height) {
    const int row = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = row * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string pixels(info.biSizeImage, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int band = 4 * y / height;
            char* pixel = &pixels[y * row + x * 3];
            pixel[0] = static_cast<char>(band == 0 ? 255 : 40);         // blue
            pixel[1] = static_cast<char>(band == 1 ? 200 : 40 * band);  // green
            pixel[2] = static_cast<char>(band >= 2 ? 230 : 60);         // red
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(pixels.data(), pixels.size());
}

// Runs a call on a thread of its own, as setup's main thread would; the form's loop runs
// there. A test that failed half-way ends the thread's loop with a quit message, so that the
// join cannot hang the program.
class Worker {
  public:
    explicit Worker(std::function<void()> work) {
        thread_ = std::thread([this, work] {
            threadId_ = GetCurrentThreadId();
            work();
            done_ = true;
        });
    }
    ~Worker() {
        if (thread_.joinable()) {
            for (int i = 0; i < 100 && !done_; ++i) {
                PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
                Sleep(100);
            }
            thread_.join();
        }
    }
    void Join() { thread_.join(); }
    // Asks the thread's message loop to end.
    void Quit() { PostThreadMessageA(threadId_, WM_QUIT, 7, 0); }
    bool Done() const { return done_; }

  private:
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> done_{false};
};

struct Answer {
    int kind = -2;
    int status = -2;
    std::string text;
};

class FormsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        forms_ = LoadLibraryA((BinFolder() + "\\forms.dll").c_str());
        ASSERT_NE(nullptr, forms_);
        call_ = reinterpret_cast<BSCallProcFunction>(
            reinterpret_cast<void*>(GetProcAddress(forms_, "BSCallProc")));
        initialize_ = reinterpret_cast<InitializeFunction>(
            reinterpret_cast<void*>(GetProcAddress(forms_, "InitializeDllData")));
        ASSERT_NE(nullptr, call_);
        ASSERT_NE(nullptr, initialize_);
        store_.Set("ProductName", "Forms Product", false);
        store_.Set("VERSION", "4.5.6", false);
        picture_ = folder_.Child("picture.bmp");
        WriteBitmap(picture_, 40, 30);
    }
    void TearDown() override {
        initialize_(nullptr, nullptr, "");
        FreeLibrary(forms_);
    }
    std::string Write(const std::string& name, const std::string& body) {
        const std::string path = folder_.Child(name);
        std::ofstream(path) << body;
        return path;
    }
    void Use(const std::string& path) { initialize_(nullptr, &store_, path.c_str()); }
    Answer Show(const std::string& form) {
        Answer answer;
        char buffer[256] = "unchanged";
        answer.kind = call_(("ShowForm(" + form + ")").c_str(), nullptr, buffer, sizeof(buffer),
                            &answer.status);
        answer.text = buffer;
        return answer;
    }
    // Shows form on a worker, waits for its window with caption, lets inspect look at it,
    // presses button and returns the answer.
    Answer ShowAndPress(const std::string& form, const std::string& caption, int button,
                        const std::function<void(HWND)>& inspect = nullptr) {
        Answer answer;
        Worker worker([&] { answer = Show(form); });
        HWND window =
            static_cast<HWND>(WaitForWindow(caption.c_str(), GetCurrentProcessId(), 20000));
        EXPECT_NE(nullptr, window) << DescribeWindows(GetCurrentProcessId());
        if (!window)
            return answer;
        Sleep(300);  // let it paint before it is looked at
        if (inspect)
            inspect(window);
        PressButton(window, button);
        worker.Join();
        EXPECT_FALSE(IsWindow(window));  // the form's window is gone once it answered
        return answer;
    }

    TestFolder folder_;
    PropertyStore store_;
    std::string picture_;
    HMODULE forms_ = nullptr;
    BSCallProcFunction call_ = nullptr;
    InitializeFunction initialize_ = nullptr;
};

bool IsBold(HWND control) {
    LOGFONTA font{};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    return handle && GetObjectA(handle, sizeof(font), &font) && font.lfWeight == FW_BOLD &&
           font.lfHeight == 16;
}

std::string TextOf(HWND control) {
    char text[512] = {};
    GetWindowTextA(control, text, sizeof(text));
    return text;
}

// The size of the picture a static control shows, or 0 x 0.
SIZE ImageSize(HWND control) {
    BITMAP bitmap{};
    HBITMAP handle =
        reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (!handle || !GetObjectA(handle, sizeof(bitmap), &bitmap))
        return SIZE{0, 0};
    return SIZE{bitmap.bmWidth, bitmap.bmHeight};
}

TEST_F(FormsTest, EveryTemplateShowsLabelsImagesAndHiddenControls) {
    const struct {
        int resourceId;
        const char* hidden;     // a template button the form hides
        const char* remaining;  // a template button that stays visible
    } templates[] = {{109, "1004", nullptr},
                     {110, "1002", "1013"},
                     {111, "1013", nullptr},
                     {112, "1004", nullptr}};
    for (const auto& entry : templates) {
        const std::string id = std::to_string(entry.resourceId);
        Use(Write("template" + id + ".xml",
                  "<Forms><Form Id=\"T" + id + "\" ResourceId=\"" + id + "\" Caption=\"Template " +
                      id +
                      " of [ProductName] [VERSION]\">"
                      "<Label ResourceId=\"1011\" Bold=\"Yes\">Bold title of " +
                      id +
                      "</Label>"
                      "<Label ResourceId=\"1005\" Bold=\"true\">A plain text that says what "
                      "the buttons do.</Label>"
                      "<Image ResourceId=\"1012\" URI=\"" +
                      picture_ +
                      "\"/>"
                      "<Button Id=\"Hidden\" ResourceId=\"" +
                      entry.hidden +
                      "\" Visible=\"no\"/>"
                      "<Button Id=\"Cancelled " +
                      id +
                      "\" ResourceId=\"1014\"/>"
                      "</Form></Forms>"));
        const Answer answer = ShowAndPress(
            "T" + id, "Template " + id + " of Forms Product 4.5.6", 1014, [&](HWND window) {
                HWND title = GetDlgItem(window, 1011);
                HWND text = GetDlgItem(window, 1005);
                HWND picture = GetDlgItem(window, 1012);
                ASSERT_TRUE(title && text && picture);
                EXPECT_EQ("Bold title of " + id, TextOf(title));
                EXPECT_TRUE(IsBold(title));
                EXPECT_EQ("A plain text that says what the buttons do.", TextOf(text));
                EXPECT_FALSE(IsBold(text));
                RECT area{};
                GetClientRect(picture, &area);
                const SIZE image = ImageSize(picture);
                EXPECT_EQ(area.right, image.cx);  // scaled to the control, not 40 x 30
                EXPECT_EQ(area.bottom, image.cy);
                EXPECT_GT(area.right, 40);
                EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, atoi(entry.hidden))));
                EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, 1014)));
                if (entry.remaining) {
                    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, atoi(entry.remaining))));
                }
                EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\form_template_" + id + ".bmp"));
            });
        EXPECT_EQ(1, answer.kind) << id;
        EXPECT_EQ(0, answer.status);
        EXPECT_EQ("Cancelled " + id, answer.text);
    }
}

TEST_F(FormsTest, TemplateTitleAndPictureWithoutAFormFile) {
    // A form that only names a template: its own title, expanded, and its own picture.
    Use(Write("bare.xml",
              "<Forms><Form Id=\"Bare\" ResourceId=\"110\">"
              "<Button Id=\"Go\" ResourceId=\"1013\"/></Form></Forms>"));
    const Answer answer = ShowAndPress("Bare", "Forms Product 4.5.6", 1013, [](HWND window) {
        EXPECT_GT(ImageSize(GetDlgItem(window, 1012)).cx, 0);
        EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\form_template_110_bare.bmp"));
    });
    EXPECT_EQ("Go", answer.text);
}

TEST_F(FormsTest, SameFormShownAgainAndUndescribedButtonsDoNotEndIt) {
    Use(Write("again.xml",
              "<Forms><Form Id=\"Again\" ResourceId=\"111\" Caption=\"Again\">"
              "<Button Id=\"Go\" ResourceId=\"1013\"/></Form></Forms>"));
    const Answer first = ShowAndPress("Again", "Again", 1013, [](HWND window) {
        PressButton(window, 1014);  // Cancel has no Button element: no answer
        Sleep(700);
        EXPECT_TRUE(IsWindowVisible(window));
    });
    EXPECT_EQ("Go", first.text);
    const Answer second = ShowAndPress("Again", "Again", 1013);
    EXPECT_EQ(0, second.status);
    EXPECT_EQ("Go", second.text);
}

TEST_F(FormsTest, QuitRequestEndsTheFormWithoutAnAnswer) {
    Use(Write("quit.xml",
              "<Forms><Form Id=\"Quit\" ResourceId=\"111\" Caption=\"Quit\">"
              "<Button Id=\"Go\" ResourceId=\"1013\"/></Form></Forms>"));
    Answer answer;
    bool quitStays = false;
    Worker worker([&] {
        answer = Show("Quit");
        MSG message;
        quitStays =
            PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && message.wParam == 7;
    });
    HWND window = static_cast<HWND>(WaitForWindow("Quit", GetCurrentProcessId(), 20000));
    ASSERT_NE(nullptr, window);
    worker.Quit();
    worker.Join();
    EXPECT_EQ(0, answer.status);
    EXPECT_EQ("", answer.text);
    EXPECT_TRUE(quitStays);  // left for the caller's own loop
    EXPECT_FALSE(IsWindow(window));
    // And the form comes up again afterwards.
    EXPECT_EQ("Go", ShowAndPress("Quit", "Quit", 1013).text);
}

TEST_F(FormsTest, AnotherFileReplacesTheForms) {
    const std::string first =
        Write("first.xml",
              "<Forms><Form Id=\"First\" ResourceId=\"109\" Caption=\"First\">"
              "<Button Id=\"One\" ResourceId=\"1014\"/></Form></Forms>");
    const std::string second =
        Write("second.xml",
              "<Forms><Form Id=\"Second\" ResourceId=\"109\" Caption=\"Second\">"
              "<Button Id=\"Two\" ResourceId=\"1004\"/></Form></Forms>");
    Use(first);
    EXPECT_EQ("One", ShowAndPress("First", "First", 1014).text);
    Use(second);
    const std::size_t mark = SharedLogSince(0).size();
    const Answer gone = Show("First");  // not in the second file: at once, no window
    EXPECT_EQ(0, gone.status);
    EXPECT_EQ("", gone.text);
    EXPECT_NE(std::string::npos,
              SharedLogSince(mark).find("[ERROR] Form 'First' not found (returned NULL)"));
    EXPECT_EQ("Two", ShowAndPress("Second", "Second", 1004).text);
}

TEST_F(FormsTest, FaultyFormFilesGiveTheirErrors) {
    Use(Write("faulty.xml",
              "<Forms><Form ResourceId=\"109\"/><Form Id=\"NoNumber\" ResourceId=\"x\"/>"
              "<Form Id=\"NoTemplate\" ResourceId=\"999\"/>"
              "<Form Id=\"Ok\" ResourceId=\"111\" Caption=\"Faulty\">"
              "<Button ResourceId=\"1013\"/><Image ResourceId=\"1012\" URI=\"" +
                  folder_.Child("absent.bmp") +
                  "\"/><Label ResourceId=\"4242\">nowhere</Label>"
                  "<Button Id=\"Stop\" ResourceId=\"1014\"/></Form></Forms>"));
    const std::size_t mark = SharedLogSince(0).size();
    const Answer none = Show("NoTemplate");
    EXPECT_EQ(0, none.status);
    EXPECT_EQ("", none.text);
    EXPECT_EQ("Stop", ShowAndPress("Ok", "Faulty", 1014).text);
    const std::string log = SharedLogSince(mark);
    for (const char* expected :
         {"[ERROR] A Form element has no Id attribute",
          "[ERROR] Form 'NoNumber' has the ResourceId 'x', which is not a number from 1 to 65535",
          "[ERROR] Dialog 'NoTemplate' (res ID 999) cannot be created: last error 1814 - ",
          "[ERROR] Form 'Ok': element 1 <Button> has no Id attribute",
          "[ERROR] Cannot load image '",
          "[WARNING] Form control 4242 (Label) is not in the dialog"})
        EXPECT_NE(std::string::npos, log.find(expected)) << expected << "\n" << log;
    const Answer noArgument = Show("");  // "ShowForm()": a wrong number of arguments
    EXPECT_EQ(-1, noArgument.kind);
    EXPECT_EQ(87, noArgument.status);
}

// The pressed button's Id through setup's side: the DLL-call element, the library cache and
// the store that setup hands to the plug-ins.
TEST_F(FormsTest, PressedButtonReachesAPropertyThroughTheDllCallElement) {
    const std::string file = Write("config.xml",
                                   "<Config><Form Id=\"Ask\" ResourceId=\"110\" Caption=\"DllCall "
                                   "[ProductName]\"><Button Id=\"Remove\" ResourceId=\"1002\"/>"
                                   "<Button Id=\"Continue\" ResourceId=\"1013\"/></Form></Config>");
    FakeRun run;
    run.ownProperties.Set("ProductName", "Called Product", false);
    SetPluginFolderProvider(BinFolder);
    InitializePlugins(nullptr, &run.ownProperties, file.c_str());
    InstallPluginLibraryCaller(BinFolder);
    int code = -1;
    Worker worker([&] {
        FDllCall call("Choice=forms.CallProc:ShowForm(Ask)");
        code = call.Execute(run.Services(), 0);
    });
    HWND window =
        static_cast<HWND>(WaitForWindow("DllCall Called Product", GetCurrentProcessId(), 20000));
    ASSERT_NE(nullptr, window) << DescribeWindows(GetCurrentProcessId());
    PressButton(window, 1013);
    worker.Join();
    EXPECT_EQ(0, code);
    EXPECT_EQ("Continue", run.ownProperties.Get("Choice"));
    EXPECT_TRUE(Contains(run.LogText(), "    DLL call  : Choice = Continue")) << run.LogText();
    UnloadAll();  // before the store goes away: the plug-ins keep its address
    SetPluginCaller(nullptr);
    SetPluginFolderProvider(nullptr);
}

}  // namespace
