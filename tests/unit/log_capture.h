#pragma once
// Captures what is written to the global log while it lives.

#include <cstdio>
#include <string>

#include "log_file.h"

// What a log stream holds from byte offset from on, without carriage returns (streams in
// text mode on Windows turn line ends into CR LF); the stream stays positioned at its end.
inline std::string StreamText(std::FILE* stream, std::size_t from) {
    if (!stream)
        return std::string();
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    char buffer[4096];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof(buffer), stream)) > 0) text.append(buffer, read);
    std::fseek(stream, 0, SEEK_END);
    text.erase(0, from < text.size() ? from : text.size());
    std::string clean;
    for (char c : text) {
        if (c != '\r')
            clean += c;
    }
    return clean;
}

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

    std::string Text() const { return StreamText(stream_, 0); }
    bool Contains(const std::string& part) const { return Text().find(part) != std::string::npos; }

  private:
    std::FILE* stream_;
    int sink_;
};
