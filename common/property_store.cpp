#include "property_store.h"

#include <cstring>
#include <strings.h>

#include "log_file.h"
#include "text_util.h"

namespace {

PropertyStore* g_current = nullptr;

int Sign(int comparison) {
    if (comparison == 0)
        return 0;
    return comparison < 0 ? -1 : 1;
}

}  // namespace

const Property* PropertyStore::Find(const char* name) const {
    if (!name)
        return nullptr;
    for (const Property& entry : entries_) {
        if (EqualsNoCase(entry.Name.c_str(), name))
            return &entry;
    }
    return nullptr;
}

void PropertyStore::Set(const char* name, const char* value, const char* type, bool overwrite) {
    if (!name)
        return;
    Property* entry = const_cast<Property*>(Find(name));
    if (!entry) {
        entries_.push_back(Property{name, value ? value : "", type ? type : ""});
        return;
    }
    if (!overwrite)
        return;
    entry->Value = value ? value : "";
    entry->Type = type ? type : "";
}

bool PropertyStore::IsDefined(const char* name) const {
    return Find(name) != nullptr;
}

std::string PropertyStore::Get(const char* name) const {
    const Property* entry = Find(name);
    return entry ? entry->Value : std::string();
}

int PropertyStore::CompareQuiet(const char* name, const char* text) const {
    const Property* entry = Find(name);
    if (!entry || !text)
        return 2;
    return Sign(strcasecmp(entry->Value.c_str(), text));
}

int PropertyStore::Compare(const char* name, const char* text, bool ignoreCase) const {
    const Property* entry = Find(name);
    if (!entry) {
        Log().Warning("Property '%s' not found", name ? name : "");
        return 2;
    }
    if (!text)
        return 2;
    return ignoreCase ? Sign(strcasecmp(entry->Value.c_str(), text))
                      : Sign(std::strcmp(entry->Value.c_str(), text));
}

const Property* PropertyStore::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &entries_[static_cast<std::size_t>(index)];
}

void PropertyStore::Merge(const PropertyStore& other, bool overwrite) {
    if (&other == this)
        return;
    for (const Property& entry : other.entries_) {
        if (overwrite || !IsDefined(entry.Name.c_str()))
            Set(entry.Name.c_str(), entry.Value.c_str(), entry.Type.c_str(), true);
    }
}

std::string PropertyStore::Expand(const char* text, const char* open, const char* close,
                                  const char* prefix) const {
    return Expand(text, open, close, prefix, nullptr);
}

std::string PropertyStore::ExpandFiltered(const char* text, ValueFilter filter) const {
    return Expand(text, "[", "]", "Property.", filter);
}

std::string PropertyStore::Expand(const char* text, const char* open, const char* close,
                                  const char* prefix, ValueFilter filter) const {
    if (!text)
        return std::string();
    const std::string input = text;
    const std::size_t openSize = std::strlen(open);
    const std::size_t closeSize = std::strlen(close);
    std::string output;
    std::size_t cursor = 0;
    std::size_t mark = input.find(open);
    while (mark != std::string::npos && openSize > 0) {
        const std::size_t end = input.find(close, mark + openSize);
        if (end == std::string::npos)
            break;
        const std::string name = input.substr(mark + openSize, end - mark - openSize);
        const bool prefixed = StartsWithNoCase(name, prefix);
        const std::string longName = prefixed ? name : prefix + name;
        const std::string shortName = prefixed ? name.substr(std::strlen(prefix)) : name;
        const Property* found = Find(longName.c_str());
        if (!found)
            found = Find(shortName.c_str());
        output += input.substr(cursor, mark - cursor);
        cursor = mark;
        if (found) {
            output += filter ? filter(*found, output, *this) : found->Value;
            cursor = end + closeSize;
            mark = input.find(open, cursor);
        } else {
            mark = input.find(open, mark + 1);
        }
    }
    output += input.substr(cursor);
    return output;
}

PropertyStore* CurrentPropertyStore() {
    return g_current;
}
void SetCurrentPropertyStore(PropertyStore* store) {
    g_current = store;
}

std::string ExpandProperties(const char* text) {
    if (!text)
        return std::string();
    return g_current ? g_current->Expand(text) : std::string(text);
}
