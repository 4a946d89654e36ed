#include "shared_log.h"

#include <fstream>
#include <sstream>

#include "log_file.h"

std::string SharedLogSince(std::size_t offset) {
    const char* path = Log().GetFirstLogPath();
    if (!path)
        return std::string();
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string all = text.str();
    return offset < all.size() ? all.substr(offset) : std::string();
}
