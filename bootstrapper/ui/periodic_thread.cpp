#include "periodic_thread.h"

#include <system_error>
#include <utility>

#include "log_file.h"

bool PeriodicThread::Start(std::chrono::milliseconds interval, std::function<void()> tick) {
    if (thread_.joinable())
        return true;
    tick_ = std::move(tick);
    stop_ = false;
    try {
        thread_ = std::thread(&PeriodicThread::Loop, this, interval);
    } catch (const std::system_error& error) {
        Log().Error("Cannot start the refresh thread: %s", error.what());
        return false;
    }
    return true;
}

void PeriodicThread::Stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PeriodicThread::Loop(std::chrono::milliseconds interval) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, interval, [this] { return stop_; })) {
        lock.unlock();
        tick_();
        lock.lock();
    }
}
