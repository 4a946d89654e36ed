#pragma once
// Keeps the user interface of the calling thread responsive during long work on that thread
// (the integrity check reads every listed file): the window messages that wait are
// dispatched. The program dispatches them from the thread's queue; tests count the calls.
// It also sends the one message the run sends to every program: that a setting changed.

class MessagePump {
  public:
    virtual ~MessagePump() = default;
    // Dispatches the window messages that wait for the calling thread and returns as soon as
    // none waits; it never waits for one. A quit request is left in the queue for the
    // thread's own message loop.
    virtual void DispatchPending() = 0;
    // Tells every top-level window that the settings of an area changed (WM_SETTINGCHANGE
    // with the area's name; "Environment" after a change of environment variables), waiting
    // for each window at most kSettingChangeTimeoutMs. false with the system error code when
    // the message could not be sent.
    virtual bool BroadcastSettingChange(const char* area, long* errorCode) = 0;
};

// How long the broadcast of a setting change waits for one window.
const unsigned kSettingChangeTimeoutMs = 5000;

// The pump of the program (Windows build only).
MessagePump& SystemMessagePump();
