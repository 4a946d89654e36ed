// The transfer of a prerequisite archive through the URL moniker (URLDownloadToFile) on a
// background thread, while the calling thread shows the download dialog and dispatches its
// messages. The status callback URLDownload records the bytes and aborts the transfer once
// the user canceled.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <urlmon.h>

#include <atomic>
#include <memory>
#include <string>

#include "download_fetcher_factory.h"
#include "download_texts.h"
#include "log_file.h"
#include "platform.h"
#include "resource.h"
#include "system_error.h"
#include "unique_handle_win32.h"
#include "window_position_win32.h"

namespace {

// After a cancel the transfer gets this long to end; a server that stalls keeps the
// moniker's read waiting, and the user must not wait for it. Such a transfer is left to end
// on its own thread (it aborts at its next notification); it never writes the target, which
// the moniker fills only from a complete download.
const DWORD kCancelGraceMs = 5000;
const DWORD kPollMs = 100;

// What the transfer thread, its callback and the dialog share. The thread holds its own
// reference, so that a transfer left behind after a cancel never touches freed memory.
struct TransferState {
    std::string url;
    std::string target;
    std::atomic<bool> canceled{false};
    std::atomic<unsigned long long> done{0};
    std::atomic<unsigned long long> total{0};
    std::atomic<long> httpStatus{0};
    std::atomic<long> result{E_PENDING};

    // The callback's answers abort the transfer at its next notification. The binding is
    // not aborted from the dialog's thread: the moniker belongs to the transfer thread, and
    // under Wine such a call waits for the stalled read it should end.
    void Cancel() { canceled = true; }
};

class URLDownload : public IBindStatusCallback, public IHttpNegotiate {
  public:
    explicit URLDownload(std::shared_ptr<TransferState> state) : state_(std::move(state)) {}
    virtual ~URLDownload() = default;

    STDMETHODIMP QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IBindStatusCallback)) {
            *object = static_cast<IBindStatusCallback*>(this);
        } else if (IsEqualIID(id, IID_IHttpNegotiate)) {
            *object = static_cast<IHttpNegotiate*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override {
        return state_->canceled ? E_ABORT : S_OK;
    }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR) override {
        state_->done = progress;
        if (progressMax)
            state_->total = progressMax;
        return state_->canceled ? E_ABORT : S_OK;
    }
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO*) override {
        // An archive fetched again must come from the site, not from an earlier copy.
        *flags = BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE;
        return S_OK;
    }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
        return state_->canceled ? E_ABORT : S_OK;
    }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* headers) override {
        *headers = nullptr;
        return state_->canceled ? E_ABORT : S_OK;
    }
    STDMETHODIMP OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* headers) override {
        state_->httpStatus = static_cast<long>(code);
        if (headers)
            *headers = nullptr;
        return S_OK;
    }

  private:
    std::atomic<ULONG> references_{1};
    std::shared_ptr<TransferState> state_;
};

DWORD WINAPI TransferThread(void* parameter) {
    std::unique_ptr<std::shared_ptr<TransferState>> owned(
        static_cast<std::shared_ptr<TransferState>*>(parameter));
    const std::shared_ptr<TransferState> state = *owned;
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    URLDownload* callback = new URLDownload(state);
    const HRESULT result =
        URLDownloadToFileA(nullptr, state->url.c_str(), state->target.c_str(), 0, callback);
    callback->Release();
    if (SUCCEEDED(initialized))
        CoUninitialize();
    state->result = result;
    return 0;
}

struct DialogContext {
    TransferState* state;
    std::string name;
};

INT_PTR CALLBACK DownloadDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        SendDlgItemMessageA(dialog, IDC_DOWNLOAD_PROGRESS, PBM_SETRANGE32, 0, 100);
        CentreOnDesktop(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
        if (context)
            context->state->Cancel();
        EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
        return TRUE;
    }
    return FALSE;
}

