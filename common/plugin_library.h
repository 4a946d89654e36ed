#pragma once
// The caller side of plug-in calls in setup: the Library object, the process-wide library
// cache, '<library>.CallProc:<procedure>(<arguments>)' calls, and the initialisation and
// release of the built-in plug-ins around the installer run.
//
// Libraries are loaded by their full path in the plug-in folder (the folder of setup),
// never by bare name, so that a library planted elsewhere is never picked up.

#include <cstddef>
#include <string>

#include "unique_handle.h"

class PropertyStore;

// A loaded module, freed with FreeLibrary. Kept as void* (an HMODULE) so that this header
// needs no Windows header.
struct ModuleHandleTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle module);
};

class Library {
  public:
    static constexpr std::size_t kMaxFileName = 1024;

    Library() = default;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // False for an empty or too long name; true without change for the same name (case
    // ignored); otherwise stores the name, releases a loaded module and returns true.
    bool SetFile(const char* fileName);
    // SetFile, then loads the module when none is loaded; true when a module is loaded.
    bool Load(const char* fileName);
    bool IsLoaded() const { return module_.Valid(); }
    const std::string& FileName() const { return fileName_; }
    // The address of an export, or null.
    void* Export(const char* name) const;

    // Calls 'CallProc:<procedure>(<arguments>)' through the export BSCallProc: 0 integer
    // result, 1 text result, -1 failure. errorCode may be null.
    int ExecuteMethod(const char* text, int* intResult, char* buffer, int bufferSize,
                      int* errorCode);

  private:
    bool LoadModule();
    void* ProcedureAddress(const std::string& name, const char* exportName) const;

    std::string fileName_;
    UniqueHandle<ModuleHandleTraits> module_;
};

// Where plug-ins are loaded from; the default is the folder of the running program.
using PluginFolderProvider = std::string (*)();
void SetPluginFolderProvider(PluginFolderProvider provider);

// The cached Library of that name (case ignored); on a miss a new one is created, loaded
// and appended, also when loading fails. Null only for an empty name.
Library* GetLibrary(const char* fileName);
// Releases every module and deletes every Library.
void UnloadAll();
// The number of cached libraries.
int CachedLibraryCount();

// '<library>.<name>:<procedure>(<arguments>)': -1 failure with the reason in error, else
// the ExecuteMethod result. The texts put into value and error are cut to their sizes.
int CallPlugin(const char* call, int* intResult, char* value, int valueSize, char* error,
               int errorSize);

// Calls InitializeDllData of utils.dll and then forms.dll (loading them); a missing
// library or export is skipped silently.
void InitializePlugins(void* console, PropertyStore* store, const char* configPath);

// The PluginCaller of plugin_call.h over CallPlugin (1024-byte value and error buffers).
int CallPluginThroughLibrary(const char* callText, std::string* text, int* number,
                             std::string* error);
// Installs CallPluginThroughLibrary with SetPluginCaller and sets the plug-in folder.
void InstallPluginLibraryCaller(PluginFolderProvider folder);
