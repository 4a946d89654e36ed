// The parts of Files that need no system calls of their own: path joining, the shared
// last error and the C library streams.

#include "files.h"

#include <cstring>

#include "log_file.h"

long Files::lastError_ = 0;

long Files::LastError() {
    return lastError_;
}

std::string Files::JoinPath(const std::string& a, const std::string& b) {
    std::string joined = a;
    if (!joined.empty() && joined.back() != '\\')
        joined += '\\';
    joined.append(b, !b.empty() && b[0] == '\\' ? 1 : 0, std::string::npos);
    return joined;
}

bool Files::JoinPath(const char* a, const char* b, char* out, std::size_t outSize) {
    if (!a || !b) {
        Log().Error("Files::JoinPath() cannot join invalid (null) paths: '%s' and '%s'!",
                    a ? a : "NULL", b ? b : "NULL");
        return false;
    }
    // The bound counts a separator and the terminator even when they are not needed.
    if (!out || std::strlen(a) + std::strlen(b) + 2 >= outSize) {
        Log().Error(
            "Files::JoinPath() cannot join paths: '%s' and '%s' because the size of the output "
            "is too small (%d)",
            a, b, out ? static_cast<int>(outSize) : 0);
        return false;
    }
    const std::string joined = JoinPath(std::string(a), std::string(b));
    std::memcpy(out, joined.c_str(), joined.size() + 1);
    return true;
}

namespace {

std::FILE* Open(const char* path, const char* mode) {
    return path ? std::fopen(path, mode) : nullptr;
}

}  // namespace

std::FILE* Files::OpenTextRead(const char* path) {
    return Open(path, "rt");
}

std::FILE* Files::OpenBinaryRead(const char* path) {
    return Open(path, "rb");
}

std::FILE* Files::OpenTextAppend(const char* path) {
    return Open(path, "at");
}

std::FILE* Files::OpenTextWrite(const char* path) {
    return Open(path, "wt");
}
