#pragma once
// Runs a command line as a hidden child process: installers, cached setups and archive
// tools. Standard output and standard error of the child go to one pipe that is read
// while the child runs, so a chatty child never stalls on a full pipe. While it waits the
// caller's thread keeps dispatching window messages and can show a small wait dialog with
// a moving bar. After the run the installer's events of the run's time window can be
// copied into the log through the log's event hook.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "log_file.h"

// Command templates name system programs without a path ("msiexec", "cmd", "net"), and
// Windows looks for such a name in setup's own folder first: a program of that name planted
// beside setup would run in its place, elevated. This gives the command line with a first
// token that is a bare program name (no "\\", "/" or ":") replaced by its path in
// systemFolder, with ".exe" added when the name has no extension, provided fileExists says
// that file is there. The path is quoted when it holds a blank or the name was quoted. Every
// other command line, and one whose program the system folder does not have, comes back
// unchanged.
std::string CommandWithSystemProgram(const std::string& commandLine,
                                     const std::string& systemFolder,
                                     const std::function<bool(const std::string&)>& fileExists);

// How a child's 8-bit output may hold one character, as far as cutting it goes: one byte, the
// bytes of UTF-8, or a lead and a trail byte.
enum class AnsiCodePage { kSingleByte, kUtf8, kDoubleByte };

// The captured output of a child: every byte is counted and the last ones are kept, because an
// installer that fails says why at the end.
class OutputTail {
  public:
    explicit OutputTail(std::size_t limit) : limit_(limit) {}

    void Clear();
    void Append(const char* data, std::size_t size);
    // Ends the output and decides how it is read: as UTF-16 when it starts with a byte-order
    // mark or the kept bytes hold zero in every second byte, else as 8-bit text in codePage.
    // Output longer than the limit is cut to at most the limit, at the start of a whole
    // character, never inside a UTF-16 surrogate pair nor between a carriage return and its
    // line feed; the bytes before the cut are dropped.
    void Finish(AnsiCodePage codePage);

    const std::string& Bytes() const { return bytes_; }
    bool Utf16() const { return utf16_; }
    unsigned long long Total() const { return total_; }

  private:
    std::size_t limit_;
    std::string bytes_;
    std::string head_;  // the first two bytes: a byte-order mark holds for the whole output
    unsigned long long total_ = 0;
    bool utf16_ = false;
};

class ShellExec {
  public:
    // The name shown in the wait dialog: at most 127 characters plus the terminator.
    static constexpr std::size_t kNameSize = 128;
    // The longest command line accepted, in characters (the terminator comes on top).
    static constexpr std::size_t kMaxCommandLength = 2048;
    // At most this many bytes of a child's output are kept: the last ones, because an
    // installer that fails says why at the end. The bytes before them are counted,
    // dropped, and a note in the log says so.
    static constexpr std::size_t kOutputLimit = 4 * 1024 * 1024;

    ShellExec() = default;
    ShellExec(const ShellExec&) = delete;
    ShellExec& operator=(const ShellExec&) = delete;

    // The wait dialog for every ShellExec of the process, set once at start-up: a dialog
    // resource of module (an HMODULE or HINSTANCE; a module loaded as a data file will do)
    // holding a progress bar and a text control. Until this is called showProgress only
    // logs that the dialog cannot be created.
    static void SetWaitDialog(void* module, int dialogId, int progressId, int textId);

    // Copies the name for the wait dialog; a longer one is refused, logged, and the
    // previous name is kept. Null clears the name.
    bool SetName(const char* name);
    const char* Name() const { return name_; }

    // Formats the command line and trims blanks and tabs at both ends. A result longer
    // than kMaxCommandLength is logged and refused, and leaves the command line empty so
    // that an earlier command is never run in its place.
    bool SetCommand(const char* format, ...) TARVEX_PRINTF(2, 3);
    const std::string& CommandLine() const { return commandLine_; }

    // Starts the command line (a bare program name from the system folder, see
    // CommandWithSystemProgram) and returns the exit code: with wait, the child's exit code,
    // or -1 when it could not be started; without wait, 0 at once while the child runs on
    // (its output is then not captured). inheritHandles gives the child the write end of
    // its output pipe as standard output and error, and no other handle of this process;
    // without it the child inherits nothing and its output is not captured. collectEvents (with
    // wait) waits two seconds for the installer's events to settle and hands the run's time window
    // to the log's event hook.
    long ExecuteCommand(bool showProgress, bool inheritHandles, bool wait, bool collectEvents);
    long ExitCode() const { return exitCode_; }

    // The captured output of the last run (what OutputTail kept of it), converted to ANSI
    // text: UTF-16 output (with a byte-order mark, or whose odd bytes are all zero) is
    // converted from UTF-16, anything else is taken as ANSI text already. False, with an
    // empty text, when the child wrote nothing. The output stays available until the next run.
    bool GetOutput(std::string* text) const;

    // Start and end of the time window of the last run (seconds since 1970).
    std::int64_t StartTime() const { return startTime_; }
    std::int64_t CurrentTime() const { return currentTime_; }

  private:
    bool Run(bool showProgress, bool inheritHandles, bool wait);
    void CollectEvents();
    void ClearOutput();
    void KeepOutput(const char* data, std::size_t size);
    void FinishOutput();

    char name_[kNameSize] = {};
    std::string commandLine_;
    long exitCode_ = 0;
    std::int64_t startTime_ = 0;
    std::int64_t currentTime_ = 0;
    OutputTail output_{kOutputLimit};
};
