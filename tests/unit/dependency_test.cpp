// The dependency check of the run against a fake Windows Installer and a fake machine type:
// the result text of each comparison, machine-type skips, vital and non-vital counters and
// texts, the log lines and the summary.

#include "dependency_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "config_interpreter.h"
#include "log_capture.h"
#include "product_info.h"

namespace {

const char kPresent[] = "p{0D0D0D0D-0000-4000-8000-000000000001}";
const char kMissing[] = "p{0D0D0D0D-0000-4000-8000-000000000002}";

// Installed Windows Installer products by product code.
class FakeQueries : public InstallerQueries {
  public:
    long RelatedProduct(const char*, unsigned long, std::string*) override {
        return kInstallerNoMoreItems;
    }
    long InstalledProduct(unsigned long, std::string*) override { return kInstallerNoMoreItems; }
    long ProductProperty(const char* code, const char* property, std::string* value) override {
        const auto it = versions.find(code);
        if (it == versions.end())
            return 1605;  // unknown product
        *value = std::string(property) == "VersionString" ? it->second : "Dependency Product";
        return 0;
    }
    std::unique_ptr<InstallerPackage> OpenPackage(const char*, long* error) override {
        *error = 110;
        return nullptr;
    }
    bool ReadRegistry(const std::string&, RegistryView, std::string*, long* error) override {
        *error = 2;
        return false;
    }
    long ListMachineSubkeys(const char*, RegistryView, std::vector<std::string>*) override {
        return 2;
    }
    std::string FileVersion(const char*) override { return std::string(); }
    std::string FileProductName(const char*) override { return std::string(); }

    std::map<std::string, std::string> versions;
};

class FakeProbe : public MachineProbe {
  public:
    bool HasChassisSerial() override {
        ++calls;
        return serial;
    }
    bool OemManufacturer(std::string* value, long* errorCode) override {
        ++calls;
        *value = manufacturer;
        *errorCode = folderError;
        return folderError == 0;
    }

    bool serial = false;
    std::string manufacturer = "NO";
    long folderError = 0;
    int calls = 0;
};

struct Dep {
    const char* tag = "Dep";
    const char* detect = "";
    const char* versionRE = "";
    const char* versionList = "";
    const char* machineType = "";
    const char* message = "";
    const char* versionText = "";
    bool vital = true;
};

DependencyRecord Record(const Dep& d) {
    DependencyRecord record;
    std::memset(&record, 0, sizeof(record));
    std::strncpy(record.tag, d.tag, sizeof(record.tag) - 1);
    std::strncpy(record.detect, d.detect, sizeof(record.detect) - 1);
    std::strncpy(record.versionRE, d.versionRE, sizeof(record.versionRE) - 1);
    std::strncpy(record.versionList, d.versionList, sizeof(record.versionList) - 1);
    std::strncpy(record.machineType, d.machineType, sizeof(record.machineType) - 1);
    std::strncpy(record.message, d.message, sizeof(record.message) - 1);
    std::strncpy(record.versionText, d.versionText, sizeof(record.versionText) - 1);
    record.vital = d.vital;
    return record;
}

Dep Detect(const char* detect, const char* re, const char* list) {
    Dep d;
    d.detect = detect;
    d.versionRE = re;
    d.versionList = list;
    return d;
}

Dep Typed(const char* type, const char* detect) {
    Dep d = Detect(detect, "1\\..*", "");
    d.machineType = type;
    return d;
}

class DependencyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        queries_.versions[kPresent + 1] = "1.2.3";
        previous_ = SetInstallerQueries(&queries_);
    }
    void TearDown() override { SetInstallerQueries(previous_); }

    FakeQueries queries_;
    FakeProbe probe_;
    InstallerQueries* previous_ = nullptr;
};

struct ResultRow {
    const char* name;
    Dep dep;
    bool chassis;
    const char* text;
    bool failed;
};

