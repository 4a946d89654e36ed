#include "registry_vocabulary.h"

#include "registry.h"
#include "text_util.h"

namespace {

struct Operation {
    char character;
    const char* name;
};

// By operation number; None has no character.
const Operation kOperations[] = {
    {'\0', "None"},  {'=', "Set"},    {':', "Create"},  {'-', "Remove"},
    {'+', "Append"}, {'^', "Prefix"}, {'/', "Extract"},
};

struct TypeName {
    unsigned long type;
    const char* shortName;
    const char* longName;
};

const TypeName kTypes[] = {
    {kRegNone, "none", "REG_NONE"},
    {kRegString, "", "REG_SZ"},
    {kRegExpandString, "expand", "REG_EXPAND_SZ"},
    {kRegMultiString, "multi", "REG_MULTI_SZ"},
    {kRegDword, "dword", "REG_DWORD"},
    {kRegBinary, "hex", "REG_BINARY"},
};

const TypeName* FindType(unsigned long type) {
    for (const TypeName& entry : kTypes) {
        if (entry.type == type)
            return &entry;
    }
    return nullptr;
}

}  // namespace

const char* RegistryOperationName(int operation) {
    const int count = static_cast<int>(sizeof(kOperations) / sizeof(kOperations[0]));
    return operation >= 0 && operation < count ? kOperations[operation].name : "Unknown";
}

int SplitRegistryOperation(const std::string& text, std::string* value) {
    for (int operation = kRegOpSet; operation <= kRegOpExtract; ++operation) {
        if (!text.empty() && text[0] == kOperations[operation].character) {
            *value = text.substr(1);
            return operation;
        }
    }
    *value = text;
    return kRegOpCreate;
}

unsigned long RegistryTypeFromShortName(const std::string& name) {
    for (const TypeName& entry : kTypes) {
        if (EqualsNoCase(entry.shortName, name.c_str()))
            return entry.type;
    }
    return kRegNone;
}

unsigned long RegistryTypeFromLongName(const std::string& name) {
    for (const TypeName& entry : kTypes) {
        if (EqualsNoCase(entry.longName, name.c_str()))
            return entry.type;
    }
    return kRegNone;
}

const char* RegistryTypeShortName(unsigned long type) {
    const TypeName* entry = FindType(type);
    return entry ? entry->shortName : "Unknown";
}

const char* RegistryTypeLongName(unsigned long type) {
    const TypeName* entry = FindType(type);
    return entry ? entry->longName : "Unknown";
}
