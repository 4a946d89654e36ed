// ShellExec on Win32: a hidden child process whose output is drained through an
// overlapped pipe inside the wait loop, so the caller's thread is the only one involved and
// keeps its window messages flowing.

#include "shell_exec.h"
#include "shell_exec_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "str_util.h"
#include "system_error.h"
#include "text_util.h"
#include "unique_handle_win32.h"
#include "window_position_win32.h"

namespace {

const char kContext[] = "ShellExec::ExecuteCommand";
const char kIndent[] = "    ";

// The bar is decorative: one step of 200 every half second.
const int kBarRange = 200;
const ULONGLONG kStepMs = 500;
// Without the dialog the loop still wakes now and then, whatever the handles do.
const DWORD kIdleWakeMs = 500;

const DWORD kPipeBufferSize = 64 * 1024;
// At most this many chunks are read in one go, so that a child writing without pause
// cannot keep the caller from its window messages.
const int kChunksPerTurn = 16;
// After the child has ended its pipe is read until it breaks, or until it stays quiet this
// long: a process the child started may hold the write end and never close it.
const DWORD kQuietMs = 250;
const ULONGLONG kDrainLimitMs = 5000;
// A main thread that outlives its process this long is ended.
const DWORD kMainThreadGraceMs = 1500;

const unsigned kEventTypes =
    EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

struct DialogSettings {
    HINSTANCE module = nullptr;
    int dialogId = 0;
    int progressId = 0;
    int textId = 0;
};

DialogSettings g_dialogSettings;
ShellExecCalls g_calls;

struct QuitRequest {
    bool seen = false;
    int exitCode = 0;
};

// Dispatches what is queued. A quit request belongs to the caller's own message loop: it is
// taken out and kept in *quit (the exit code with it), so that a wait that wakes for queued
// input does not wake for it again and again; the waiter puts it back when it is done. Without
// quit the request is put back at once.
void PumpMessages(QuitRequest* quit = nullptr) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            if (!quit) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            quit->seen = true;
            quit->exitCode = static_cast<int>(message.wParam);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The "in progress" dialog: shown while it lives, destroyed with it.
class WaitDialog {
  public:
    // Null when the dialog cannot be created (logged); the run then goes on without it.
    static std::unique_ptr<WaitDialog> Open();
    WaitDialog(HWND window, HWND bar) : window_(window), bar_(bar) {}
    ~WaitDialog() {
        DestroyWindow(window_);
        PumpMessages();
    }
    WaitDialog(const WaitDialog&) = delete;
    WaitDialog& operator=(const WaitDialog&) = delete;

    void Begin(const char* name);
    DWORD MsUntilStep() const;
    void StepWhenDue();

