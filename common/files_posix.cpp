// Host-build part of Files: the unit tests of the neutral code that asks whether a file
// exists run natively, so the check maps onto stat().

#include "files.h"

#include <cerrno>
#include <sys/stat.h>

#include "log_file.h"
#include "str_util.h"
#include "system_error.h"

bool Files::FileExists(const char* path, bool report) {
    if (IsEmptyText(path))
        return false;
    struct stat info {};
    if (stat(path, &info) == 0)
        return true;
    const int code = errno;
    if (report && code != 0)
        Log().Warning("File exists %s error code %d (%s)", path, code,
                      SystemErrorText(code).c_str());
    return false;
}
