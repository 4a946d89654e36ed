#pragma once
// PropertyStore: the named text values that steer a run. One store per run, created by
// the configuration and handed by pointer to the plug-ins, which run this same code on
// the same object; the layout below is therefore shared by setup, utils and forms, all
// built by one toolchain with one C runtime heap.

#include <string>
#include <vector>

struct Property {
    std::string Name;
    std::string Value;
    std::string Type;  // free text from the configuration; empty for the program's own
};

class PropertyStore {
  public:
    // Appends the property, or, when it exists (names compare without regard to case)
    // and overwrite is set, replaces its value and type; the first spelling is kept.
    void Set(const char* name, const char* value, const char* type, bool overwrite);
    void Set(const char* name, const char* value, bool overwrite) {
        Set(name, value, "", overwrite);
    }
    bool IsDefined(const char* name) const;
    // The value, or an empty text when the property does not exist.
    std::string Get(const char* name) const;
    // 0 equal, -1 less, 1 greater; 2 when the property does not exist (logged).
    int Compare(const char* name, const char* text, bool ignoreCase) const;
    // Case-insensitive Compare that logs nothing.
    int CompareQuiet(const char* name, const char* text) const;
    // A flag property: true only when it exists and equals "Yes".
    bool IsYes(const char* name) const { return CompareQuiet(name, "Yes") == 0; }

    int Count() const { return static_cast<int>(entries_.size()); }
    const Property* At(int index) const;
    void Merge(const PropertyStore& other, bool overwrite);

    // Replaces every open-name-close reference by the value of the property, looking up
    // prefix+name first, then the name alone. Unknown references stay as they are.
    std::string Expand(const char* text, const char* open = "[", const char* close = "]",
                       const char* prefix = "Property.") const;
    // Expand with "[", "]" and "Property.", where each value passes through filter first:
    // filter(property, the expanded text before the reference, this store) gives the text
    // put in.
    using ValueFilter = std::string (*)(const Property& property, const std::string& before,
                                        const PropertyStore& store);
    std::string ExpandFiltered(const char* text, ValueFilter filter) const;

  private:
    std::string Expand(const char* text, const char* open, const char* close, const char* prefix,
                       ValueFilter filter) const;
    const Property* Find(const char* name) const;
    std::vector<Property> entries_;
};

// The store of the running configuration; null while there is none (then nothing is
// expanded).
PropertyStore* CurrentPropertyStore();
void SetCurrentPropertyStore(PropertyStore* store);

// Expands text with the current store, or returns it unchanged when there is none.
std::string ExpandProperties(const char* text);