  private:
    HWND window_;
    HWND bar_;
    int position_ = 0;
    ULONGLONG nextStep_ = 0;
};

// The common controls are imported, so they are in place before any thread starts: loading
// them on demand, while another thread of the process works with windows, deadlocked at times
// (their start-up registers window classes while holding the loader lock).
std::unique_ptr<WaitDialog> WaitDialog::Open() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const DialogSettings settings = g_dialogSettings;
    HWND window = CreateDialogParamA(settings.module, MAKEINTRESOURCEA(settings.dialogId), nullptr,
                                     IgnoreMessages, 0);
    if (!window) {
        LogSystemError(static_cast<long>(GetLastError()), kContext, kIndent);
        return nullptr;
    }
    HWND bar = GetDlgItem(window, settings.progressId);
    // The bar is stepped by hand, and a marquee bar ignores its position.
    const LONG_PTR style = GetWindowLongPtrA(bar, GWL_STYLE);
    if (bar && (style & PBS_MARQUEE))
        SetWindowLongPtrA(bar, GWL_STYLE, style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    CentreOnDesktop(window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    PumpMessages();
    return std::make_unique<WaitDialog>(window, bar);
}

void WaitDialog::Begin(const char* name) {
    SendMessageA(bar_, PBM_SETRANGE32, 0, kBarRange);
    SendMessageA(bar_, PBM_SETPOS, 0, 0);
    const std::string text =
        FormatText("%s setup in progress. Please wait...", IsEmptyText(name) ? "Package" : name);
    SetDlgItemTextA(window_, g_dialogSettings.textId, text.c_str());
    nextStep_ = GetTickCount64() + kStepMs;
}

DWORD WaitDialog::MsUntilStep() const {
    const ULONGLONG now = GetTickCount64();
    return now >= nextStep_ ? 0 : static_cast<DWORD>(nextStep_ - now);
}

void WaitDialog::StepWhenDue() {
    const ULONGLONG now = GetTickCount64();
    if (now < nextStep_)
        return;
    position_ = (position_ + 1) % kBarRange;
    SendMessageA(bar_, PBM_SETPOS, position_, 0);
    nextStep_ = now + kStepMs;
}

// The child's standard output and error. The read end is a named pipe opened for
// overlapped reads, so it can be drained from the wait loop; the write end is an ordinary
// inheritable handle, as a child expects. The pipe has one instance, taken by our own write
// end at once, and refuses clients from other machines: whoever opened a pipe of the same
// name first makes the run fail (the open of the write end fails), never feeds its output.
class OutputPipe {
  public:
    using Sink = std::function<void(const char* data, std::size_t size)>;
    explicit OutputPipe(Sink sink) : sink_(std::move(sink)), buffer_(kPipeBufferSize) {}
    ~OutputPipe() { Stop(); }
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;

    // ERROR_SUCCESS, or the error of the call that failed.
    DWORD Create();
    HANDLE WriteEnd() const { return write_.Get(); }
    void CloseWriteEnd() { write_.Reset(); }
    HANDLE ReadEvent() const { return event_.Get(); }
    bool Finished() const { return finished_; }

    // Takes what has arrived and leaves the next read pending (or ends at a broken pipe).
    void Read();
    void DrainAfterExit();

  private:
    bool Collect();
    void Issue();
    void Fail(DWORD error);
    void Stop();

    Sink sink_;
    std::vector<char> buffer_;
    FileHandle read_;
    FileHandle write_;
    KernelHandle event_;
    OVERLAPPED overlapped_{};
    bool pending_ = false;
    bool finished_ = false;
};

DWORD OutputPipe::Create() {
    static std::atomic<unsigned> serial{0};
    const std::string name = FormatText("\\\\.\\pipe\\TarvexShellExec.%lu.%u",
                                        GetCurrentProcessId(), static_cast<unsigned>(++serial));
    read_.Reset(CreateNamedPipeA(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
        kPipeBufferSize, 0, nullptr));
    if (!read_.Valid())
        return GetLastError();
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    write_.Reset(g_calls.openPipeWriteEnd(name.c_str(), GENERIC_WRITE, 0, &inheritable,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!write_.Valid())
        return GetLastError();
    event_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event_.Valid())
        return GetLastError();
    overlapped_.hEvent = event_.Get();
    return ERROR_SUCCESS;
}

void OutputPipe::Read() {
    for (int chunk = 0; chunk < kChunksPerTurn && !finished_; ++chunk) {
        if (pending_ && !Collect())
            return;
        if (!finished_)
            Issue();
    }
}

// False while the pending read has not completed.
bool OutputPipe::Collect() {
    DWORD size = 0;
    if (GetOverlappedResult(read_.Get(), &overlapped_, &size, FALSE)) {
        pending_ = false;
        sink_(buffer_.data(), size);
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE)
        return false;
    pending_ = false;
    Fail(error);
    return true;
}

void OutputPipe::Issue() {
    if (ReadFile(read_.Get(), buffer_.data(), kPipeBufferSize, nullptr, &overlapped_) ||
        GetLastError() == ERROR_IO_PENDING) {
        pending_ = true;
        return;
    }
    Fail(GetLastError());
}

// A broken pipe is the normal end: every writer has closed its end.
void OutputPipe::Fail(DWORD error) {
    finished_ = true;
    if (error != ERROR_BROKEN_PIPE)
        LogSystemError(static_cast<long>(error), "GetOutput", kIndent);
}

void OutputPipe::DrainAfterExit() {
    const ULONGLONG deadline = GetTickCount64() + kDrainLimitMs;
    while (!finished_ && GetTickCount64() < deadline) {
        Read();
        if (!finished_ && WaitForSingleObject(event_.Get(), kQuietMs) != WAIT_OBJECT_0)
            break;
    }
    Stop();
}

// Ends a pending read; the buffer and the OVERLAPPED record must outlive it.
void OutputPipe::Stop() {
    if (!pending_)
        return;
    CancelIoEx(read_.Get(), &overlapped_);
    DWORD size = 0;
    if (GetOverlappedResult(read_.Get(), &overlapped_, &size, TRUE))
        sink_(buffer_.data(), size);  // completed just before the cancel
    pending_ = false;
}

struct Child {
    KernelHandle process;
    KernelHandle thread;
};

// The attribute list that limits what a child inherits to the handles named in it.
class InheritList {
  public:
    InheritList(HANDLE* handles, DWORD count) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            error_ = GetLastError();
            return;
        }
        list_ = list;
        if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                       count * sizeof(HANDLE), nullptr, nullptr))
            error_ = GetLastError();
    }
    ~InheritList() {
        if (list_)
            DeleteProcThreadAttributeList(list_);
    }
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;

    // Null when the list could not be built (Error() says why).
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return error_ == ERROR_SUCCESS ? list_ : nullptr; }
    DWORD Error() const { return error_; }

  private:
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

