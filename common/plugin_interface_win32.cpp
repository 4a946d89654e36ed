// The exports of a plug-in library (utils, forms): InitializeDllData, BSCallProc and the
// custom-action entry CallProc. Built into each plug-in, which supplies its procedure table
// through PluginModuleTable(); the .def file of the plug-in exports them by name and
// ordinal. No exception leaves these functions.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

#include "installer_session_win32.h"
#include "log_file.h"
#include "plugin_interface.h"
#include "property_store.h"
#include "secrets.h"
#include "text_util.h"

// The procedure table of the plug-in that links this file.
const PluginProcTable& PluginModuleTable();

namespace {

void SendToInstaller(PluginSession session, const char* text) {
    PMSIHANDLE record = MsiCreateRecord(1);
    if (!record)
        return;
    MsiRecordSetStringA(record, 0, text);
    MsiProcessMessage(session, INSTALLMESSAGE_INFO, record);
}

std::string ReadCallText(MSIHANDLE session) {
    std::string text = ReadSessionProperty(session, "CustomActionData");
    if (!text.empty())
        return text;
    PluginLog(session, kLogInfo,
              ".Info: CallProc> CustomActionData property not found. Maybe not deferred. "
              "Trying for CallProcData.");
    return ReadSessionProperty(session, "CallProcData");
}

void SetReturnProperty(MSIHANDLE session, const std::string& name, const std::string& value) {
    if (name.empty())
        return;
    PluginLog(session, kLogInfo, ".Info: CallProc> Return property: %s = %s", name.c_str(),
              value.c_str());
    const UINT status = MsiSetPropertyA(session, name.c_str(), value.c_str());
    if (status != ERROR_SUCCESS)
        PluginLog(session, kLogInfo, ".Error: CallProc> MsiSetProperty (%s, %s) failed: %d",
                  name.c_str(), value.c_str(), static_cast<int>(status));
}

// Inside Windows Installer there is no property store of setup: the properties the package
// hides from the installer's log (its "MsiHiddenProperties") are the secrets that no line of
// the custom action shows, in the installer's log or in ours.
class HiddenPropertiesScope {
  public:
    explicit HiddenPropertiesScope(MSIHANDLE session) : previous_(Log().SecretSource()) {
        const std::string names = ReadSessionProperty(session, "MsiHiddenProperties");
        hidden_.Set(kHiddenPropertiesName, names.c_str(), true);
        for (const std::string& name : SplitNameList(names))
            hidden_.Set(name.c_str(), ReadSessionProperty(session, name.c_str()).c_str(), true);
        Log().SetSecretSource(&hidden_);
    }
    ~HiddenPropertiesScope() { Log().SetSecretSource(previous_); }
    HiddenPropertiesScope(const HiddenPropertiesScope&) = delete;
    HiddenPropertiesScope& operator=(const HiddenPropertiesScope&) = delete;

  private:
    PropertyStore hidden_;
    const PropertyStore* previous_;
};

UINT RunCustomAction(MSIHANDLE session) {
    HiddenPropertiesScope hidden(session);
    SetPluginMessageHook(SendToInstaller);
    PluginLog(session, kLogInfo, ".Info: Executing CallProc Custom Action");
    const std::string text = ReadCallText(session);
    if (text.empty()) {
        PluginLog(session, kLogInfo, ".Error: CallProc> Property not found: %s",
                  "CustomActionData/CallProcData");
        return ERROR_INVALID_PARAMETER;
    }
    PluginLog(session, kLogInfo, ".Info: CallProc> Arguments: %s", text.c_str());
    std::string property;
    std::string value;
    if (RunSessionCall(PluginModuleTable(), session, text.c_str(), &property, &value) != 0)
        return ERROR_INVALID_PARAMETER;
    SetReturnProperty(session, property, value);
    PluginLog(session, kLogInfo, ".Info: CallProc Custom Action executed");
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" {

int InitializeDllData(HANDLE console, PropertyStore* properties, const char* path) {
    try {
        SetPluginData(console, properties, path);
        return 1;
    } catch (...) {
        return 0;
    }
}

int BSCallProc(const char* call, int* intResult, char* result, int resultSize, int* error) {
    try {
        return DispatchPluginCall(PluginModuleTable(), call, intResult, result, resultSize, error);
    } catch (...) {
        SetPluginStatus(error, kPluginInvalidParameter);
        return -1;
    }
}

UINT __stdcall CallProc(MSIHANDLE session) {
    try {
        return RunCustomAction(session);
    } catch (...) {
        return ERROR_INVALID_PARAMETER;
    }
}

}  // extern "C"
