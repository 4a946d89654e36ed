#pragma once
// The diagnostic log: "Bootstrapper.log", written at the same time into up to eight
// outputs (normally the TEMP folder and the all-users folder), with severity prefixes,
// counters of warnings and errors, forwarding of entries to the event log, and an
// indentation prefix for nested setups. setup, utils and forms each hold one global
// instance and all of them append to the same files.

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#if defined(__GNUC__)
#define TARVEX_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TARVEX_PRINTF(fmt, args)
#endif

enum LogSeverity { kLogPlain = 0, kLogError = 1, kLogWarning = 2, kLogInfo = 3 };

// Receives the entries of the Event variants (the event logger registers these).
using LogForwarder = void (*)(const char* format, va_list args);
// Reads the installer's events of a time window into the log (the event logger's reader);
// returns the number of events copied.
using LogEventHook = int (*)(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                             unsigned long afterRecord, unsigned long maxCount,
                             unsigned long* lastRecord);

class LogFile {
  public:
    static constexpr int kMaxSinks = 8;
    static constexpr int kMaxIndentLevel = 10;

    // Opens a file sink for fileName in firstFolder, then in secondFolder; either folder may
    // be empty, and a null fileName opens no file at all.
    LogFile(const char* fileName, const std::string& firstFolder, const std::string& secondFolder);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void Write(const char* format, ...) TARVEX_PRINTF(2, 3);
    void Line(const char* format, ...) TARVEX_PRINTF(2, 3);
    void Info(const char* format, ...) TARVEX_PRINTF(2, 3);
    void InfoEvent(const char* format, ...) TARVEX_PRINTF(2, 3);
    void Warning(const char* format, ...) TARVEX_PRINTF(2, 3);
    void WarningEvent(const char* format, ...) TARVEX_PRINTF(2, 3);
    void Error(const char* format, ...) TARVEX_PRINTF(2, 3);
    void ErrorEvent(const char* format, ...) TARVEX_PRINTF(2, 3);
    void Entry(LogSeverity severity, bool endLine, const char* format, va_list args);

    void SetForwarder(LogSeverity severity, LogForwarder forwarder);
    void SetEventHook(LogEventHook hook) { eventHook_ = hook; }
    int CallEventHook(std::int64_t fromTime, std::int64_t toTime, unsigned typeMask,
                      unsigned long afterRecord, unsigned long maxCount, unsigned long* lastRecord);

    // The properties whose secret values every entry masks (see secrets.h); null: none.
    void SetSecretSource(const class PropertyStore* store) { secretSource_ = store; }
    const class PropertyStore* SecretSource() const { return secretSource_; }
    // A secret that is no property (the password of a share) is masked like the value of a
    // secret property in every later entry; a text shorter than four characters is not
    // searched for (see secrets.h).
    void AddSecretText(const std::string& text);

    void SetIndentLevel(int level);
    int GetIndentLevel() const { return indentLevel_; }
    int GetWarningCount() const { return warningCount_; }
    int GetErrorCount() const { return errorCount_; }
    // Full path of the file opened in the first folder (a relative folder is resolved when
    // the log is created), or null when there is none.
    const char* GetFirstLogPath() const;

    int AddFileSink(const char* fileName, const std::string& folder);
    // The stream stays owned by the caller: Close() does not close it.
    int AddStreamSink(std::FILE* stream);
    int AddHandleSink(void* handle);
    // Frees the slot; a file sink's stream is closed, a caller's stream is not.
    void RemoveSink(int index);
    bool OpenConsole();
    void* GetConsoleHandle() const { return consoleAllocated_ ? consoleHandle_ : nullptr; }

    void Close();

  private:
    struct Sink {
        std::FILE* stream = nullptr;
        bool ownsStream = false;
        void* handle = nullptr;
        std::string path;  // empty for stream and handle sinks
    };

    int FreeSlot() const;
    int AddSink(std::unique_ptr<Sink> sink);
    std::string Compose(LogSeverity severity, bool endLine, const char* format, va_list args);
    void WriteToSink(Sink& sink, const std::string& line);
    void Forward(LogSeverity severity, const char* format, va_list args);

    std::array<const char*, 4> prefix_;
    LogForwarder forwarder_[4] = {};  // a plain array: va_list carries attributes on Windows
    std::array<std::unique_ptr<Sink>, kMaxSinks> sinks_;
    std::string indentText_;
    LogEventHook eventHook_ = nullptr;
    const class PropertyStore* secretSource_ = nullptr;
    std::vector<std::string> secretTexts_;  // longest first
    void* consoleHandle_ = nullptr;
    int firstFileSink_ = -1;
    int indentLevel_ = 0;
    int warningCount_ = 0;
    int errorCount_ = 0;
    bool consoleAllocated_ = false;
    bool atLineStart_ = false;
    bool closed_ = false;
};

// The global log of this program or library: "Bootstrapper.log" in the folder named by
// TEMP and in "%ALLUSERSPROFILE%\TarvexInstaller".
LogFile& Log();

// printf-style formatting into a string sized to fit.
std::string FormatText(const char* format, ...) TARVEX_PRINTF(1, 2);
std::string FormatTextV(const char* format, va_list args);
