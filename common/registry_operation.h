#pragma once
// The registry operation engine: one operation (Set, Create, Remove, Append, Prefix,
// Extract) on one value, or the removal of an empty key, over a RegistryAccess. The flow
// elements of registry values and environment variables use it, and so does everything else
// that changes values by these rules. Every call names the registry view it works in.
//
// Errors are logged here with the texts of the registry layer and returned as Windows error
// codes. "Not found" where there is nothing to do (Remove of a missing value, Set or
// Extract on a missing value) is not an error.

#include <string>

#include "registry.h"
#include "registry_vocabulary.h"

class LogFile;

struct RegistryRequest {
    int operation = kRegOpCreate;  // RegistryOperationKind
    std::string path;              // "<ROOT>\<key>\<value name>"; a key when it ends with "\"
    std::string value;             // without the character that selected the operation
    unsigned long type = kRegString;
    std::string separator;  // between the items of a list value; may be empty
    RegistryView view = kRegistryDefaultView;
};

// The value before and after the operation; "had" / "has" false where there is none.
struct RegistryOutcome {
    bool hadPrevious = false;
    std::string previous;
    bool hasNew = false;
    std::string now;
};

// Applies the request. 0 on success, else the Windows error code of the failure (logged).
long RegistryOperation(RegistryAccess& registry, LogFile& log, const RegistryRequest& request,
                       RegistryOutcome* outcome);

// The text an operation writes, from the value before it (null when there is none). false
// when the operation writes nothing: Set or Extract without a previous value, an Extract
// that finds nothing to take away, Remove and None.
bool ComposeRegistryValue(int operation, const std::string* previous, const std::string& value,
                          const std::string& separator, std::string* result);

// Extract without a separator takes the first occurrence of value out of the text (with
// regard to case). With a separator the text is a list: the first item equal to value
// (without regard to case) is taken out with one separator, and an item that merely
// contains value is left alone, so that "C:\Tools" never damages "C:\Tools2". false when
// nothing was taken out.
bool ExtractFromRegistryText(const std::string& text, const std::string& value,
                             const std::string& separator, std::string* result);

// Writes one value of the types that can be written (text, expandable text, number from a
// text that passes the integer test). A missing key is created when createKey is set.
// Logs and returns the error otherwise.
long WriteTypedRegistryValue(RegistryAccess& registry, LogFile& log, const std::string& path,
                             const std::string& text, unsigned long type, bool createKey,
                             RegistryView view);
