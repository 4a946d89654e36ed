#pragma once
// Secret property values and their masking in the log. A property is secret when its name
// contains "Password" (any case) or when the property "HiddenProperties" lists it (names
// separated by ",", ";", blanks or tabs). Its value is written as "******" in every line of
// the log, and the lines that list properties by name mask them by name.

#include <string>
#include <vector>

class PropertyStore;

extern const char kSecretMask[];            // "******"
extern const char kHiddenPropertiesName[];  // "HiddenProperties"

bool IsSecretProperty(const PropertyStore& store, const std::string& name);

// The values of the secret properties that free text is searched for, longest first. A
// value shorter than four characters is left out: masking every "1" or "Yes" of the log
// would destroy it; such values are masked only where a line names their property.
std::vector<std::string> SecretValues(const PropertyStore& store);

// text with every occurrence of each secret replaced by the mask.
std::string MaskSecrets(std::string text, const std::vector<std::string>& secrets);

// text with the value of every assignment "Name=value" (value up to the next blank, or a
// quoted text) masked when Name, or its last part after ".", is a secret property: catches
// short secrets where a command line names them ("P.Pin=42").
std::string MaskSecretAssignments(std::string text, const PropertyStore& store);

// Both maskings, as the log applies them to each line.
std::string MaskSecretText(const std::string& text, const PropertyStore& store);
