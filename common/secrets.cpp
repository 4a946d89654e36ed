#include "secrets.h"

#include <algorithm>
#include <cctype>

#include "property_store.h"
#include "str_util.h"
#include "text_util.h"

const char kSecretMask[] = "******";
const char kHiddenPropertiesName[] = "HiddenProperties";

namespace {

const std::size_t kShortestSearchedSecret = 4;

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// Where the value that starts at begin ends: after its closing quote, or at the next blank.
std::size_t ValueEnd(const std::string& text, std::size_t begin) {
    if (begin < text.size() && (text[begin] == '"' || text[begin] == '\'')) {
        const std::size_t close = text.find(text[begin], begin + 1);
        return close == std::string::npos ? text.size() : close + 1;
    }
    const std::size_t blank = text.find_first_of(" \t\r\n", begin);
    return blank == std::string::npos ? text.size() : blank;
}

bool IsSecretName(const PropertyStore& store, const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return IsSecretProperty(store, name) ||
           (dot != std::string::npos && IsSecretProperty(store, name.substr(dot + 1)));
}

}  // namespace

bool IsSecretProperty(const PropertyStore& store, const std::string& name) {
    if (FindText(name.c_str(), "password", true))
        return true;
    for (const std::string& hidden : SplitNameList(store.Get(kHiddenPropertiesName))) {
        if (EqualsNoCase(hidden.c_str(), name.c_str()))
            return true;
    }
    return false;
}

std::vector<std::string> SecretValues(const PropertyStore& store) {
    std::vector<std::string> values;
    for (int i = 0; i < store.Count(); ++i) {
        const Property* property = store.At(i);
        if (property->Value.size() >= kShortestSearchedSecret &&
            IsSecretProperty(store, property->Name))
            values.push_back(property->Value);
    }
    // A secret that holds another is masked whole before the shorter one is looked for.
    std::sort(values.begin(), values.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return values;
}

std::string MaskSecrets(std::string text, const std::vector<std::string>& secrets) {
    for (const std::string& secret : secrets) {
        for (std::size_t at = text.find(secret); at != std::string::npos;
             at = text.find(secret, at + sizeof(kSecretMask) - 1))
            text.replace(at, secret.size(), kSecretMask);
    }
    return text;
}

std::string MaskSecretAssignments(std::string text, const PropertyStore& store) {
    for (std::size_t equals = text.find('='); equals != std::string::npos;
         equals = text.find('=', equals + 1)) {
        std::size_t start = equals;
        while (start > 0 && IsNameChar(text[start - 1])) --start;
        if (start == equals || !IsSecretName(store, text.substr(start, equals - start)))
            continue;
        const std::size_t end = ValueEnd(text, equals + 1);
        if (end > equals + 1)
            text.replace(equals + 1, end - equals - 1, kSecretMask);
    }
    return text;
}

std::string MaskSecretText(const std::string& text, const PropertyStore& store) {
    return MaskSecrets(MaskSecretAssignments(text, store), SecretValues(store));
}
