// The program's message pump: it dispatches what waits, returns at once when nothing does,
// and leaves a quit request for the thread's own message loop.

#include <windows.h>

#include <gtest/gtest.h>

#include "message_pump.h"

namespace {

int g_dispatched = 0;

LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        ++g_dispatched;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(MessagePumpTest, DispatchesWhatWaitsAndKeepsAQuitRequest) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TarvexMessagePumpTest";
    ASSERT_NE(0, RegisterClassA(&windowClass));
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window);

    g_dispatched = 0;
    PostMessageA(window, WM_APP, 0, 0);
    PostMessageA(window, WM_APP, 0, 0);
    SystemMessagePump().DispatchPending();
    EXPECT_EQ(2, g_dispatched);

    // Nothing waits: the pump returns without waiting for anything.
    const ULONGLONG before = GetTickCount64();
    for (int i = 0; i < 20; ++i) SystemMessagePump().DispatchPending();
    EXPECT_LT(GetTickCount64() - before, 200u);

    PostMessageA(window, WM_APP, 0, 0);
    PostQuitMessage(7);
    SystemMessagePump().DispatchPending();
    EXPECT_EQ(3, g_dispatched);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, message.wParam);

    DestroyWindow(window);
    UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
}

}  // namespace
