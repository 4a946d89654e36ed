#include "log_file.h"

#include <algorithm>
#include <utility>

#include "platform.h"
#include "secrets.h"

namespace {

const char* const kPrefixes[4] = {"", "[ERROR] ", "[WARNING] ", "[INFO] "};
const char kIndentUnit[] = ">>>>";

std::string JoinFolderAndName(const std::string& folder, const char* fileName) {
    std::string path = folder;
    if (!path.empty() && path.back() != platform::kPathSeparator)
        path += platform::kPathSeparator;
    return path + fileName;
}

// Every process that setup starts would otherwise hold the log open as long as it runs.
std::FILE* OpenAppend(const std::string& path) {
    return platform::OpenFileNotInherited(path, "at+");
}

std::string ReplaceAll(const std::string& text, char from, const std::string& to) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == from)
            result += to;
        else
            result += c;
    }
    return result;
}

}  // namespace

std::string FormatTextV(const char* format, va_list args) {
    if (!format)
        return std::string();
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}

LogFile::LogFile(const char* fileName, const std::string& firstFolder,
                 const std::string& secondFolder)
    : prefix_{kPrefixes[0], kPrefixes[1], kPrefixes[2], kPrefixes[3]} {
    if (!fileName)
        return;
    if (!firstFolder.empty()) {
        platform::MakeDirectory(firstFolder);
        firstFileSink_ = AddFileSink(fileName, firstFolder);
    }
    if (!secondFolder.empty()) {
        platform::MakeDirectory(secondFolder);
        AddFileSink(fileName, secondFolder);
    }
}

LogFile::~LogFile() {
    Close();
}

void LogFile::Close() {
    if (closed_)
        return;
    closed_ = true;
    for (auto& sink : sinks_) {
        if (sink && sink->stream && sink->ownsStream)
            std::fclose(sink->stream);
        sink.reset();
    }
    if (consoleAllocated_)
        platform::FreeAllocatedConsole();
    consoleAllocated_ = false;
    consoleHandle_ = nullptr;
}

int LogFile::FreeSlot() const {
    for (int i = 0; i < kMaxSinks; ++i) {
        if (!sinks_[i])
            return i;
    }
    return -1;
}

int LogFile::AddSink(std::unique_ptr<Sink> sink) {
    const int index = FreeSlot();
    if (index >= 0)
        sinks_[index] = std::move(sink);
    return index;
}

int LogFile::AddFileSink(const char* fileName, const std::string& folder) {
    if (!fileName || FreeSlot() < 0)
        return -1;
    auto sink = std::make_unique<Sink>();
    // Kept as a full path: a retry then opens the same file, wherever the process's current
    // directory has gone since, without changing it (other threads resolve their own
    // relative paths against it).
    sink->path = platform::FullPath(JoinFolderAndName(folder, fileName));
    sink->stream = OpenAppend(sink->path);  // a failed open is retried for every entry
    sink->ownsStream = true;
    return AddSink(std::move(sink));
}

int LogFile::AddStreamSink(std::FILE* stream) {
    if (!stream)
        return -1;
    auto sink = std::make_unique<Sink>();
    sink->stream = stream;
    return AddSink(std::move(sink));
}

int LogFile::AddHandleSink(void* handle) {
    if (!handle)
        return -1;
    auto sink = std::make_unique<Sink>();
    sink->handle = handle;
    return AddSink(std::move(sink));
}

void LogFile::RemoveSink(int index) {
    if (index < 0 || index >= kMaxSinks || !sinks_[index])
        return;
    if (sinks_[index]->stream && sinks_[index]->ownsStream)
        std::fclose(sinks_[index]->stream);
    sinks_[index].reset();
    if (index == firstFileSink_)
        firstFileSink_ = -1;
}

bool LogFile::OpenConsole() {
    if (consoleAllocated_)
        return true;
    void* handle = platform::AllocateConsoleOutput();
    if (!handle)
        return false;
    consoleAllocated_ = true;
    consoleHandle_ = handle;
    AddHandleSink(handle);
    return true;
}

const char* LogFile::GetFirstLogPath() const {
    if (firstFileSink_ < 0 || !sinks_[firstFileSink_])
        return nullptr;
    return sinks_[firstFileSink_]->path.c_str();
}

void LogFile::SetIndentLevel(int level) {
    if (level < 0)
        level = 0;
    if (level > kMaxIndentLevel)
        level = kMaxIndentLevel;  // the text holds at most 40 characters
    atLineStart_ = true;
    indentLevel_ = level;
    indentText_.clear();
    for (int i = 0; i < level; ++i) indentText_ += kIndentUnit;
}

void LogFile::SetForwarder(LogSeverity severity, LogForwarder forwarder) {
    if (severity > kLogPlain && severity <= kLogInfo)
        forwarder_[severity] = forwarder;
}

int LogFile::CallEventHook(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                           unsigned long afterRecord, unsigned long maxCount,
                           unsigned long* lastRecord) {
    if (!eventHook_)
        return 0;
    try {
        return eventHook_(fromTime, toTime, typeMask, afterRecord, maxCount, lastRecord);
    } catch (...) {
        Error("Unhandled exception caught during events log reading!");
        return 0;
    }
}

