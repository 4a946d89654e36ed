// Detection decisions against a fake Windows Installer and registry.

#include "product_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "log_capture.h"
#include "property_store.h"

namespace {

const char kUpgrade[] = "{0B0B0B0B-0000-4000-8000-0000000000FF}";
const char kAlpha[] = "{A1A1A1A1-0000-4000-8000-000000000001}";
const char kBeta20[] = "{B2B2B2B2-0000-4000-8000-000000000020}";
const char kBeta21[] = "{B2B2B2B2-0000-4000-8000-000000000021}";
const char kBeta21Twin[] = "{B2B2B2B2-0000-4000-8000-000000000022}";
const char kBroken[] = "{B2B2B2B2-0000-4000-8000-0000000000EE}";
const long kUnknownProduct = 1605;
const long kUnknownProperty = 1608;
const long kBadConfiguration = 1610;

using Properties = std::map<std::string, std::string>;

class FakePackage : public InstallerPackage {
  public:
    FakePackage(const Properties& properties, const std::string& revision)
        : properties_(properties), revision_(revision) {}
    long Property(const char* name, std::string* value) override {
        const auto it = properties_.find(name);
        if (it == properties_.end())
            return kUnknownProperty;
        *value = it->second;
        return 0;
    }
    long RevisionNumber(std::string* value) override {
        *value = revision_;
        return 0;
    }

  private:
    Properties properties_;
    std::string revision_;
};

// Answers from tables; lists end with endError (the end of the list unless set).
class FakeQueries : public InstallerQueries {
  public:
    long RelatedProduct(const char* upgradeCode, unsigned long index, std::string* code) override {
        return Item(related[upgradeCode], index, code);
    }
    long InstalledProduct(unsigned long index, std::string* code) override {
        return Item(products, index, code);
    }
    long ProductProperty(const char* code, const char* property, std::string* value) override {
        ++calls;
        ++propertyCalls[property];
        const auto product = productProperties.find(code);
        if (product == productProperties.end())
            return kUnknownProduct;
        const auto it = product->second.find(property);
        if (it == product->second.end())
            return kUnknownProperty;
        *value = it->second;
        return 0;
    }
    std::unique_ptr<InstallerPackage> OpenPackage(const char* path, long* error) override {
        ++calls;
        const auto it = packages.find(path);
        *error = it == packages.end() ? 110 : 0;
        return it == packages.end() ? nullptr
                                    : std::make_unique<FakePackage>(it->second, revisions[path]);
    }
    bool ReadRegistry(const std::string& path, RegistryView view, std::string* value,
                      long* error) override {
        ++calls;
        const auto it = registry.find(std::to_string(view) + path);
        *error = it == registry.end() ? 2 : 0;
        if (it != registry.end())
            *value = it->second;
        return it != registry.end();
    }
    long ListMachineSubkeys(const char* key, RegistryView view,
                            std::vector<std::string>* names) override {
        ++calls;
        EXPECT_STREQ(kUninstallKey, key);
        *names = subkeys[view];
        return subkeyErrors[view];
    }
    std::string FileVersion(const char* path) override {
        ++calls;
        return fileVersions[path];
    }
    std::string FileProductName(const char*) override { return std::string(); }

    std::map<std::string, std::vector<std::string>> related;
    std::vector<std::string> products;
    long endError = kInstallerNoMoreItems;
    std::map<std::string, Properties> productProperties;
    std::map<std::string, Properties> packages;
    std::map<std::string, std::string> revisions;
    std::map<std::string, std::string> registry;  // view number followed by the path
    std::map<int, std::vector<std::string>> subkeys;
    std::map<int, long> subkeyErrors;
    std::map<std::string, std::string> fileVersions;
    int calls = 0;
    std::map<std::string, int> propertyCalls;  // by property name

  private:
    long Item(const std::vector<std::string>& list, unsigned long index, std::string* code) {
        ++calls;
        if (index >= list.size())
            return endError;
        *code = list[index];
        return 0;
    }
};

class ProductInfoTest : public ::testing::Test {
  protected:
    void SetUp() override { previous_ = SetInstallerQueries(&fake_); }
    void TearDown() override { SetInstallerQueries(previous_); }

