#include "local_time.h"

bool ToLocalTime(std::time_t time, std::tm* local) {
    *local = std::tm{};
#ifdef _WIN32
    return localtime_s(local, &time) == 0;
#else
    return localtime_r(&time, local) != nullptr;
#endif
}