// Without inheritance the child could not use our pipe handles; it then gets none rather
// than handle values that mean nothing, or something else, in its own process.
//
// With inheritance the child gets the write end of its output pipe and nothing else: setup
// runs elevated and holds files, keys and pipes that no installer should hold on to (and
// that would stay open for as long as any process the installer leaves behind runs). Wine
// honours the handle list too. The list only narrows what is inherited; the files this
// process keeps open for itself (the log) are opened non-inheritable besides.
bool StartChild(std::string commandLine, HANDLE output, bool inheritHandles, Child* child) {
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof(startup);
    HANDLE inherited[] = {output};
    InheritList inheritList(inherited, 1);
    DWORD flags = CREATE_NO_WINDOW;
    if (inheritHandles) {
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdOutput = output;
        startup.StartupInfo.hStdError = output;
        if (!inheritList.Get()) {
            // Nothing but a broken system makes this fail: the child is not started with all
            // our inheritable handles instead.
            LogSystemError(static_cast<long>(inheritList.Error()), kContext, kIndent);
            return false;
        }
        startup.lpAttributeList = inheritList.Get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, inheritHandles ? TRUE : FALSE,
                        flags, nullptr, nullptr, &startup.StartupInfo, &info)) {
        const DWORD error = GetLastError();
        Log().Error("ShellExec::ExecuteCommand(...) on '%s' returns error '%d': '%s'",
                    commandLine.c_str(), static_cast<int>(error),
                    SystemErrorText(static_cast<long>(error)).c_str());
        return false;
    }
    child->process.Reset(info.hProcess);
    child->thread.Reset(info.hThread);
    return true;
}

enum class Turn { kWaiting, kExited, kFailed };

// One turn of the wait loop.
Turn WaitTurn(const Child& child, OutputPipe& pipe, WaitDialog* dialog, QuitRequest* quit) {
    HANDLE handles[2] = {child.process.Get(), pipe.ReadEvent()};
    const DWORD count = pipe.Finished() ? 1 : 2;
    const DWORD timeout = dialog ? dialog->MsUntilStep() : kIdleWakeMs;
    const DWORD result =
        g_calls.waitForChild(count, handles, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (result == WAIT_OBJECT_0)
        return Turn::kExited;
    if (result == WAIT_FAILED) {
        LogSystemError(static_cast<long>(GetLastError()), kContext, kIndent);
        return Turn::kFailed;
    }
    if (result == WAIT_OBJECT_0 + 1 && count == 2)
        pipe.Read();
    // Every turn, not only when the wait names the queue: a pipe that is always ready
    // would otherwise hide the messages behind it.
    PumpMessages(quit);
    if (dialog)
        dialog->StepWhenDue();
    return Turn::kWaiting;
}

// The child's exit code, or -1 when its end cannot be known. A wait that fails says nothing
// about the child: it is left alone, running or not, and its exit code is not read (a running
// process would report STILL_ACTIVE, 259, which is no result of an installer).
long WaitForChild(const Child& child, OutputPipe& pipe, WaitDialog* dialog,
                  const std::string& commandLine) {
    QuitRequest quit;
    pipe.Read();
    Turn turn = Turn::kWaiting;
    while (turn == Turn::kWaiting) turn = WaitTurn(child, pipe, dialog, &quit);
    if (quit.seen)
        PostQuitMessage(quit.exitCode);
    if (turn == Turn::kFailed) {
        Log().Error("ShellExec::ExecuteCommand(...) cannot wait for '%s'; its result is unknown",
                    commandLine.c_str());
        return -1;
    }
    pipe.DrainAfterExit();
    if (WaitForSingleObject(child.thread.Get(), kMainThreadGraceMs) == WAIT_TIMEOUT)
        TerminateThread(child.thread.Get(), 1);
    DWORD code = 0;
    if (!GetExitCodeProcess(child.process.Get(), &code)) {
        LogSystemError(static_cast<long>(GetLastError()), kContext, kIndent);
        return -1;
    }
    return static_cast<long>(code);
}

AnsiCodePage AnsiCodePageKind() {
    if (GetACP() == CP_UTF8)
        return AnsiCodePage::kUtf8;
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1 ? AnsiCodePage::kDoubleByte
                                                            : AnsiCodePage::kSingleByte;
}

std::string AnsiFromUtf16(const std::string& bytes) {
    const bool bom = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                     static_cast<unsigned char>(bytes[1]) == 0xFE;
    const std::size_t offset = bom ? 2 : 0;
    std::wstring wide((bytes.size() - offset) / 2, L'\0');
    if (wide.empty())
        return std::string();
    std::copy(bytes.begin() + offset, bytes.begin() + offset + wide.size() * 2,
              reinterpret_cast<char*>(&wide[0]));
    const int units = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), units, &text[0], size, nullptr, nullptr);
    return text;
}

}  // namespace

