#include "form_check.h"

#include <cctype>

std::optional<int> ParseResourceId(const std::string& text) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        value = value * 10 + (c - '0');
        if (value > 65535)
            return std::nullopt;
    }
    if (value == 0)
        return std::nullopt;
    return static_cast<int>(value);
}

std::string CheckIdAttribute(const std::string& where, const std::optional<std::string>& id) {
    if (!id)
        return where + " has no Id attribute";
    if (id->empty())
        return where + " has an empty Id attribute";
    return std::string();
}

std::string CheckResourceIdAttribute(const std::string& where,
                                     const std::optional<std::string>& resourceId) {
    if (!resourceId)
        return where + " has no ResourceId attribute";
    if (!ParseResourceId(*resourceId))
        return where + " has the ResourceId '" + *resourceId +
               "', which is not a number from 1 to 65535";
    return std::string();
}