TEST_F(DependencyTest, ResultTextAndFailureOfEachComparison) {
    const ResultRow rows[] = {
        {"no product id", Detect("", "1\\..*", "1.0-2.0"), false,
         "'Dep' product code or version not specified", true},
        {"no version wanted", Detect(kPresent, "", ""), false,
         "'Dep' product code or version not specified", true},
        {"missing with list and RE", Detect(kMissing, "1\\..*", "1.0-2.0"), false,
         "'Dep' no version found for range '1.0-2.0' or RE '1\\..*'", true},
        {"missing with RE only", Detect(kMissing, "1\\..*", ""), false,
         "'Dep' no version found for range '' or RE '1\\..*'", true},
        {"pattern matched", Detect(kPresent, "1\\.2\\..*", ""), false,
         "'Dep' installed version '1.2.3' is matching the required one", false},
        {"pattern not matched", Detect(kPresent, "2\\..*", ""), false,
         "'Dep' installed version '1.2.3' is NOT matching the required one", true},
        {"in range", Detect(kPresent, "", "1.0-1.5"), false,
         "'Dep' installed version '1.2.3' is in the specified range [1.0-1.5]", false},
        {"single version in list", Detect(kPresent, "", "0.9,1.2.3"), false,
         "'Dep' installed version '1.2.3' is in the specified range [0.9,1.2.3]", false},
        {"out of range", Detect(kPresent, "", "2.0-3.0,4.0"), false,
         "'Dep' installed version '1.2.3' is NOT in the specified range [2.0-3.0,4.0]", true},
        {"list with blanks", Detect(kPresent, "", " 1.0-1.5\t"), false,
         "'Dep' installed version '1.2.3' is in the specified range [ 1.0-1.5\t]", false},
        {"bad pattern", Detect(kPresent, "(1.2", ""), false, "ERROR checking dependency 'Dep'",
         true},
        {"list decides over a failing RE", Detect(kPresent, "9\\..*", "1.0-1.5"), false,
         "'Dep' installed version '1.2.3' is in the specified range [1.0-1.5]", false},
        {"list decides over a matching RE", Detect(kPresent, "1\\..*", "3.0"), false,
         "'Dep' installed version '1.2.3' is NOT in the specified range [3.0]", true},
        {"list decides over a bad RE", Detect(kPresent, "(", "1.0-1.5"), false,
         "'Dep' installed version '1.2.3' is in the specified range [1.0-1.5]", false},
        {"chassis only, on a workstation", Typed("Tarvex Chassis", kMissing), false,
         "Is not Chassis. Skipping the dependency Dep...", false},
        {"chassis only, on a chassis", Typed("Tarvex Chassis", kMissing), true,
         "'Dep' no version found for range '' or RE '1\\..*'", true},
        {"workstation only, on a chassis", Typed("Workstation", kMissing), true,
         "Is a Chassis. Skipping the dependency Dep...", false},
        {"workstation only, on a workstation", Typed("Workstation", kPresent), false,
         "'Dep' installed version '1.2.3' is matching the required one", false},
        {"unknown machine type is checked", Typed("Server", kMissing), true,
         "'Dep' no version found for range '' or RE '1\\..*'", true},
    };
    for (const ResultRow& row : rows) {
        LogCapture log;
        const DependencyResult result = CheckDependency(Record(row.dep), row.chassis, queries_);
        EXPECT_EQ(row.text, result.text) << row.name;
        EXPECT_EQ(row.failed, result.failed) << row.name;
    }
}

struct ChassisRow {
    const char* name;
    bool serial;
    const char* manufacturer;
    long folderError;
    bool chassis;
};

TEST_F(DependencyTest, MachineTypeFromSerialOrManufacturer) {
    const ChassisRow rows[] = {
        {"serial number", true, "NO", 0, true},
        {"serial number wins over the file", true, "Other", 0, true},
        {"manufacturer in any case", false, "TarVex", 0, true},
        {"part of the name", false, "vex", 0, true},
        {"longer than the name", false, "Tarvex Inc", 0, false},
        {"empty manufacturer", false, "", 0, false},
        {"no oeminfo.ini", false, "NO", 0, false},
        {"no system folder", false, "Tarvex", 5, false},
    };
    for (const ChassisRow& row : rows) {
        FakeProbe probe;
        probe.serial = row.serial;
        probe.manufacturer = row.manufacturer;
        probe.folderError = row.folderError;
        LogCapture log;
        EXPECT_EQ(row.chassis, IsChassis(probe)) << row.name;
        EXPECT_EQ(row.folderError != 0, log.Contains("Context:    IsChassis")) << row.name;
    }
}

