#include "event_logger.h"

#include <algorithm>

#include "str_util.h"

void EventLogger::SetName(const char* text) {
    char buffer[kNameSize] = {};
    if (text && StrNCopy(buffer, text) > 0)
        name_ = buffer;
}

bool EventLogger::IsSuccessId(int id) const {
    return std::find(successIds_.begin(), successIds_.end(), id) != successIds_.end();
}

EventLogger& GlobalEventLogger() {
    static EventLogger logger;
    return logger;
}
