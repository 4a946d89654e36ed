// The message box of setup, shown for real on the bench's display.

#include "message_box.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "messages.h"
#include "window_probe.h"

namespace {

const char kCaption[] = "Message box test";

std::string g_openedPath;
int g_openCount = 0;
void RecordOpen(const char* path) {
    g_openedPath = path;
    ++g_openCount;
}

// Shows a box on its own thread, as setup's main thread would, and keeps its result.
class BoxThread {
  public:
    BoxThread(std::string text, const char* logPath, bool absorbEnter)
        : text_(std::move(text)), logPath_(logPath ? logPath : ""), hasLog_(logPath != nullptr) {
        thread_ = std::thread([this, absorbEnter] {
            result_ =
                MessageBoxWithLink(text_.c_str(), kCaption, MB_OK | MB_ICONERROR,
                                   hasLog_ ? logPath_.c_str() : nullptr, nullptr, absorbEnter);
            done_ = true;
        });
    }
    // A test that failed half-way leaves its box open: it is closed, so that the join
    // cannot hang the whole program.
    ~BoxThread() {
        if (!thread_.joinable())
            return;
        for (int i = 0; i < 100 && !done_; ++i) {
            if (void* window = WaitForWindow(kCaption, GetCurrentProcessId(), 100))
                PressButton(window, IDOK);
        }
        thread_.join();
    }
    int Join() {
        thread_.join();
        return result_;
    }
    bool Done() const { return done_; }

  private:
    std::string text_;
    std::string logPath_;
    bool hasLog_;
    std::thread thread_;
    std::atomic<int> result_{-1};
    std::atomic<bool> done_{false};
};

void WaitFor(unsigned long ms) {
    Sleep(ms);
}

TEST(MessageBoxTest, LinkOpensTheLogAndLeavesTheBoxOpen) {
    const LogLinkOpener previous = SetLogLinkOpener(RecordOpen);
    const std::string logPath = "C:\\temp\\Bootstrapper.log";
    BoxThread box("InvalidConfiguration\nAn error occurred.", logPath.c_str(), false);
    // The box may be visible a moment before its link is added.
    void* window = WaitForWindowWithText(kCaption, GetCurrentProcessId(), "Open log file: ", 15000);
    ASSERT_NE(nullptr, window);

    const ProbedControl link = FindControlByTextPrefix(window, "Open log file: ");
    ASSERT_NE(nullptr, link.window);
    EXPECT_EQ("Open log file: " + logPath, link.text);
    EXPECT_EQ(kLogLinkControlId, link.id);
    EXPECT_TRUE(ControlFontIsUnderlined(link.window));
    const ProbedControl text = FindControlByTextPrefix(window, "InvalidConfiguration\n");
    ASSERT_NE(nullptr, text.window);
    RECT linkRect{}, textRect{}, buttonRect{};
    GetWindowRect(static_cast<HWND>(link.window), &linkRect);
    GetWindowRect(static_cast<HWND>(text.window), &textRect);
    GetWindowRect(GetDlgItem(static_cast<HWND>(window), IDOK), &buttonRect);
    EXPECT_GE(linkRect.top, textRect.bottom);    // under the text
    EXPECT_GE(buttonRect.top, linkRect.bottom);  // above the button

    EXPECT_TRUE(SaveScreenshot(ArtifactFolder() + "\\message_box_link.bmp"));

    // A click on the static arrives at the box as STN_CLICKED.
    PostMessageA(static_cast<HWND>(window), WM_COMMAND, MAKEWPARAM(kLogLinkControlId, STN_CLICKED),
                 reinterpret_cast<LPARAM>(link.window));
    for (int i = 0; i < 50 && g_openCount == 0; ++i) WaitFor(100);
    EXPECT_EQ(1, g_openCount);
    EXPECT_EQ(logPath, g_openedPath);
    WaitFor(200);
    EXPECT_TRUE(WindowAlive(window));
    EXPECT_FALSE(box.Done());

    PressButton(window, IDOK);
    EXPECT_EQ(IDOK, box.Join());
    SetLogLinkOpener(previous);
}

TEST(MessageBoxTest, WithoutLogPathThereIsNoLink) {
    BoxThread box("Plain text", nullptr, false);
    void* window = WaitForWindowWithText(kCaption, GetCurrentProcessId(), "Plain text", 15000);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(nullptr, FindControlByTextPrefix(window, "Open log file").window);
    EXPECT_NE(nullptr, FindControlByTextPrefix(window, "Plain text").window);
    PressButton(window, IDOK);
    EXPECT_EQ(IDOK, box.Join());
}

TEST(MessageBoxTest, EnterIsAbsorbedWhenAsked) {
    BoxThread box("Reboot now?", nullptr, true);
    void* found = WaitForWindow(kCaption, GetCurrentProcessId(), 15000);
    ASSERT_NE(nullptr, found);
    HWND window = static_cast<HWND>(found);
    EXPECT_EQ(kEnterSinkButtonId, LOWORD(SendMessageA(window, DM_GETDEFID, 0, 0)));

    // Enter on the dialog chooses its default button, which the box ignores.
    HWND sink = GetDlgItem(window, kEnterSinkButtonId);
    ASSERT_NE(nullptr, sink);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(kEnterSinkButtonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(sink));
    PostMessageA(sink, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(sink, WM_KEYUP, VK_RETURN, 0);
    WaitFor(500);
    EXPECT_TRUE(WindowAlive(window));
    EXPECT_FALSE(box.Done());

    PressButton(window, IDOK);
    EXPECT_EQ(IDOK, box.Join());
}

TEST(MessageBoxTest, ShowComposesTheConfiguredText) {
    Messages messages;
    messages.Set("TEST_TAG", "Configured line");
    std::atomic<int> result{0};
    std::thread thread([&] {
        result =
            messages.Show("TEST_TAG", "Specific line", kCaption, MB_OK, nullptr, nullptr, false);
    });
    void* window = WaitForWindowWithText(kCaption, GetCurrentProcessId(),
                                         "Specific line\nConfigured line", 15000);
    EXPECT_NE(nullptr, window);
    if (window)
        PressButton(window, IDOK);
    thread.join();
    EXPECT_EQ(IDOK, result);
}

}  // namespace
