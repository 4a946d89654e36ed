#pragma once
// Captures what is written to the global log while it lives.

#include <cstdio>
#include <string>

#include "log_file.h"

class LogCapture {
  public:
    LogCapture() : stream_(std::tmpfile()), sink_(Log().AddStreamSink(stream_)) {}
    ~LogCapture() {
        Log().RemoveSink(sink_);
        if (stream_)
            std::fclose(stream_);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Text() const {
        if (!stream_)
            return std::string();
        std::fflush(stream_);
        std::rewind(stream_);
        std::string text;
        char buffer[4096];
        std::size_t read;
        while ((read = std::fread(buffer, 1, sizeof(buffer), stream_)) > 0)
            text.append(buffer, read);
        std::fseek(stream_, 0, SEEK_END);
        // Streams in text mode on Windows turn line ends into CR LF.
        std::string clean;
        for (char c : text) {
            if (c != '\r')
                clean += c;
        }
        return clean;
    }
    bool Contains(const std::string& part) const { return Text().find(part) != std::string::npos; }

  private:
    std::FILE* stream_;
    int sink_;
};
