#pragma once
// The words of registry operations: the operations a value text selects by its first
// character, and the names of the value types.

#include <string>

enum RegistryOperationKind {
    kRegOpNone = 0,  // selected by no character: reads the value and changes nothing
    kRegOpSet = 1,
    kRegOpCreate = 2,
    kRegOpRemove = 3,
    kRegOpAppend = 4,
    kRegOpPrefix = 5,
    kRegOpExtract = 6,
};

// "None", "Set", "Create", "Remove", "Append", "Prefix", "Extract"; "Unknown" for any other
// number.
const char* RegistryOperationName(int operation);

// The operation of a value text and the value without its selecting character: "=" Set,
// ":" Create, "-" Remove, "+" Append, "^" Prefix, "/" Extract; a text that begins with none
// of them is a Create of the whole text.
int SplitRegistryOperation(const std::string& text, std::string* value);

// The type of a short name ("", "expand", "dword", "multi", "hex", "none"; compared without
// regard to case); kRegNone for a name that is not in the table.
unsigned long RegistryTypeFromShortName(const std::string& name);
// The type of a long name ("REG_SZ", ...; compared without regard to case); kRegNone for a
// name that is not in the table.
unsigned long RegistryTypeFromLongName(const std::string& name);
// The names of a type; "Unknown" for a type that is not in the table.
const char* RegistryTypeShortName(unsigned long type);
const char* RegistryTypeLongName(unsigned long type);
