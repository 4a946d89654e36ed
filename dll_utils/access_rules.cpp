// Parsing access rule texts into rules.

#include "access_rules.h"

#include "registry.h"
#include "text_util.h"

namespace {

struct RightsRow {
    const char* word;
    unsigned long file;
    unsigned long key;
};

// FILE_GENERIC_READ, FILE_GENERIC_READ | FILE_EXECUTE, FILE_GENERIC_WRITE, and modify
// (read, write, execute and DELETE); KEY_READ, KEY_WRITE and both with DELETE for keys.
const RightsRow kRights[] = {
    {"R", 0x00120089UL, 0x00020019UL},
    {"RX", 0x001200A9UL, 0x00020019UL},
    {"W", 0x00120116UL, 0x00020006UL},
    {"M", 0x001301BFUL, 0x0003001FUL},
};

struct AccountRow {
    const char* word;
    const char* sid;
};

const AccountRow kAccounts[] = {
    {"CurrentUser", "CurrentUser"},
    {"Users", "S-1-5-32-545"},
    {"Administrators", "S-1-5-32-544"},
    {"AuthenticatedUsers", "S-1-5-11"},
    {"System", "S-1-5-18"},
};

// Everyone, anonymous logons and the null account.
const char* const kRefusedSids[] = {"S-1-1-0", "S-1-5-7", "S-1-0-0"};

bool Fail(std::string* reason, const std::string& text) {
    *reason = text;
    return false;
}

bool AccountSid(const std::string& word, std::string* sid) {
    for (const AccountRow& row : kAccounts) {
        if (EqualsNoCase(word.c_str(), row.word)) {
            *sid = row.sid;
            return true;
        }
    }
    if (!StartsWithNoCase(word, "S-1-"))
        return false;
    *sid = "S" + word.substr(1);
    return true;
}

bool ParseRule(const std::string& text, bool registryKey, AccessRule* rule, std::string* reason) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return Fail(reason, "rule without rights: '" + text + "'");
    const std::string account = Trim(text.substr(0, colon), " \t");
    const std::string rights = Trim(text.substr(colon + 1), " \t");
    if (!AccountSid(account, &rule->account))
        return Fail(reason, "unknown account '" + account + "'");
    for (const char* refused : kRefusedSids) {
        if (EqualsNoCase(rule->account.c_str(), refused))
            return Fail(reason, "access is never granted to '" + account + "'");
    }
    rule->mask = RightsMask(rights, registryKey);
    if (rule->mask == 0)
        return Fail(reason, "unknown rights '" + rights + "'");
    return true;
}

}  // namespace

unsigned long RightsMask(const std::string& word, bool registryKey) {
    for (const RightsRow& row : kRights) {
        if (EqualsNoCase(word.c_str(), row.word))
            return (registryKey ? row.key : row.file) & ~(kWriteDacRight | kWriteOwnerRight);
    }
    return 0;
}

bool ParseAccessRules(const std::string& spec, bool registryKey, std::vector<AccessRule>* rules,
                      std::string* reason) {
    rules->clear();
    std::size_t start = 0;
    while (start <= spec.size()) {
        std::size_t end = spec.find(';', start);
        if (end == std::string::npos)
            end = spec.size();
        const std::string text = Trim(spec.substr(start, end - start), " \t");
        start = end + 1;
        if (text.empty())
            continue;
        AccessRule rule;
        if (!ParseRule(text, registryKey, &rule, reason))
            return false;
        rules->push_back(rule);
    }
    return rules->empty() ? Fail(reason, "no rule") : true;
}

bool IsRegistryObject(const std::string& path) {
    RegistryPath parsed;
    return ParseRegistryPath(path, &parsed);
}
