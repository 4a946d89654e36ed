#pragma once
// The local calendar time of a time value, the same way on Windows and on the host.

#include <ctime>

// False (and a zeroed record) when the time cannot be converted.
bool ToLocalTime(std::time_t time, std::tm* local);

inline std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ToLocalTime(time, &local);
    return local;
}
