#pragma once
// The access rule text of SetAccessPermissions and the rights the procedures grant.
//
// A rule text is a list of rules separated by ";", each "account:rights". The account
// is a security identifier in text form ("S-1-5-32-545") or one of the words
// "CurrentUser", "Users", "Administrators", "AuthenticatedUsers", "System". The rights are
// "R" (read), "RX" (read and execute), "W" (write) or "M" (modify: read, write, execute,
// delete). Full control is not offered: no rule hands out the right to change the rules or
// the owner, and no rule names everyone or anonymous users.

#include <string>
#include <vector>

struct AccessRule {
    std::string account;  // "S-1-..." or "CurrentUser"
    unsigned long mask = 0;
};

// Windows access masks the rules never carry.
constexpr unsigned long kWriteDacRight = 0x00040000UL;
constexpr unsigned long kWriteOwnerRight = 0x00080000UL;

// The mask of a rights word for a file system object or a registry key, without the rights
// to change rules or owner; 0 for an unknown word.
unsigned long RightsMask(const std::string& word, bool registryKey);

// The rules of a rule text; false with the reason for an empty list, an unknown account
// word or rights word, or an account that stands for everyone.
bool ParseAccessRules(const std::string& spec, bool registryKey, std::vector<AccessRule>* rules,
                      std::string* reason);

// Whether a path names a registry key (begins with a known root name).
bool IsRegistryObject(const std::string& path);
