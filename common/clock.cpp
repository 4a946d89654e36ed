#include "clock.h"

#include <chrono>
#include <thread>

namespace {

class WallClock : public Clock {
  public:
    std::time_t Now() override { return std::time(nullptr); }
    void Sleep(unsigned milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

}  // namespace

Clock& SystemClock() {
    static WallClock clock;
    return clock;
}
