#pragma once
// Keeps the user interface of the calling thread responsive during long work on that thread
// (the integrity check reads every listed file): the window messages that wait are
// dispatched. The program dispatches them from the thread's queue; tests count the calls.

class MessagePump {
  public:
    virtual ~MessagePump() = default;
    // Dispatches the window messages that wait for the calling thread and returns as soon as
    // none waits; it never waits for one. A quit request is left in the queue for the
    // thread's own message loop.
    virtual void DispatchPending() = 0;
};

// The pump of the program (Windows build only).
MessagePump& SystemMessagePump();