    void AddProduct(const char* code, const char* name, const char* version) {
        fake_.productProperties[code] = {{"VersionString", version},
                                         {"InstalledProductName", name}};
    }

    FakeQueries fake_;
    InstallerQueries* previous_ = nullptr;
    LogCapture log_;
    ProductInfo info_;
};

TEST_F(ProductInfoTest, ProductCodeInAnyCaseFillsTheRecordAndItsInstallDetails) {
    AddProduct(kAlpha, "Detect Alpha", "1.0.0");
    fake_.productProperties[kAlpha]["InstallLocation"] = "C:\\Alpha\\";
    fake_.productProperties[kAlpha]["InstallSource"] = "D:\\media\\";
    fake_.productProperties[kAlpha]["PackageCode"] = kBroken;
    for (const char* kind : {"p", "P"}) {
        ASSERT_TRUE(info_.Detect((std::string(kind) + kAlpha).c_str())) << kind;
        EXPECT_TRUE(info_.installed);
        EXPECT_STREQ(kAlpha, info_.productCode);
        EXPECT_STREQ("1.0.0", info_.version);
        EXPECT_STREQ("Detect Alpha", info_.productName);
        EXPECT_STREQ("C:\\Alpha\\", info_.installLocation);
        EXPECT_STREQ("D:\\media\\", info_.installSource);
        EXPECT_STREQ(kBroken, info_.packageCode);
    }
    EXPECT_FALSE(info_.Detect((std::string("p") + kBeta20).c_str()));
    EXPECT_STREQ(kBeta20, info_.productCode);
    EXPECT_STREQ("", info_.productName);  // nothing left over from the previous detection
    EXPECT_EQ(kUnknownProduct, LastInstallerError());
}

TEST_F(ProductInfoTest, InvalidIdentifiersAreRefusedWithoutAnyQuery) {
    const std::string bare = std::string(kAlpha).substr(1, 36);
    const struct {
        std::string identifier;
        std::string warning;
    } cases[] = {
        {"p" + bare, "[WARNING] Invalid Product Code '" + bare + "'!"},
        {"U" + bare + "}", "[WARNING] Invalid Upgrade Code '" + bare + "}'!"},
        {"i" + std::string(kAlpha) + "0",
         "[WARNING] Invalid InstallAnywhere Product ID '" + std::string(kAlpha) + "0'!"},
        {"x" + std::string(kAlpha), "[WARNING] Unknown Product ID prefix 'x' from 'x" +
                                        std::string(kAlpha) + "' (the prefix must be u|p|n|r|f)"},
        {"", "[WARNING] Empty Product ID!"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(info_.Detect(c.identifier.c_str())) << c.identifier;
        EXPECT_FALSE(info_.installed);
        EXPECT_TRUE(log_.Contains(c.warning + "\n")) << c.warning;
    }
    EXPECT_FALSE(info_.Detect(nullptr));
    EXPECT_EQ(0, fake_.calls);
}

TEST_F(ProductInfoTest, UpgradeCodeWithoutFilterTakesTheFirstProductWithAVersion) {
    AddProduct(kBeta20, "Beta", "");
    AddProduct(kBeta21, "Beta", "2.1.0");
    fake_.related[kUpgrade] = {kBroken, kBeta20, kBeta21};
    ASSERT_TRUE(info_.Detect((std::string("u") + kUpgrade).c_str()));
    EXPECT_STREQ(kUpgrade, info_.upgradeCode);
    EXPECT_STREQ(kBeta21, info_.productCode);
    EXPECT_STREQ("2.1.0", info_.version);

    fake_.related[kUpgrade] = {kBroken};
    EXPECT_FALSE(info_.Detect((std::string("u") + kUpgrade).c_str()));
    EXPECT_FALSE(log_.Contains("enumerating"));  // the end of the list is no error
    fake_.endError = kBadConfiguration;
    EXPECT_FALSE(info_.Detect((std::string("u") + kUpgrade).c_str()));
    EXPECT_TRUE(log_.Contains("[WARNING] Error '1610' enumerating related products for '" +
                              std::string(kUpgrade) + "': "));
    EXPECT_EQ(kBadConfiguration, LastInstallerError());
}

TEST_F(ProductInfoTest, UpgradeCodeWithFilterPicksThatVersionAndWarnsAboutTwins) {
    AddProduct(kBeta20, "Beta", "2.0.0");
    AddProduct(kBeta21, "Beta", "2.1.0");
    AddProduct(kBeta21Twin, "Beta", "2.1.0");
    fake_.related[kUpgrade] = {kBeta20, kBroken, kBeta21, kBeta21Twin};
    const std::string identifier = std::string("u") + kUpgrade;
    ASSERT_TRUE(info_.Detect(identifier.c_str(), "2.0.0"));
    EXPECT_STREQ(kBeta20, info_.productCode);
    EXPECT_FALSE(log_.Contains("instances"));
    EXPECT_TRUE(log_.Contains("[WARNING] Error '1605' during version retrieving for product '" +
                              std::string(kUpgrade) + "' with code '" + kBroken + "': "));

    ASSERT_TRUE(info_.Detect(identifier.c_str(), "2.1.0"));
    EXPECT_STREQ(kBeta21, info_.productCode);
    EXPECT_STREQ("2.1.0", info_.version);
    EXPECT_TRUE(log_.Contains("[WARNING] Detected 2 instances of 2.1.0 version for '" +
                              std::string(kUpgrade) + "' upgrade code!\n"));
    EXPECT_FALSE(info_.Detect(identifier.c_str(), "3.0"));
    EXPECT_STREQ("", info_.productCode);
}

// Every query of Windows Installer is a round of registry reads, and a chain detects each
// package several times: the version read to choose the product is the one kept.
TEST_F(ProductInfoTest, UpgradeCodeAsksEachRelatedProductForItsVersionOnce) {
    AddProduct(kBeta20, "Beta", "");
    AddProduct(kBeta21, "Beta", "2.1.0");
    fake_.related[kUpgrade] = {kBeta20, kBeta21};
    const std::string identifier = std::string("u") + kUpgrade;
    ASSERT_TRUE(info_.Detect(identifier.c_str()));
    EXPECT_STREQ(kBeta21, info_.productCode);
    EXPECT_STREQ("2.1.0", info_.version);
    EXPECT_STREQ("Beta", info_.productName);
    EXPECT_EQ(2, fake_.propertyCalls["VersionString"]);

    fake_.propertyCalls.clear();
    ASSERT_TRUE(info_.Detect(identifier.c_str(), "2.1.0"));
    EXPECT_STREQ(kBeta21, info_.productCode);
    EXPECT_STREQ("2.1.0", info_.version);
    EXPECT_STREQ("Beta", info_.productName);
    EXPECT_EQ(2, fake_.propertyCalls["VersionString"]);
}

TEST_F(ProductInfoTest, ProductNameMatchesWithoutRegardToCase) {
    AddProduct(kBeta20, "Detect Beta", "2.0.0");
    AddProduct(kAlpha, "Detect Alpha", "1.0.0");
    fake_.products = {kBroken, kBeta20, kAlpha};
    ASSERT_TRUE(info_.Detect("NDETECT ALPHA"));
    EXPECT_STREQ(kAlpha, info_.productCode);
    EXPECT_STREQ("1.0.0", info_.version);
    EXPECT_STREQ("DETECT ALPHA", info_.productName);
    EXPECT_FALSE(info_.Detect("nDetect"));
    EXPECT_FALSE(info_.Detect("n"));
    EXPECT_STREQ("", info_.productCode);  // not the product whose name cannot be read
    fake_.endError = kBadConfiguration;
    EXPECT_FALSE(info_.Detect("nDetect"));
    EXPECT_TRUE(log_.Contains("[WARNING] Error '1610' enumerating installed products: "));
}

TEST_F(ProductInfoTest, RegistryIdentifiersChooseTheirView) {
    const std::string path = "HKEY_LOCAL_MACHINE\\Software\\Tests\\Version";
    fake_.registry[std::to_string(kRegistryDefaultView) + path] = "own";
    fake_.registry[std::to_string(kRegistry64View) + path] = "64";
    fake_.registry[std::to_string(kRegistry32View) + path] = "32";
    const struct {
        const char* prefix;
        const char* version;
    } cases[] = {{"r", "own"}, {"r64", "64"}, {"R64", "64"}, {"r32", "32"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(info_.Detect((c.prefix + path).c_str())) << c.prefix;
        EXPECT_STREQ(c.version, info_.version);
        EXPECT_EQ(path, info_.registry);
    }
    EXPECT_FALSE(info_.Detect((std::string("r64") + path + "Missing").c_str()));
    EXPECT_EQ(path + "Missing", info_.registry);
}

TEST_F(ProductInfoTest, PackageFileGivesItsCodesAndVersion) {
    const char path[] = "C:\\media\\Alpha.MSI";
    fake_.packages[path] = {{"ProductVersion", "1.0.0"},
                            {"ProductName", "Detect Alpha"},
                            {"ProductCode", kAlpha},
                            {"UpgradeCode", kUpgrade}};
    fake_.revisions[path] = kBroken;
    ASSERT_TRUE(info_.Detect((std::string("f'") + path + "'").c_str()));
    EXPECT_STREQ(path, info_.installerFile);
    EXPECT_STREQ("1.0.0", info_.version);
    EXPECT_STREQ("Detect Alpha", info_.productName);
    EXPECT_STREQ(kAlpha, info_.productCode);
    EXPECT_STREQ(kUpgrade, info_.upgradeCode);
    EXPECT_STREQ(kBroken, info_.packageCode);  // not installed: the summary's code stays

    fake_.packages[path].erase("ProductVersion");
    EXPECT_FALSE(info_.Detect((std::string("f\"") + path + "\"").c_str()));
    EXPECT_STREQ(kAlpha, info_.productCode);
    EXPECT_FALSE(info_.Detect("f\"C:\\missing.msi\""));
    EXPECT_TRUE(
        log_.Contains("[WARNING] Cannot open the package 'C:\\missing.msi'. Error code '110'"));
    EXPECT_EQ(110, LastInstallerError());
}

TEST_F(ProductInfoTest, OtherFilesAreExpandedAndGiveTheirFileVersion) {
    PropertyStore store;
    store.Set("SourceDir", "C:\\media", false);
    PropertyStore* previous = CurrentPropertyStore();
    SetCurrentPropertyStore(&store);
    fake_.fileVersions["C:\\media\\setup.exe"] = "1.0.0.1";
    EXPECT_TRUE(info_.Detect("f\"[SourceDir]\\setup.exe\""));
    EXPECT_STREQ("C:\\media\\setup.exe", info_.installerFile);
    EXPECT_STREQ("1.0.0.1", info_.version);
    EXPECT_FALSE(info_.Detect("f\"[SourceDir]\\missing.exe\""));
    EXPECT_STREQ("C:\\media\\missing.exe", info_.installerFile);
    for (const char* tooShort : {"f", "f\"", "f\"\""}) {
        EXPECT_FALSE(info_.Detect(tooShort));
        EXPECT_STREQ("", info_.installerFile);
    }
    SetCurrentPropertyStore(previous);
}

TEST_F(ProductInfoTest, InstallAnywhereSearchesBothViewsForOneEntry) {
    const std::string key = std::string("HKEY_LOCAL_MACHINE\\") + kUninstallKey + "\\";
    const std::string id = "a1a1a1a1-0000-4000-8000-000000000001";  // stored without braces
    const std::string view64 = std::to_string(kRegistry64View);
    const std::string view32 = std::to_string(kRegistry32View);
    fake_.subkeys[kRegistry64View] = {"Other", "Alpha IA"};
    fake_.subkeys[kRegistry32View] = {"ALPHA IA", "Beta IA"};  // the first is seen already
    fake_.registry[view64 + key + "Alpha IA\\ProductID"] = id;
    fake_.registry[view64 + key + "Alpha IA\\DisplayName"] = "Alpha IA";
    fake_.registry[view64 + key + "Alpha IA\\DisplayVersion"] = "7.1";
    fake_.registry[view64 + key + "Alpha IA\\InstallLocation"] = "C:\\IA";
    fake_.registry[view64 + key + "Alpha IA\\UninstallString"] = "C:\\IA\\Uninstall.exe";
    fake_.registry[view32 + key + "ALPHA IA\\ProductID"] = id;
    fake_.registry[view32 + key + "Beta IA\\ProductID"] = "other";
    const std::string identifier = std::string("i") + kAlpha;
    ASSERT_TRUE(info_.Detect(identifier.c_str()));
    EXPECT_STREQ(kAlpha, info_.installAnywhereId);
    EXPECT_STREQ("Alpha IA", info_.productName);
    EXPECT_STREQ("7.1", info_.version);
    EXPECT_STREQ("C:\\IA", info_.installLocation);
    EXPECT_STREQ("C:\\IA\\Uninstall.exe", info_.uninstallString);

    fake_.registry[view32 + key + "Beta IA\\ProductID"] = id;  // a second product: ambiguous
    EXPECT_FALSE(info_.Detect(identifier.c_str()));
    EXPECT_STREQ("", info_.productName);
    fake_.registry[view32 + key + "Beta IA\\ProductID"] = "other";
    fake_.subkeyErrors[kRegistry64View] = 5;
    fake_.subkeyErrors[kRegistry32View] = 2;  // no such key in that view: quietly nothing
    EXPECT_FALSE(info_.Detect(identifier.c_str()));
    EXPECT_TRUE(log_.Contains(
        "[ERROR] Cannot determine installed products by InstallAnywhere. Error code '5': "));
    EXPECT_FALSE(log_.Contains("Error code '2'"));
}

TEST_F(ProductInfoTest, ReadFromPackageFillsTheSelectedFields) {
    fake_.packages["p.msi"] = {{"ProductVersion", "1.2"},
                               {"ProductName", std::string(300, 'n')},
                               {"ProductCode", kAlpha},
                               {"UpgradeCode", kUpgrade}};
    fake_.revisions["p.msi"] = kBroken;
    const char* fields[] = {info_.version, info_.productName, info_.productCode, info_.upgradeCode,
                            info_.packageCode};
    const char* expected[] = {"1.2", "", kAlpha, kUpgrade, kBroken};
    for (int selector = 0; selector < 5; ++selector) {
        info_.Clear();
        EXPECT_EQ(selector != 1, info_.ReadFromPackage("p.msi", selector));
        for (int field = 0; field < 5; ++field)
            EXPECT_STREQ(field == selector ? expected[field] : "", fields[field]) << selector;
    }
    EXPECT_TRUE(log_.Contains("[WARNING] Buffer too small (256), requires 301 buffer size!"));
    info_.Clear();
    EXPECT_FALSE(info_.ReadFromPackage("p.msi", -1));  // the name does not fit
    for (int field = 0; field < 5; ++field) EXPECT_STREQ(expected[field], fields[field]);
    EXPECT_FALSE(info_.ReadFromPackage("p.msi", 5));
}

TEST_F(ProductInfoTest, PrintWritesTheRecord) {
    std::strcpy(info_.version, "1.0.0");
    std::strcpy(info_.productName, "Detect Alpha");
    std::strcpy(info_.productCode, kAlpha);
    std::strcpy(info_.registry, "HKEY_LOCAL_MACHINE\\X\\V");
    std::strcpy(info_.installLocation, "C:\\Alpha\\");
    info_.Print("  ");
    EXPECT_TRUE(log_.Contains(std::string("  Product info:\n"
                                          "    Version      = 1.0.0\n"
                                          "    Product name = Detect Alpha\n"
                                          "    Product code = ") +
                              kAlpha +
                              "\n"
                              "    Upgrade code = \n"
                              "    Registry     = HKEY_LOCAL_MACHINE\\X\\V\n"
                              "    Inst.file    = \n"
                              "    Inst.location= C:\\Alpha\\\n"
                              "    Inst.source  = \n"))
        << log_.Text();
}

}  // namespace
