// Secret property values: which properties are secret, and that no line of a log that
// knows the run's properties shows their values.

#include "secrets.h"

#include <gtest/gtest.h>

#include "fake_run.h"
#include "property_store.h"

namespace {

TEST(SecretsTest, NamesThatMarkASecret) {
    PropertyStore store;
    store.Set(kHiddenPropertiesName, " ApiKey, Token;pin\tOther ", true);
    struct Row {
        const char* name;
        bool secret;
    } const rows[] = {
        {"Password", true}, {"DbPASSWORD", true}, {"MSIProperty.SQLPassword", true},
        {"apikey", true},   {"Token", true},      {"PIN", true},
        {"Pass", false},    {"ApiKeys", false},   {"HiddenProperties", false},
        {"", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.secret, IsSecretProperty(store, row.name)) << row.name;
}

TEST(SecretsTest, ValuesAreMaskedLongestFirst) {
    PropertyStore store;
    store.Set("Password", "abcd", true);
    store.Set("AdminPassword", "abcdef-long", true);
    store.Set("ShortPassword", "123", true);  // too short to be searched in free text
    store.Set("Visible", "abcd", true);
    const std::vector<std::string> secrets = SecretValues(store);
    EXPECT_EQ((std::vector<std::string>{"abcdef-long", "abcd"}), secrets);
    EXPECT_EQ("user=x pw=****** again ****** ****** 123",
              MaskSecrets("user=x pw=abcdef-long again abcd abcd 123", secrets));
    EXPECT_EQ("", MaskSecrets("", secrets));
    EXPECT_EQ("nothing", MaskSecrets("nothing", {}));
}

TEST(SecretsTest, AssignmentsOfSecretNamesAreMaskedWhateverTheValue) {
    PropertyStore store;
    store.Set(kHiddenPropertiesName, "Pin", true);
    struct Row {
        const char* text;
        const char* masked;
    } const rows[] = {
        {"setup.exe P.Pin=42 LEVEL=3", "setup.exe P.Pin=****** LEVEL=3"},
        {"x MSIProperty.DBPASSWORD=\"a b\" y", "x MSIProperty.DBPASSWORD=****** y"},
        {"Properties: PIN='7' Version='1'", "Properties: PIN=****** Version='1'"},
        {"Password= and Pin=", "Password= and Pin="},
        {"a=b c==d =e", "a=b c==d =e"},
        {"UserPassword=\"unclosed", "UserPassword=******"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.masked, MaskSecretAssignments(row.text, store));
}

TEST(SecretsTest, EveryLineOfALogWithASecretSourceIsMasked) {
    PropertyStore store;
    MemoryLog log;
    log.File().Line("before: %s", "hunter22");
    log.File().SetSecretSource(&store);
    store.Set("SetupPassword", "hunter22", true);  // set after the source was given
    log.File().Line("command: setup.exe /p:%s", "hunter22");
    log.File().Error("failed with %s", "hunter22");
    EXPECT_EQ("before: hunter22\ncommand: setup.exe /p:******\n[ERROR] failed with ******\n",
              log.Text());
}

}  // namespace
