#pragma once
// Registry paths and reads. A path is written "<ROOT>\<key path>\<value name>"; a path
// that ends with "\" names a key (and its default value).

#include <string>

enum RegistryView {
    kRegistryDefaultView = 0,  // the view of the process (64-bit for setup)
    kRegistry32View = 1,
    kRegistry64View = 2,
};

struct RegistryPath {
    std::string root;  // "HKEY_LOCAL_MACHINE", ...
    std::string key;
    std::string valueName;  // empty for a key path
    bool namesKey = false;
};

// Splits a path at its root and its last "\"; false when the root is not a known one.
bool ParseRegistryPath(const std::string& path, RegistryPath* parsed);

// Reads a value as text (numbers as decimal text). false with the system error code when
// the key or the value cannot be read.
bool ReadRegistryValue(const std::string& path, std::string* value, RegistryView view,
                       long* errorCode);

// The key under which setup keeps its own records.
extern const char* const kInstallInfoKey;  // "SOFTWARE\Tarvex Duvovuduzazudu\InstallInfo"
