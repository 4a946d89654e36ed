#include "str_util.h"

#include <cstring>

#include "log_file.h"

int StrNCopy(char* dst, const char* src, std::size_t size) {
    if (!dst || !src)
        return 0;
    const std::size_t needed = std::strlen(src) + 1;
    if (needed > size) {
        Log().Error(
            "StrNCopy(...) Destination size (%d) is smaller than source (%d) for "
            "string: '%s'",
            static_cast<int>(size), static_cast<int>(needed), src);
        return 0;
    }
    std::memcpy(dst, src, needed);
    return static_cast<int>(needed);
}
