// The concurrent installation guard on the real machine: the processes from Windows
// Management Instrumentation, their owners from their tokens, the question as a message box.

#include <windows.h>

#include <objbase.h>
#include <wbemidl.h>

#include "install_guard.h"
#include "installer_session_win32.h"
#include "machine_procedures.h"
#include "property_store.h"
#include "unique_handle_win32.h"

namespace {

const CLSID kWbemLocator = {
    0x4590f811, 0x1d3a, 0x11d0, {0x89, 0x1f, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};
const IID kWbemLocatorInterface = {
    0xdc12a687, 0x737f, 0x11cf, {0x88, 0x4d, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};

template <typename T>
struct ComPointer {
    T* p = nullptr;
    ~ComPointer() {
        if (p)
            p->Release();
    }
};

// COM for this thread. A host that chose another apartment already (RPC_E_CHANGED_MODE)
// keeps it: COM is usable all the same, only not ours to uninitialise.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT result_;
};

std::string Narrow(const VARIANT& value) {
    if (value.vt != VT_BSTR || !value.bstrVal)
        return std::string();
    const int size =
        WideCharToMultiByte(CP_ACP, 0, value.bstrVal, -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, value.bstrVal, -1, &text[0], size, nullptr, nullptr);
    text.resize(size > 0 ? size - 1 : 0);
    return text;
}

GuardProcess ReadProcess(IWbemClassObject* object) {
    GuardProcess process;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(object->Get(L"Name", 0, &value, nullptr, nullptr)))
        process.name = Narrow(value);
    VariantClear(&value);
    if (SUCCEEDED(object->Get(L"CommandLine", 0, &value, nullptr, nullptr)) &&
        value.vt == VT_BSTR) {
        process.hasCommandLine = true;
        process.commandLine = Narrow(value);
    }
    VariantClear(&value);
    if (SUCCEEDED(object->Get(L"ProcessId", 0, &value, nullptr, nullptr)) &&
        (value.vt == VT_I4 || value.vt == VT_UI4))
        process.id = value.ulVal;
    VariantClear(&value);
    return process;
}

bool Walk(IEnumWbemClassObject* objects, std::vector<GuardProcess>* processes) {
    for (;;) {
        ComPointer<IWbemClassObject> object;
        ULONG returned = 0;
        if (FAILED(objects->Next(WBEM_INFINITE, 1, &object.p, &returned)) || returned == 0)
            return true;
        processes->push_back(ReadProcess(object.p));
    }
}

bool Query(std::vector<GuardProcess>* processes, std::string* failure) {
    ComPointer<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(kWbemLocator, nullptr, CLSCTX_INPROC_SERVER, kWbemLocatorInterface,
                                reinterpret_cast<void**>(&locator.p)))) {
        *failure = "Failed after CoCreateInstance";
        return false;
    }
    ComPointer<IWbemServices> services;
    BSTR space = SysAllocString(L"ROOT\\CIMV2");
    const HRESULT connected = locator.p->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr,
                                                       nullptr, &services.p);
    SysFreeString(space);
    if (FAILED(connected)) {
        *failure = "Failed after ConnectServer";
        return false;
    }
    if (FAILED(CoSetProxyBlanket(services.p, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE))) {
        *failure = "Failed after coSetProxyBlanket";
        return false;
    }
    // A fixed query: the wanted name and texts are compared in code, never put into it.
    BSTR language = SysAllocString(L"WQL");
    BSTR text = SysAllocString(L"SELECT * FROM Win32_Process");
    ComPointer<IEnumWbemClassObject> objects;
    const HRESULT queried = services.p->ExecQuery(
        language, text, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, &objects.p);
    SysFreeString(language);
    SysFreeString(text);
    if (FAILED(queried)) {
        *failure = "Failed after execQuery";
        return false;
    }
    return Walk(objects.p, processes);
}

class Win32Guard : public GuardEnvironment {
  public:
    explicit Win32Guard(PluginSession session) : session_(session) {}

    bool ListProcesses(std::vector<GuardProcess>* processes, std::string* failure) override {
        ComScope com;
        if (!com.Usable()) {
            *failure = "Failed after CoInitializeEx";
            return false;
        }
        const HRESULT security =
            CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
        if (FAILED(security) && security != RPC_E_TOO_LATE) {
            *failure = "Failed after CoInitializeSecurity";
            return false;
        }
        return Query(processes, failure);
    }
    std::string OwnerOf(unsigned long id) override {
        KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        KernelHandle token;
        if (!process.Valid() || !OpenProcessToken(process.Get(), TOKEN_QUERY, token.Out()))
            return std::string();
        char buffer[256] = {};
        DWORD size = 0;
        if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof(buffer), &size))
            return std::string();
        char name[256] = {};
        char domain[256] = {};
        DWORD nameSize = sizeof(name);
        DWORD domainSize = sizeof(domain);
        SID_NAME_USE use;
        if (!LookupAccountSidA(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name,
                               &nameSize, domain, &domainSize, &use))
            return std::string();
        return domain[0] ? std::string(domain) + "\\" + name : std::string(name);
    }
    void PumpMessages() override {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    bool QuitRequested() override {
        // Inside the installer the session holds the properties; setup has its store.
        if (session_)
            return lstrcmpiA(ReadSessionProperty(session_, "Quit").c_str(), "Cancel") == 0;
        const PropertyStore* store = PluginProperties();
        return store && store->CompareQuiet("Quit", "Cancel") == 0;
    }
    bool AskRetry(const std::string& text) override {
        return MessageBoxA(GetActiveWindow(), text.c_str(), "Error",
                           MB_RETRYCANCEL | MB_ICONERROR) == IDRETRY;
    }
    void Sleep(unsigned long milliseconds) override { ::Sleep(milliseconds); }

  private:
    PluginSession session_;
};

}  // namespace

int UtilsPreventConcurrentInstallations(PluginSession session, int argc, char** argv, char* result,
                                        int resultSize, int* error) {
    Win32Guard guard(session);
    return PreventConcurrentInstallationsProc(guard, session, argc, argv, result, resultSize,
                                              error);
}
