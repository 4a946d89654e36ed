#include <windows.h>

#include <cstring>
#include <string>

#include "message_pump.h"

namespace {

class ThreadMessagePump : public MessagePump {
  public:
    void DispatchPending() override {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The request belongs to the thread's own message loop: put it back and stop,
                // so that it is neither lost nor taken again and again.
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    // Sent, not posted: the area's name must live until every window has read it. A window
    // whose thread does not answer keeps the run waiting at most the time-out, and one whose
    // thread Windows already takes for hung (no message taken for about five seconds) is not
    // waited for at all; so one hung program on the desktop costs the run one time-out, not
    // the rest of its life. A window that did not answer in time is not a failure: the
    // setting is changed, the others were told, and Windows does not say which one it was.
    // The name goes out in its wide form, which the system converts for ANSI windows: the
    // ANSI form of a broadcast was seen to reach windows garbled.
    bool BroadcastSettingChange(const char* area, long* errorCode) override {
        std::wstring wide(std::strlen(area) + 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, area, -1, &wide[0], static_cast<int>(wide.size()));
        DWORD_PTR answer = 0;
        SetLastError(ERROR_SUCCESS);
        const LRESULT sent = SendMessageTimeoutW(
            HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(wide.c_str()),
            SMTO_ABORTIFHUNG, kSettingChangeTimeoutMs, &answer);
        const DWORD error = sent != 0 ? ERROR_SUCCESS : GetLastError();
        *errorCode = error == ERROR_TIMEOUT ? ERROR_SUCCESS : static_cast<long>(error);
        return *errorCode == ERROR_SUCCESS;
    }
};

}  // namespace

MessagePump& SystemMessagePump() {
    static ThreadMessagePump pump;
    return pump;
}
