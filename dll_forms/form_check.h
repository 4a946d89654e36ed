#pragma once
// The checks a form file must pass, element by element: what a schema would say about the
// attributes that the forms need. Each check returns an empty text when the element is
// usable, else one sentence that names the element and what is wrong with it.

#include <optional>
#include <string>

// The value of a ResourceId attribute: a decimal number that starts at its first
// character (the rest is ignored) and fits a dialog or control identifier (1 to 65535).
// Null when the text does not start with a digit or the number is out of range.
std::optional<int> ParseResourceId(const std::string& text);

// where: how the element is named in the sentence (for example "Form 'Welcome'").
std::string CheckIdAttribute(const std::string& where, const std::optional<std::string>& id);
std::string CheckResourceIdAttribute(const std::string& where,
                                     const std::optional<std::string>& resourceId);