TEST_F(DependencyTest, NothingIsCheckedWhenSwitchedOffOrEmpty) {
    const std::vector<DependencyRecord> one = {Record(Detect(kMissing, "1.*", ""))};
    for (const bool checkDepends : {false, true}) {
        LogCapture log;
        const std::vector<DependencyRecord> records =
            checkDepends ? std::vector<DependencyRecord>() : one;
        const DependencyOutcome outcome =
            CheckDependencies(records, checkDepends, probe_, queries_, Log());
        EXPECT_EQ("No dependencies to check", outcome.summary);
        EXPECT_EQ(0, outcome.vitalFailures + outcome.nonVitalFailures);
        EXPECT_EQ("", log.Text());
    }
    EXPECT_EQ(0, probe_.calls);
}

TEST_F(DependencyTest, CountersTextsLinesAndSummary) {
    Dep vitalWithMessage = Detect(kMissing, "1\\..*", "");
    vitalWithMessage.tag = "A";
    vitalWithMessage.message = "Install A first";
    vitalWithMessage.versionText = "A 1.x";
    Dep vitalWithVersionText = Detect(kPresent, "", "5.0");
    vitalWithVersionText.tag = "B";
    vitalWithVersionText.versionText = "B 5.0";
    Dep nonVital = Detect(kPresent, "3\\..*", "");
    nonVital.tag = "C";
    nonVital.message = "C 3 is better";
    nonVital.vital = false;
    Dep passing = Detect(kPresent, "1\\..*", "");
    passing.tag = "D";
    passing.vital = false;
    Dep skipped = Typed("Tarvex Chassis", kMissing);
    skipped.tag = "E";
    Dep silent = Detect("", "", "");
    silent.tag = "F";
    silent.vital = false;
    const std::vector<DependencyRecord> records = {
        Record(vitalWithMessage), Record(vitalWithVersionText),
        Record(nonVital),         Record(passing),
        Record(skipped),          Record(silent)};
    LogCapture log;
    const DependencyOutcome outcome = CheckDependencies(records, true, probe_, queries_, Log());
    EXPECT_EQ(2, outcome.vitalFailures);
    EXPECT_EQ(2, outcome.nonVitalFailures);
    EXPECT_EQ("Install A first\nB 5.0\n", outcome.vitalText);
    EXPECT_EQ("C 3 is better\n", outcome.nonVitalText);
    EXPECT_EQ("2/6 dependencies found", outcome.summary);
    EXPECT_EQ(
        "    ERROR   'A' no version found for range '' or RE '1\\..*' (vital)\n"
        "    ERROR   'B' installed version '1.2.3' is NOT in the specified range [5.0] (vital)\n"
        "    WARNING 'C' installed version '1.2.3' is NOT matching the required one (non vital)\n"
        "    'D' installed version '1.2.3' is matching the required one (non vital)\n"
        "    Is not Chassis. Skipping the dependency E... (vital)\n"
        "    WARNING 'F' product code or version not specified (non vital)\n",
        log.Text());
}

struct SummaryRow {
    int passing;
    int failing;
    const char* summary;
};

TEST_F(DependencyTest, SummaryCountsFoundDependencies) {
    const SummaryRow rows[] = {
        {1, 0, "1/1 dependency found"},   {0, 1, "0/1 dependencies found"},
        {1, 1, "1/2 dependency found"},   {2, 0, "2/2 dependencies found"},
        {2, 1, "2/3 dependencies found"}, {20, 0, "16/16 dependencies found"},
    };
    for (const SummaryRow& row : rows) {
        std::vector<DependencyRecord> records;
        for (int i = 0; i < row.failing; ++i)
            records.push_back(Record(Detect(kMissing, "1.*", "")));
        for (int i = 0; i < row.passing; ++i)
            records.push_back(Record(Detect(kPresent, "1.*", "")));
        LogCapture log;
        const DependencyOutcome outcome = CheckDependencies(records, true, probe_, queries_, Log());
        EXPECT_EQ(row.summary, outcome.summary);
        EXPECT_EQ(row.failing, outcome.vitalFailures);
    }
}

TEST_F(DependencyTest, SkipsFollowTheProbedMachineType) {
    probe_.manufacturer = "Tarvex";
    const std::vector<DependencyRecord> records = {Record(Typed("Workstation", kMissing)),
                                                   Record(Typed("Tarvex Chassis", kPresent))};
    LogCapture log;
    const DependencyOutcome outcome = CheckDependencies(records, true, probe_, queries_, Log());
    EXPECT_EQ(0, outcome.vitalFailures);
    EXPECT_EQ("2/2 dependencies found", outcome.summary);
    EXPECT_TRUE(log.Contains("    Is a Chassis. Skipping the dependency Dep... (vital)\n"));
}

}  // namespace
