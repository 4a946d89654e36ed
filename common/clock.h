#pragma once
// The time of the run: start and end times of the packages, and the waits of the run.
// Tests give a clock that moves only when told to.

#include <ctime>

class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::time_t Now() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
};

Clock& SystemClock();
