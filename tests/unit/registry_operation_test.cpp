// The registry operation engine on the fake machine: what each operation makes of the value
// before it, the list rule of Extract, what types may be written, the removal of keys only
// when they are empty, and the texts of its failures.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_run.h"
#include "registry_keys.h"
#include "registry_operation.h"
#include "registry_vocabulary.h"

namespace {

const char kKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests\\Ops";
const char kPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests\\Ops\\Path";
const char* const kMissing = nullptr;

class RegistryOperationTest : public ::testing::Test {
  protected:
    long Run(int operation, const std::string& value, const std::string& separator = ";",
             unsigned long type = kRegString, const std::string& path = kPath) {
        RegistryRequest request;
        request.operation = operation;
        request.path = path;
        request.value = value;
        request.type = type;
        request.separator = separator;
        return RegistryOperation(machine_, log_.File(), request, &outcome_);
    }

    FakeMachine machine_;
    MemoryLog log_;
    RegistryOutcome outcome_;
};

TEST(RegistryVocabularyTest, OperationsAndTypes) {
    struct Row {
        const char* text;
        int operation;
        const char* value;
    } const rows[] = {
        {"=x", kRegOpSet, "x"},     {":x", kRegOpCreate, "x"},
        {"-", kRegOpRemove, ""},    {"+C:\\T", kRegOpAppend, "C:\\T"},
        {"^a", kRegOpPrefix, "a"},  {"/a", kRegOpExtract, "a"},
        {"x=", kRegOpCreate, "x="}, {"", kRegOpCreate, ""},
        {"==", kRegOpSet, "="},
    };
    for (const Row& row : rows) {
        std::string value;
        EXPECT_EQ(row.operation, SplitRegistryOperation(row.text, &value)) << row.text;
        EXPECT_EQ(row.value, value) << row.text;
    }
    EXPECT_STREQ("None", RegistryOperationName(kRegOpNone));
    EXPECT_STREQ("Extract", RegistryOperationName(kRegOpExtract));
    EXPECT_STREQ("Unknown", RegistryOperationName(7));

    EXPECT_EQ(kRegString, RegistryTypeFromShortName(""));
    EXPECT_EQ(kRegDword, RegistryTypeFromShortName("DWORD"));
    EXPECT_EQ(kRegBinary, RegistryTypeFromShortName("hex"));
    EXPECT_EQ(kRegNone, RegistryTypeFromShortName("qword"));
    EXPECT_EQ(kRegExpandString, RegistryTypeFromLongName("reg_expand_sz"));
    EXPECT_EQ(kRegNone, RegistryTypeFromLongName("REG_QWORD"));
    EXPECT_STREQ("REG_MULTI_SZ", RegistryTypeLongName(kRegMultiString));
    EXPECT_STREQ("expand", RegistryTypeShortName(kRegExpandString));
    EXPECT_STREQ("Unknown", RegistryTypeLongName(kRegQword));
    EXPECT_STREQ("Unknown", RegistryTypeShortName(99));
}

TEST_F(RegistryOperationTest, ValuesBeforeAndAfterEachOperation) {
    struct Row {
        int operation;
        const char* before;  // kMissing: no value
        const char* value;
        const char* separator;
        const char* after;  // kMissing: no value
    } const rows[] = {
        {kRegOpAppend, "C:\\A", "C:\\Tools", ";", "C:\\A;C:\\Tools"},
        {kRegOpAppend, "", "C:\\Tools", ";", "C:\\Tools"},
        {kRegOpAppend, kMissing, "C:\\Tools", ";", "C:\\Tools"},
        {kRegOpPrefix, "C:\\A", "C:\\Tools", ";", "C:\\Tools;C:\\A"},
        {kRegOpPrefix, kMissing, "C:\\Tools", ";", "C:\\Tools"},
        {kRegOpExtract, "C:\\A;C:\\Tools;C:\\B", "C:\\Tools", ";", "C:\\A;C:\\B"},
        {kRegOpExtract, "C:\\Tools;C:\\A", "C:\\Tools", ";", "C:\\A"},
        {kRegOpExtract, "C:\\A;C:\\TOOLS", "c:\\tools", ";", "C:\\A"},
        {kRegOpExtract, "C:\\A;C:\\Tools;C:\\Tools", "C:\\Tools", ";", "C:\\A;C:\\Tools"},
        // An item that merely contains the value is left alone.
        {kRegOpExtract, "C:\\A;C:\\Tools2;C:\\B", "C:\\Tools", ";", "C:\\A;C:\\Tools2;C:\\B"},
        {kRegOpExtract, "C:\\A", "C:\\Tools", ";", "C:\\A"},
        {kRegOpExtract, "C:\\A", "", ";", "C:\\A"},
        {kRegOpExtract, kMissing, "C:\\Tools", ";", kMissing},
        // Without a separator the value is text, not a list: its first occurrence goes.
        {kRegOpExtract, "ab-x-ab", "ab", "", "-x-ab"},
        {kRegOpExtract, "AB-x", "ab", "", "AB-x"},
        {kRegOpExtract, "a, b, c", ", b", ", ", "a, b, c"},
        {kRegOpExtract, "a, b, c", "b", ", ", "a, c"},
        {kRegOpSet, kMissing, "x", ";", kMissing},
        {kRegOpSet, "old", "x", ";", "x"},
        {kRegOpCreate, kMissing, "x", ";", "x"},
        {kRegOpCreate, "old", "", ";", ""},
        {kRegOpRemove, "old", "", ";", kMissing},
        {kRegOpRemove, kMissing, "", ";", kMissing},
        {kRegOpNone, "old", "x", ";", "old"},
    };
    for (const Row& row : rows) {
        FakeMachine machine;
        MemoryLog log;
        if (row.before)
            machine.SetValue(kPath, row.before);
        RegistryRequest request;
        request.operation = row.operation;
        request.path = kPath;
        request.value = row.value;
        request.separator = row.separator;
        RegistryOutcome outcome;
        const std::string label = std::string(RegistryOperationName(row.operation)) + " '" +
                                  row.value + "' on " + (row.before ? row.before : "NONE");
        EXPECT_EQ(0, RegistryOperation(machine, log.File(), request, &outcome)) << label;
        EXPECT_EQ(row.before != kMissing, outcome.hadPrevious) << label;
        EXPECT_EQ(row.before ? row.before : "", outcome.previous) << label;
        EXPECT_EQ(row.after != kMissing, outcome.hasNew) << label;
        EXPECT_EQ(row.after ? row.after : "", outcome.now) << label;
        TypedRegistryValue stored;
        long error = 0;
        EXPECT_EQ(row.after != kMissing,
                  machine.ReadTyped(kPath, &stored, kRegistryDefaultView, &error))
            << label;
        EXPECT_EQ(row.after ? row.after : "", stored.text) << label;
        EXPECT_EQ("", log.Text()) << label;
    }
}

TEST_F(RegistryOperationTest, SetNeverCreatesAKeyAndCreateDoes) {
    EXPECT_EQ(0, Run(kRegOpSet, "x"));
    EXPECT_FALSE(machine_.HasKey(kKey));
    EXPECT_EQ(0, Run(kRegOpAppend, "x"));
    EXPECT_TRUE(machine_.HasKey(kKey));
    EXPECT_EQ("x", machine_.Value(kPath));

    machine_.createKeyFailure = 5;
    const std::string other = "HKEY_CURRENT_USER\\Software\\TarvexTests\\New\\V";
    EXPECT_EQ(5, Run(kRegOpCreate, "y", ";", kRegString, other));
    EXPECT_TRUE(
        log_.Contains("[ERROR] Registry key 'HKEY_CURRENT_USER\\Software\\TarvexTests\\New' "
                      "does not exist and could not be created!\n"));
    EXPECT_FALSE(outcome_.hasNew);
    log_.Clear();
    EXPECT_EQ(2, WriteTypedRegistryValue(machine_, log_.File(), other, "y", kRegString, false,
                                         kRegistryDefaultView));
    EXPECT_EQ(
        "[ERROR] Registry key 'HKEY_CURRENT_USER\\Software\\TarvexTests\\New' does not "
        "exist!\n",
        log_.Text());
}

TEST_F(RegistryOperationTest, TypesThatCanBeWrittenAndThoseRefused) {
    EXPECT_EQ(0, Run(kRegOpCreate, "+12", ";", kRegDword));
    EXPECT_EQ(kRegDword, machine_.TypeOf(kPath));
    EXPECT_EQ("12", machine_.Value(kPath));
    EXPECT_EQ(0, Run(kRegOpCreate, "%SystemRoot%", ";", kRegExpandString));
    EXPECT_EQ(kRegExpandString, machine_.TypeOf(kPath));
    EXPECT_EQ("%SystemRoot%", machine_.Value(kPath));

    struct Row {
        unsigned long type;
        const char* value;
        long code;
        const char* error;
    } const rows[] = {
        {kRegDword, "12a", 13, "[ERROR] Registry set: cannot convert '12a' value to DWORD\n"},
        {kRegDword, "05", 13, "[ERROR] Registry set: cannot convert '05' value to DWORD\n"},
        {kRegMultiString, "a", 50,
         "[ERROR] Registry operations for multiline string entries are not implemented!\n"},
        {kRegBinary, "00", 50,
         "[ERROR] Registry operations for binary entries are not implemented!\n"},
        {kRegQword, "1", 50, "[ERROR] Registry type '11' not supported\n"},
        {kRegNone, "1", 50, "[ERROR] Registry type '0' not supported\n"},
    };
    const std::string other = "HKEY_CURRENT_USER\\Software\\TarvexTests\\Typed\\V";
    for (const Row& row : rows) {
        log_.Clear();
        EXPECT_EQ(row.code, Run(kRegOpCreate, row.value, ";", row.type, other)) << row.value;
        EXPECT_EQ(row.error, log_.Text());
        EXPECT_FALSE(machine_.HasKey("HKEY_CURRENT_USER\\Software\\TarvexTests\\Typed"))
            << row.error;
    }
    // A list can only be rebuilt from the whole text of a value: a multi-string reads as its
    // first string, so appending to it would lose the others.
    machine_.SetTypedValue(other, std::string("a\0b\0", 4), kRegMultiString);
    log_.Clear();
    EXPECT_EQ(50, Run(kRegOpAppend, "c", ";", kRegString, other));
    EXPECT_EQ(kRegMultiString, machine_.TypeOf(other));
    EXPECT_TRUE(log_.Contains("multiline string entries are not implemented"));
}

TEST_F(RegistryOperationTest, AValueThatCannotBeReadIsNotRebuilt) {
    machine_.SetValue(kPath, "C:\\A;C:\\B");
    machine_.typedReadFailure = 5;
    EXPECT_EQ(5, Run(kRegOpAppend, "C:\\Tools"));
    EXPECT_EQ(5, Run(kRegOpSet, "x"));
    EXPECT_EQ("C:\\A;C:\\B", machine_.Value(kPath));
    EXPECT_EQ(0, Run(kRegOpCreate, "x"));  // writes the same whatever was there
    EXPECT_EQ("x", machine_.Value(kPath));
}

TEST_F(RegistryOperationTest, KeysAreRemovedOnlyWhenEmpty) {
    const std::string key = std::string(kKey) + "\\";
    machine_.SetValue(kPath, "x");
    EXPECT_EQ(0, Run(kRegOpRemove, "", ";", kRegString, key));
    EXPECT_TRUE(machine_.HasKey(kKey));
    EXPECT_EQ("[WARNING] Registry key '" + std::string(kKey) +
                  "' not empty and it will not be deleted!\n",
              log_.Text());

    EXPECT_EQ(0, Run(kRegOpRemove, "", ";", kRegString, kPath));
    long error = 0;
    machine_.CreateKey(std::string(kKey) + "\\Sub", kRegistryDefaultView, &error);
    log_.Clear();
    EXPECT_EQ(0, Run(kRegOpRemove, "", ";", kRegString, key));
    EXPECT_TRUE(machine_.HasKey(kKey));
    EXPECT_TRUE(log_.Contains("not empty"));

    machine_.DeleteKey(std::string(kKey) + "\\Sub", kRegistryDefaultView, &error);
    log_.Clear();
    EXPECT_EQ(0, Run(kRegOpRemove, "", ";", kRegString, key));
    EXPECT_FALSE(machine_.HasKey(kKey));
    EXPECT_TRUE(machine_.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvexTests"));
    EXPECT_EQ(0, Run(kRegOpRemove, "", ";", kRegString, key));  // gone already
    EXPECT_EQ("", log_.Text());

    // A root is never a key to remove, whatever a property left of the path.
    EXPECT_EQ(87, Run(kRegOpRemove, "", ";", kRegString, "HKEY_LOCAL_MACHINE\\"));
    EXPECT_TRUE(log_.Contains("[ERROR] Error 87 parsing registry path 'HKEY_LOCAL_MACHINE\\': "));
    EXPECT_EQ(87, Run(kRegOpCreate, "x", ";", kRegString, "HKEY_NOWHERE\\Key\\V"));
    EXPECT_TRUE(log_.Contains("parsing registry path 'HKEY_NOWHERE\\Key\\V'"));
}

TEST_F(RegistryOperationTest, KeyOperations) {
    EXPECT_EQ(2, CheckRegKey(machine_, log_.File(), kKey, kRegistryDefaultView));
    EXPECT_EQ("Key not found\n", log_.Text());
    EXPECT_EQ(
        0, CreateRegKey(machine_, log_.File(), std::string(kKey) + "\\A\\", kRegistryDefaultView));
    EXPECT_EQ(0, CheckRegKey(machine_, log_.File(), kKey, kRegistryDefaultView));
    std::vector<std::string> names;
    EXPECT_EQ(0, EnumerateRegKeys(machine_, log_.File(), kKey, &names, kRegistryDefaultView));
    EXPECT_EQ(std::vector<std::string>{"a"}, names);  // the fake keeps keys in lower case
    std::vector<RegistryValue> values;
    EXPECT_EQ(2, EnumerateRegValues(machine_, log_.File(), std::string(kKey) + "\\B", &values,
                                    kRegistryDefaultView));

    EXPECT_EQ(145, DeleteRegEmptyKey(machine_, log_.File(), kKey, kRegistryDefaultView));
    EXPECT_EQ(0, DeleteRegKey(machine_, log_.File(), kKey, kRegistryDefaultView));
    EXPECT_FALSE(machine_.HasKey(std::string(kKey) + "\\A"));
    EXPECT_EQ(87, DeleteRegKey(machine_, log_.File(), "HKEY_CURRENT_USER", kRegistryDefaultView));

    machine_.createKeyFailure = 5;
    log_.Clear();
    EXPECT_EQ(5, CreateRegKey(machine_, log_.File(), kKey, kRegistryDefaultView));
    EXPECT_EQ(
        0u, log_.Text().find("[ERROR] Error 5 creating registry key '" + std::string(kKey) + "': "))
        << log_.Text();
}

}  // namespace