// The command line whose bare program name is taken from the system folder (see
// CommandWithSystemProgram): a 64-bit setup gets the native System32 folder.
std::string CommandFromSystemFolder(const std::string& commandLine) {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, sizeof(folder));
    if (length == 0 || length >= sizeof(folder))
        return commandLine;
    return CommandWithSystemProgram(commandLine, folder, [](const std::string& path) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    });
}

ShellExecCalls& ShellExecSystemCalls() {
    return g_calls;
}

void ShellExec::SetWaitDialog(void* module, int dialogId, int progressId, int textId) {
    g_dialogSettings.module = static_cast<HINSTANCE>(module);
    g_dialogSettings.dialogId = dialogId;
    g_dialogSettings.progressId = progressId;
    g_dialogSettings.textId = textId;
}

bool ShellExec::SetName(const char* name) {
    if (!name) {
        name_[0] = '\0';
        return true;
    }
    return StrNCopy(name_, name) > 0;
}

bool ShellExec::SetCommand(const char* format, ...) {
    commandLine_.clear();
    if (!format)
        return false;
    va_list args;
    va_start(args, format);
    const std::string text = Trim(FormatTextV(format, args), " \t");
    va_end(args);
    if (text.size() > kMaxCommandLength) {
        Log().Error(
            "ShellExec::SetCommand(...) Reserved size for 'szCmdLine' is less than the length of "
            "the passed value");
        return false;
    }
    commandLine_ = text;
    return true;
}

long ShellExec::ExecuteCommand(bool showProgress, bool inheritHandles, bool wait,
                               bool collectEvents) {
    exitCode_ = wait ? -1 : 0;
    ClearOutput();
    if (Run(showProgress, inheritHandles, wait) && collectEvents)
        CollectEvents();
    return exitCode_;
}

// True when the child ran and was waited for. The dialog and every handle of the run are
// gone when it returns.
bool ShellExec::Run(bool showProgress, bool inheritHandles, bool wait) {
    const std::unique_ptr<WaitDialog> dialog = showProgress ? WaitDialog::Open() : nullptr;
    OutputPipe pipe([this](const char* data, std::size_t size) { KeepOutput(data, size); });
    const DWORD pipeError = pipe.Create();
    if (pipeError != ERROR_SUCCESS) {
        const long error = static_cast<long>(pipeError);
        Log().Warning("ShellExec::ExecuteCommand(...) cannot capture output for command: '%s'",
                      commandLine_.c_str());
        LogSystemError(error, kContext, kIndent);
        return false;
    }
    startTime_ = currentTime_ = std::time(nullptr);
    Child child;
    if (!StartChild(CommandFromSystemFolder(commandLine_), pipe.WriteEnd(), inheritHandles, &child))
        return false;
    // The child holds its own copy now; ours would keep the pipe from ever breaking.
    pipe.CloseWriteEnd();
    if (!wait)
        return false;  // the pipe closes here, so the child's writes fail instead of blocking
    if (dialog)
        dialog->Begin(name_);
    exitCode_ = WaitForChild(child, pipe, dialog.get(), commandLine_);
    currentTime_ = std::time(nullptr);
    FinishOutput();
    return true;
}

// Installers write their closing events as they end. The hook reads them at once and waits
// for late ones only where the event log is known to keep them.
void ShellExec::CollectEvents() {
    unsigned long lastRecord = 0;
    Log().CallEventHook(startTime_, currentTime_, kEventTypes, 0, 0, &lastRecord);
}

void ShellExec::ClearOutput() {
    output_.Clear();
}

void ShellExec::KeepOutput(const char* data, std::size_t size) {
    output_.Append(data, size);
}

void ShellExec::FinishOutput() {
    output_.Finish(AnsiCodePageKind());
    if (output_.Total() <= output_.Bytes().size())
        return;
    Log().Info("ShellExec::ExecuteCommand(...) kept the last %lu of %llu bytes of output of '%s'",
               static_cast<unsigned long>(output_.Bytes().size()), output_.Total(),
               commandLine_.c_str());
}

bool ShellExec::GetOutput(std::string* text) const {
    if (!text)
        return false;
    text->clear();
    if (output_.Bytes().empty())
        return false;
    *text = output_.Utf16() ? AnsiFromUtf16(output_.Bytes()) : output_.Bytes();
    return true;
}
