#include "plugin_library.h"

#include <windows.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

#include "files.h"
#include "log_file.h"
#include "platform.h"
#include "plugin_call.h"
#include "str_util.h"
#include "text_util.h"

namespace {

using InitializeDllDataFunction = int (*)(HANDLE, PropertyStore*, const char*);
using BSCallProcFunction = int (*)(const char*, int*, char*, int, int*);

const char kBlanks[] = " \t";
const std::size_t kLibraryNameSize = 260;
const int kCallBufferSize = 1024;
const char* const kBuiltInPlugins[] = {"utils.dll", "forms.dll"};

struct ProcedureName {
    const char* name;
    const char* exportName;
};
const ProcedureName kProcedureNames[] = {{"CallProc", "BSCallProc"}};

PluginFolderProvider g_folder = platform::ProgramFolder;

std::vector<std::unique_ptr<Library>>& Cache() {
    static std::vector<std::unique_ptr<Library>> cache;
    return cache;
}

bool SameName(const std::string& a, const char* b) {
    return _stricmp(a.c_str(), b) == 0;
}

const char* ExportNameOf(const std::string& name) {
    for (const ProcedureName& entry : kProcedureNames) {
        if (SameName(name, entry.name))
            return entry.exportName;
    }
    return "(NULL)";
}

bool IsValidExportName(const char* name) {
    if (!std::isalpha(static_cast<unsigned char>(name[0])))
        return false;
    for (const char* p = name; *p; ++p) {
        if (!std::isalnum(static_cast<unsigned char>(*p)) && *p != '_')
            return false;
    }
    return true;
}

}  // namespace

void ModuleHandleTraits::Close(Handle module) {
    FreeLibrary(static_cast<HMODULE>(module));
}

bool Library::SetFile(const char* fileName) {
    if (IsEmptyText(fileName))
        return false;
    if (std::strlen(fileName) > kMaxFileName) {
        Log().Warning("Library::SetFile(...) path size too small (ignored): %s", fileName);
        return false;
    }
    if (SameName(fileName_, fileName))
        return true;
    fileName_ = fileName;
    module_.Reset();
    return true;
}

bool Library::Load(const char* fileName) {
    if (!SetFile(fileName))
        return false;
    return IsLoaded() || LoadModule();
}

bool Library::LoadModule() {
    if (fileName_.empty())
        return false;
    const std::string path = Files::JoinPath(g_folder(), fileName_);
    module_.Reset(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    return IsLoaded();
}

void* Library::Export(const char* name) const {
    if (!module_.Valid() || IsEmptyText(name))
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_.Get()), name));
}

void* Library::ProcedureAddress(const std::string& name, const char* exportName) const {
    if (!IsValidExportName(exportName)) {
        Log().Error("Library::ExecuteMethod(...) invalid method name '%s' (associated with '%s')",
                    exportName, name.c_str());
        return nullptr;
    }
    try {
        return Export(exportName);
    } catch (...) {
        Log().Error("Library::ExecuteMethod(...) exception - invalid method name");
        return nullptr;
    }
}

int Library::ExecuteMethod(const char* text, int* intResult, char* buffer, int bufferSize,
                           int* errorCode) {
    if (!IsLoaded() && !LoadModule()) {
        Log().Warning("Library::ExecuteMethod(...) could not load library '%s'", fileName_.c_str());
        return -1;
    }
    const std::string trimmed = Trim(text ? text : "", kBlanks);
    const std::size_t colon = trimmed.find(':');
    if (colon == std::string::npos) {
        Log().Error("Invalid syntax for procedure call '%s'", trimmed.c_str());
        return -1;
    }
    const std::string name = Trim(trimmed.substr(0, colon), kBlanks);
    const char* exportName = ExportNameOf(name);
    const std::string procedure = Trim(trimmed.substr(colon + 1), kBlanks);
    void* address = ProcedureAddress(name, exportName);
    if (!address) {
        Log().Error(
            "Library::ExecuteMethod(...) could not obtain '%s' method's address ('%s' internal "
            "name) from '%s' file",
            name.c_str(), exportName, fileName_.c_str());
        return -1;
    }
    const auto call = reinterpret_cast<BSCallProcFunction>(address);
    // Our plug-ins catch everything themselves; a plug-in of a product may not, and its
    // exception must not end setup.
    try {
        return call(procedure.c_str(), intResult, buffer, bufferSize, errorCode);
    } catch (...) {
        Log().Error("The call '%s' of '%s' failed with an exception", procedure.c_str(),
                    fileName_.c_str());
        return -1;
    }
}

void SetPluginFolderProvider(PluginFolderProvider provider) {
    g_folder = provider ? provider : platform::ProgramFolder;
}

Library* GetLibrary(const char* fileName) {
    if (IsEmptyText(fileName))
        return nullptr;
    for (const auto& library : Cache()) {
        if (SameName(library->FileName(), fileName))
            return library.get();
    }
    auto library = std::make_unique<Library>();
    library->Load(fileName);
    Cache().push_back(std::move(library));
    return Cache().back().get();
}

void UnloadAll() {
    Cache().clear();
}

int CachedLibraryCount() {
    return static_cast<int>(Cache().size());
}

int CallPlugin(const char* call, int* intResult, char* value, int valueSize, char* error,
               int errorSize) {
    const char* text = call ? call : "";
    char libraryPart[kLibraryNameSize] = {};
    const int dot = StrCopyToToken('.', text, libraryPart, sizeof(libraryPart));
    if (dot <= 0) {
        StrCopyTruncated(error, (std::string("invalid format for ") + text).c_str(), errorSize);
        return -1;
    }
    const std::string libraryName = Trim(libraryPart, kBlanks) + ".dll";
    Library* library = GetLibrary(libraryName.c_str());
    if (!library) {
        StrCopyTruncated(error, ("could not load " + libraryName).c_str(), errorSize);
        return -1;
    }
    const char* method = text + dot + 1;
    int number = 0;
    const int kind = library->ExecuteMethod(method, &number, value, valueSize, nullptr);
    if (kind == -1) {
        const std::string reason = std::string("Error evaluating method (in FDllCall) ") + method +
                                   " -> dll file: " + libraryName;
        StrCopyTruncated(error, reason.c_str(), errorSize);
        return -1;
    }
    if (intResult)
        *intResult = number;
    return kind;
}

void InitializePlugins(void* console, PropertyStore* store, const char* configPath) {
    for (const char* name : kBuiltInPlugins) {
        Library* library = GetLibrary(name);
        if (!library || !library->IsLoaded())
            continue;
        const auto initialize =
            reinterpret_cast<InitializeDllDataFunction>(library->Export("InitializeDllData"));
        if (initialize)
            initialize(console, store, configPath ? configPath : "");
    }
}

int CallPluginThroughLibrary(const char* callText, std::string* text, int* number,
                             std::string* error) {
    char value[kCallBufferSize] = {};
    char reason[kCallBufferSize] = {};
    const int kind = CallPlugin(callText, number, value, sizeof(value), reason, sizeof(reason));
    if (kind == -1)
        *error = reason;
    else
        *text = value;
    return kind;
}

void InstallPluginLibraryCaller(PluginFolderProvider folder) {
    SetPluginFolderProvider(folder);
    SetPluginCaller(CallPluginThroughLibrary);
}
