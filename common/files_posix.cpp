// Host-build part of Files: the unit tests of the neutral code that asks whether a file
// exists run natively, so the check maps onto stat(). The host changes no files: tests of
// the code that does reach them through the FileSystem interface with a fake, and every
// change here fails with ERROR_NOT_SUPPORTED.

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

namespace {

const int kNotSupported = 50;  // ERROR_NOT_SUPPORTED

}  // namespace

int Files::ListFiles(const char*, const char*, bool, bool) {
    lastError_ = kNotSupported;
    return -1;
}

int Files::Move(const char*, const char*, bool, bool) {
    return lastError_ = kNotSupported;
}

int Files::CopyOneFile(const char*, const char*) {
    return lastError_ = kNotSupported;
}

int Files::DeleteOneFile(const char*) {
    return lastError_ = kNotSupported;
}

long Files::LastWriteTime(const char*, unsigned long long*) {
    return lastError_ = kNotSupported;
}

long Files::DeleteAtRestart(const char*) {
    return lastError_ = kNotSupported;
}

int Files::RemoveFolder(const char*, bool, bool) {
    lastError_ = kNotSupported;
    return kNoneSucceeded;
}
