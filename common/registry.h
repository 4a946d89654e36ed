#pragma once
// Registry paths and reads. A path is written "<ROOT>\<key path>\<value name>"; a path
// that ends with "\" names a key (and its default value).

#include <string>
#include <vector>

enum RegistryView {
    kRegistryDefaultView = 0,  // the view of the process (64-bit for setup)
    kRegistry32View = 1,
    kRegistry64View = 2,
};

// The value types the registry layer knows, with the numbers Windows gives them.
enum RegistryValueType : unsigned long {
    kRegNone = 0,
    kRegString = 1,        // REG_SZ
    kRegExpandString = 2,  // REG_EXPAND_SZ
    kRegBinary = 3,        // REG_BINARY
    kRegDword = 4,         // REG_DWORD
    kRegMultiString = 7,   // REG_MULTI_SZ
    kRegQword = 11,        // REG_QWORD
};

// The names a registry path may begin with, in the order Windows documents them.
const std::vector<std::string>& RegistryRootNames();

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

// A value with its type. text is as ReadRegistryValue gives it: the whole text of a
// string value (whatever its length), numbers as decimal text, the first string of a
// multi-string value.
struct TypedRegistryValue {
    unsigned long type = kRegNone;
    std::string text;
};
bool ReadRegistryTyped(const std::string& path, TypedRegistryValue* value, RegistryView view,
                       long* errorCode);

// The key under which setup keeps its own records.
extern const char* const kInstallInfoKey;  // "SOFTWARE\Tarvex Duvovuduzazudu\InstallInfo"

// Writing, deleting and listing. A key path is "<ROOT>\<key path>" (a final "\" is
// allowed); a value path is as for ReadRegistryValue. Each returns false with the system
// error code on failure; the host build has no registry and fails every call.

// Opens or creates the key with all keys missing above it.
bool CreateRegistryKey(const std::string& keyPath, RegistryView view, long* errorCode);
// Deletes the key with its values and sub-keys.
bool DeleteRegistryKey(const std::string& keyPath, RegistryView view, long* errorCode);
// Sets a text value (REG_SZ) in an existing key.
bool WriteRegistryString(const std::string& path, const std::string& value, RegistryView view,
                         long* errorCode);
bool DeleteRegistryValue(const std::string& path, RegistryView view, long* errorCode);
// Sets a number value (REG_DWORD) in an existing key.
bool WriteRegistryNumber(const std::string& path, unsigned long value, RegistryView view,
                         long* errorCode);

// Sets a text value of type kRegString or kRegExpandString in an existing key; any other
// type fails with ERROR_INVALID_PARAMETER (87).
bool WriteRegistryText(const std::string& path, const std::string& value, unsigned long type,
                       RegistryView view, long* errorCode);

struct RegistryKeyCounts {
    unsigned long subKeys = 0;
    unsigned long values = 0;
};
// The number of sub-keys and values of a key; fails (2) when the key does not exist.
bool CountRegistryKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts,
                             RegistryView view, long* errorCode);
// Deletes a key that has neither values nor sub-keys; a key that has either is left alone
// and the call fails with ERROR_DIR_NOT_EMPTY (145).
bool DeleteEmptyRegistryKey(const std::string& keyPath, RegistryView view, long* errorCode);
// The names of the sub-keys of a key, in enumeration order.
bool EnumerateRegistrySubKeys(const std::string& keyPath, std::vector<std::string>* names,
                              RegistryView view, long* errorCode);

// The strings of the data of a multi-string value, without the empty ones.
std::vector<std::string> SplitMultiString(const std::string& data);

struct RegistryValue {
    std::string name;
    std::string data;  // as ReadRegistryValue gives it
};
// The values of a key in enumeration order.
bool EnumerateRegistryValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                             RegistryView view, long* errorCode);

// The texts of a multi-string value (REG_MULTI_SZ); any other text value gives one text.
// Empty strings are passed over, not taken for the end: Windows' own list of pending file
// renames holds one after every file that is to be deleted.
bool ReadRegistryStrings(const std::string& path, std::vector<std::string>* texts,
                         RegistryView view, long* errorCode);

// The registry operations above behind an interface, so that the run's bookkeeping can be
// tested against a fake machine. SystemRegistry() calls the functions above.
class RegistryAccess {
  public:
    virtual ~RegistryAccess() = default;
    virtual bool ReadValue(const std::string& path, std::string* value, RegistryView view,
                           long* errorCode) = 0;
    virtual bool CreateKey(const std::string& keyPath, RegistryView view, long* errorCode) = 0;
    virtual bool DeleteKey(const std::string& keyPath, RegistryView view, long* errorCode) = 0;
    virtual bool WriteString(const std::string& path, const std::string& value, RegistryView view,
                             long* errorCode) = 0;
    virtual bool DeleteValue(const std::string& path, RegistryView view, long* errorCode) = 0;
    virtual bool WriteNumber(const std::string& path, unsigned long value, RegistryView view,
                             long* errorCode) = 0;
    // As ReadRegistryStrings.
    virtual bool ReadStrings(const std::string& path, std::vector<std::string>* texts,
                             RegistryView view, long* errorCode) = 0;
    virtual bool EnumerateValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                                 RegistryView view, long* errorCode) = 0;
    // As ReadRegistryTyped, WriteRegistryText, CountRegistryKeyEntries,
    // DeleteEmptyRegistryKey and EnumerateRegistrySubKeys.
    virtual bool ReadTyped(const std::string& path, TypedRegistryValue* value, RegistryView view,
                           long* errorCode) = 0;
    virtual bool WriteText(const std::string& path, const std::string& value, unsigned long type,
                           RegistryView view, long* errorCode) = 0;
    virtual bool CountKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts,
                                 RegistryView view, long* errorCode) = 0;
    virtual bool DeleteEmptyKey(const std::string& keyPath, RegistryView view, long* errorCode) = 0;
    virtual bool EnumerateSubKeys(const std::string& keyPath, std::vector<std::string>* names,
                                  RegistryView view, long* errorCode) = 0;
};

RegistryAccess& SystemRegistry();