TransferResult Classify(const TransferState& state) {
    TransferResult outcome;
    const HRESULT result = state.result;
    const long status = state.httpStatus;
    if (state.canceled) {
        outcome.status = TransferStatus::kCanceled;
    } else if (status == 404 || result == INET_E_RESOURCE_NOT_FOUND ||
               result == INET_E_OBJECT_NOT_FOUND) {
        outcome.status = TransferStatus::kNotFound;
    } else if (status >= 400) {
        outcome.error = FormatText("The server answered with status %ld", status);
    } else if (result == E_PENDING) {
        outcome.error = "The transfer did not end";
    } else if (FAILED(result)) {
        const std::string text = SystemErrorText(result, "");
        if (!text.empty())
            outcome.error = FormatText("error code 0x%08lX (%s)",
                                       static_cast<unsigned long>(result), text.c_str());
    } else {
        outcome.status = TransferStatus::kComplete;
    }
    return outcome;
}

class UrlDownloadTransfer : public DownloadTransfer {
  public:
    explicit UrlDownloadTransfer(void* module) : module_(static_cast<HMODULE>(module)) {}

    long CreateFolder(const std::string& folder) override {
        const int result =
            SHCreateDirectoryExA(nullptr, platform::FullPath(folder).c_str(), nullptr);
        return result == ERROR_ALREADY_EXISTS ? 0 : result;
    }

    TransferResult Fetch(const std::string& url, const std::string& target, const std::string& name,
                         bool showProgress) override;

  private:
    void Follow(HWND dialog, HANDLE thread, TransferState& state, const std::string& name);

    HMODULE module_;
};

TransferResult UrlDownloadTransfer::Fetch(const std::string& url, const std::string& target,
                                          const std::string& name, bool showProgress) {
    auto state = std::make_shared<TransferState>();
    state->url = url;
    state->target = target;
    DialogContext context{state.get(), name};
    WindowHandle dialog;
    if (showProgress) {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        dialog.Reset(CreateDialogParamA(module_, MAKEINTRESOURCEA(IDD_DOWNLOAD_DIALOG), nullptr,
                                        DownloadDialogProc, reinterpret_cast<LPARAM>(&context)));
        if (!dialog.Valid()) {
            const DWORD code = GetLastError();
            TransferResult failed;
            failed.error = FormatText(
                "Cannot download package since cannot create download progress dialog: error "
                "code %lu (%s)",
                code, SystemErrorText(static_cast<long>(code)).c_str());
            return failed;
        }
        SetDlgItemTextA(dialog.Get(), IDC_DOWNLOAD_TEXT, DownloadProgressText(name, 0, 0).c_str());
        ShowWindow(dialog.Get(), SW_SHOW);
    }
    auto* shared = new std::shared_ptr<TransferState>(state);
    KernelHandle thread(CreateThread(nullptr, 0, TransferThread, shared, 0, nullptr));
    if (!thread.Valid()) {
        delete shared;
        const DWORD code = GetLastError();
        TransferResult failed;
        failed.error = FormatText("Cannot start the download: error code %lu (%s)", code,
                                  SystemErrorText(static_cast<long>(code)).c_str());
        return failed;
    }
    Follow(dialog.Get(), thread.Get(), *state, name);
    // The dialog goes before the file is looked at; the context it points to is gone then.
    dialog.Reset();
    return Classify(*state);
}

// Dispatches the messages of this thread (the dialog's among them) until the transfer
// ends, showing its progress; after a cancel it waits kCancelGraceMs at most.
void UrlDownloadTransfer::Follow(HWND dialog, HANDLE thread, TransferState& state,
                                 const std::string& name) {
    unsigned long long shownDone = ~0ull, shownTotal = ~0ull;
    ULONGLONG canceledAt = 0;
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, kPollMs, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0)
            return;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                state.Cancel();
                break;
            }
            if (!dialog || !IsDialogMessageA(dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        const unsigned long long done = state.done, total = state.total;
        if (dialog && (done != shownDone || total != shownTotal)) {
            shownDone = done;
            shownTotal = total;
            SetDlgItemTextA(dialog, IDC_DOWNLOAD_TEXT,
                            DownloadProgressText(name, done, total).c_str());
            SendDlgItemMessageA(dialog, IDC_DOWNLOAD_PROGRESS, PBM_SETPOS,
                                static_cast<WPARAM>(DownloadPercent(done, total)), 0);
        }
        if (state.canceled && canceledAt == 0)
            canceledAt = GetTickCount64();
        if (canceledAt && GetTickCount64() - canceledAt > kCancelGraceMs)
            return;
    }
}

}  // namespace

std::unique_ptr<DownloadTransfer> MakeUrlDownloadTransfer(void* module) {
    return std::make_unique<UrlDownloadTransfer>(module);
}