void LogFile::AddSecretText(const std::string& text) {
    if (text.size() < 4 ||
        std::find(secretTexts_.begin(), secretTexts_.end(), text) != secretTexts_.end())
        return;
    secretTexts_.push_back(text);
    std::sort(secretTexts_.begin(), secretTexts_.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

// The line is composed once for all sinks, so that every output carries the same
// indentation even though the line-start state changes with each entry.
std::string LogFile::Compose(LogSeverity severity, bool endLine, const char* format, va_list args) {
    std::string line = prefix_[severity];
    line += FormatTextV(format, args);
    if (secretSource_)
        line = MaskSecretText(line, *secretSource_);
    line = MaskSecrets(line, secretTexts_);
    if (!indentText_.empty()) {
        line = ReplaceAll(line, '\n', "\n" + indentText_);
        if (atLineStart_)
            line = indentText_ + line;
    }
    atLineStart_ = false;
    if (endLine) {
        atLineStart_ = true;
        line += '\n';
    }
    return line;
}

void LogFile::WriteToSink(Sink& sink, const std::string& line) {
    if (!sink.stream && !sink.path.empty()) {
        // The first open failed: retry for this entry. A stream that opens now is kept for
        // later entries.
        sink.stream = OpenAppend(sink.path);
        sink.ownsStream = true;
    }
    if (sink.stream) {
        std::fputs(line.c_str(), sink.stream);
        std::fflush(sink.stream);
    } else if (sink.handle) {
        platform::WriteToHandle(sink.handle, line.data(), line.size());
    }
}

void LogFile::Entry(LogSeverity severity, bool endLine, const char* format, va_list args) {
    if (severity == kLogWarning)
        ++warningCount_;
    if (severity == kLogError)
        ++errorCount_;
    if (closed_)
        return;
    const std::string line = Compose(severity, endLine, format, args);
    for (auto& sink : sinks_) {
        if (sink)
            WriteToSink(*sink, line);
    }
}

void LogFile::Forward(LogSeverity severity, const char* format, va_list args) {
    if (!forwarder_[severity])
        return;
    va_list copy;
    va_copy(copy, args);
    forwarder_[severity](format, copy);
    va_end(copy);
}

#define TARVEX_LOG_ENTRY(severity, endLine, forward) \
    va_list args;                                    \
    va_start(args, format);                          \
    if (forward)                                     \
        Forward(severity, format, args);             \
    Entry(severity, endLine, format, args);          \
    va_end(args)

void LogFile::Write(const char* format, ...) {
    TARVEX_LOG_ENTRY(kLogPlain, false, false);
}
void LogFile::Line(const char* format, ...) {
    TARVEX_LOG_ENTRY(kLogPlain, true, false);
}
void LogFile::Info(const char* format, ...) {
    TARVEX_LOG_ENTRY(kLogInfo, true, false);
}
void LogFile::InfoEvent(const char* format, ...) {
    TARVEX_LOG_ENTRY(kLogInfo, true, true);
}
void LogFile::Warning(const char* format, ...) {
    TARVEX_LOG_ENTRY(kLogWarning, true, false);
}
void LogFile::WarningEvent(const char* format, ...) {
    TARVEX_LOG_ENTRY(kLogWarning, true, true);
}
void LogFile::Error(const char* format, ...) {
    TARVEX_LOG_ENTRY(kLogError, true, false);
}
void LogFile::ErrorEvent(const char* format, ...) {
    TARVEX_LOG_ENTRY(kLogError, true, true);
}

#undef TARVEX_LOG_ENTRY

namespace {

// The all-users log folder. Any user may create it before an elevated run does: a folder
// that is a link to another place, or that another user owns, is not written to (the log
// would follow the link or feed a file that user controls); *problem then tells why.
std::string AllUsersLogFolder(std::string* folder, std::string* problem) {
    std::string allUsers;
    // Without ALLUSERSPROFILE there is no all-users folder to write to; a folder named
    // "\TarvexInstaller" at the root of the current drive would be a surprise.
    if (!platform::GetEnvironment("ALLUSERSPROFILE", &allUsers) || allUsers.empty())
        return std::string();
    *folder = allUsers + platform::kPathSeparator + "TarvexInstaller";
    return platform::PrepareTrustedFolder(*folder, problem) ? *folder : std::string();
}

std::string TempFolder() {
    std::string temp;
    platform::GetEnvironment("TEMP", &temp);
    return temp;
}

// The global log, saying so when the all-users folder was not trusted.
LogFile& OpenGlobalLog() {
    std::string sharedFolder;
    std::string problem;
    static LogFile log("Bootstrapper.log", TempFolder(),
                       AllUsersLogFolder(&sharedFolder, &problem));
    if (!problem.empty())
        log.Warning(
            "The log folder '%s' %s: it is not written to, the log is kept in the TEMP "
            "folder only",
            sharedFolder.c_str(), problem.c_str());
    return log;
}

}  // namespace

LogFile& Log() {
    static LogFile& log = OpenGlobalLog();
    return log;
}
