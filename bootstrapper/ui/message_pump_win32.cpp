#include <windows.h>

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
};

}  // namespace

MessagePump& SystemMessagePump() {
    static ThreadMessagePump pump;
    return pump;
}
