#pragma once
// A thread that calls a function at a fixed interval until it is stopped. Stop() wakes it at
// once (it does not wait out the interval), waits until it has ended and returns only then,
// so that nothing the function uses can go away under it; the destructor stops it too.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class PeriodicThread {
  public:
    PeriodicThread() = default;
    ~PeriodicThread() { Stop(); }
    PeriodicThread(const PeriodicThread&) = delete;
    PeriodicThread& operator=(const PeriodicThread&) = delete;

    // Starts calling tick every interval (the first call after one interval). Does nothing
    // while a thread runs; returns whether one runs afterwards.
    bool Start(std::chrono::milliseconds interval, std::function<void()> tick);
    // Ends the thread and waits for it. Must not be called from tick.
    void Stop();
    bool Running() const { return thread_.joinable(); }

  private:
    void Loop(std::chrono::milliseconds interval);

    std::function<void()> tick_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};
