// Detection against real products: the program installs the packages built from
// tests/fixtures/wix with msiexec into its own fresh prefix before the tests run.

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "child_process.h"
#include "log_capture.h"
#include "product_info.h"

namespace {

const char kAlpha[] = "{7A45E001-A1FA-4000-8000-000000000100}";
const char kAlphaUpgrade[] = "{7A45E001-A1FA-4000-8000-0000000000FF}";
const char kAlphaPackage[] = "{7A45E001-A1FA-4000-8000-0000000001AA}";
const char kBetaUpgrade[] = "{7A45E002-BE7A-4000-8000-0000000000FF}";
const char kBeta20[] = "{7A45E002-BE7A-4000-8000-000000000200}";
const char kBeta21[] = "{7A45E002-BE7A-4000-8000-000000000210}";
const char kBeta21Twin[] = "{7A45E002-BE7A-4000-8000-000000000211}";
const char kGamma[] = "{7A45E003-6A33-4000-8000-000000000300}";
const char kGammaUpgrade[] = "{7A45E003-6A33-4000-8000-0000000000FF}";
const char kGammaPackage[] = "{7A45E003-6A33-4000-8000-0000000300AA}";
const char kAlphaValue[] = "HKEY_LOCAL_MACHINE\\Software\\TarvexTests\\DetectAlpha\\Version";

// Wine registers the folder of ARPINSTALLLOCATION in the product's uninstall entry but leaves
// the install properties that MsiGetProductInfo answers from empty; Windows fills both.
std::string AlphaInstallLocation() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    return wine ? "" : "C:\\Program Files\\DetectAlpha\\";
}

// The folder of the built packages, with its final "\".
std::string FixtureFolder() {
    return FullPath(TestProgramFolder() + "\\..\\fixtures") + "\\";
}

class InstalledFixtures : public ::testing::Environment {
  public:
    void SetUp() override {
        for (const char* package : {"alpha.msi", "beta20.msi", "beta21.msi", "beta21twin.msi"}) {
            ChildProcess msiexec("msiexec /i \"" + FixtureFolder() + package + "\" /qn", "", {});
            ASSERT_TRUE(msiexec.Started()) << package;
            ASSERT_EQ(0, msiexec.Wait(120000)) << package;
        }
    }
};

::testing::Environment* const installed =
    ::testing::AddGlobalTestEnvironment(new InstalledFixtures);

class DetectionTest : public ::testing::Test {
  protected:
    LogCapture log_;
    ProductInfo info_;
};

TEST_F(DetectionTest, ProductCodeGivesVersionNameAndInstallDetails) {
    for (const char* kind : {"p", "P"}) {
        ASSERT_TRUE(info_.Detect((kind + std::string(kAlpha)).c_str())) << kind;
        EXPECT_TRUE(info_.installed);
        EXPECT_STREQ("1.0.0", info_.version);
        EXPECT_STREQ("Detect Alpha", info_.productName);
        EXPECT_STREQ(kAlpha, info_.productCode);
        EXPECT_EQ(AlphaInstallLocation(), info_.installLocation);
        EXPECT_STREQ(FixtureFolder().c_str(), info_.installSource);
        EXPECT_STREQ(kAlphaPackage, info_.packageCode);
        EXPECT_STREQ("", info_.upgradeCode);  // a product code alone does not give it
    }
    EXPECT_FALSE(info_.Detect((std::string("p") + kGamma).c_str()));
    EXPECT_STREQ("", info_.version);
    EXPECT_EQ(1605, LastInstallerError());  // ERROR_UNKNOWN_PRODUCT
}

TEST_F(DetectionTest, UpgradeCodeFindsItsRelatedProducts) {
    ASSERT_TRUE(info_.Detect((std::string("u") + kAlphaUpgrade).c_str()));
    EXPECT_STREQ(kAlpha, info_.productCode);
    EXPECT_STREQ(kAlphaUpgrade, info_.upgradeCode);
    EXPECT_STREQ("Detect Alpha", info_.productName);
    EXPECT_STREQ(kAlphaPackage, info_.packageCode);
    EXPECT_FALSE(info_.Detect((std::string("U") + kGammaUpgrade).c_str()));
    EXPECT_EQ(0, LastInstallerError());  // an empty list is no error

    const std::string beta = std::string("u") + kBetaUpgrade;
    ASSERT_TRUE(info_.Detect(beta.c_str()));
    const std::set<std::string> betas = {kBeta20, kBeta21, kBeta21Twin};
    EXPECT_EQ(1u, betas.count(info_.productCode)) << info_.productCode;
    ASSERT_TRUE(info_.Detect(beta.c_str(), "2.0.0"));
    EXPECT_STREQ(kBeta20, info_.productCode);
    EXPECT_STREQ("2.0.0", info_.version);
    EXPECT_FALSE(log_.Contains("instances"));
    EXPECT_FALSE(info_.Detect(beta.c_str(), "2.2.0"));
}

TEST_F(DetectionTest, TwoInstalledProductsOfTheFilteredVersionAreReported) {
    const std::string beta = std::string("u") + kBetaUpgrade;
    ASSERT_TRUE(info_.Detect(beta.c_str(), "2.1.0"));
    EXPECT_STREQ("2.1.0", info_.version);
    EXPECT_TRUE(info_.productCode == std::string(kBeta21) ||
                info_.productCode == std::string(kBeta21Twin))
        << info_.productCode;
    EXPECT_TRUE(log_.Contains(std::string("[WARNING] Detected 2 instances of 2.1.0 version for '") +
                              kBetaUpgrade + "' upgrade code!\n"))
        << log_.Text();
}

TEST_F(DetectionTest, ProductNameFindsAnInstalledProduct) {
    ASSERT_TRUE(info_.Detect("ndetect ALPHA"));
    EXPECT_STREQ(kAlpha, info_.productCode);
    EXPECT_STREQ("1.0.0", info_.version);
    EXPECT_EQ(AlphaInstallLocation(), info_.installLocation);
    EXPECT_STREQ(kAlphaPackage, info_.packageCode);
    EXPECT_FALSE(info_.Detect("nDetect Gamma"));
    EXPECT_STREQ("", info_.productCode);
}

TEST_F(DetectionTest, RegistryValueOfThePackageInEachView) {
    // The 64-bit package wrote the value into the 64-bit view only.
    for (const char* prefix : {"r", "r64"}) {
        ASSERT_TRUE(info_.Detect((prefix + std::string(kAlphaValue)).c_str())) << prefix;
        EXPECT_STREQ("1.0.0", info_.version);
        EXPECT_STREQ(kAlphaValue, info_.registry);
    }
    EXPECT_FALSE(info_.Detect((std::string("r32") + kAlphaValue).c_str()));
    EXPECT_STREQ(kAlphaValue, info_.registry);
}

TEST_F(DetectionTest, PackageFileGivesItsOwnFacts) {
    const std::string gamma = FixtureFolder() + "gamma.msi";
    ASSERT_TRUE(info_.Detect(("f\"" + gamma + "\"").c_str()));
    EXPECT_EQ(gamma, info_.installerFile);
    EXPECT_STREQ("3.0.0", info_.version);
    EXPECT_STREQ("Detect Gamma", info_.productName);
    EXPECT_STREQ(kGamma, info_.productCode);
    EXPECT_STREQ(kGammaUpgrade, info_.upgradeCode);
    EXPECT_STREQ(kGammaPackage, info_.packageCode);
    EXPECT_STREQ("", info_.installLocation);  // the package is not installed

    ASSERT_TRUE(info_.Detect(("f'" + FixtureFolder() + "alpha.msi'").c_str()));
    EXPECT_STREQ(kAlpha, info_.productCode);
    EXPECT_EQ(AlphaInstallLocation(), info_.installLocation);
    EXPECT_STREQ(FixtureFolder().c_str(), info_.installSource);  // installed: asked as well

    info_.Clear();
    EXPECT_TRUE(info_.ReadFromPackage(gamma.c_str(), 4));
    EXPECT_STREQ(kGammaPackage, info_.packageCode);
    EXPECT_STREQ("", info_.productCode);
}

TEST_F(DetectionTest, ExecutableGivesItsFileVersion) {
    const std::string setup = FullPath(TestProgramFolder() + "\\..\\bin\\setup.exe");
    ASSERT_TRUE(info_.Detect(("f\"" + setup + "\"").c_str()));
    EXPECT_STREQ("1.0.0.1", info_.version);
    EXPECT_EQ(setup, info_.installerFile);
}

TEST_F(DetectionTest, MissingFilesAndInvalidIdentifiersDetectNothing) {
    const std::string bare = std::string(kAlpha).substr(1, 36);
    const struct {
        std::string identifier;
        std::string logged;
    } cases[] = {
        {"f\"C:\\missing\\setup.exe\"", "GetVersion: file not exists 'C:\\missing\\setup.exe'"},
        {"f\"C:\\missing\\product.msi\"", "[WARNING] Cannot open the package 'C:\\missing\\"},
        {"p" + bare, "[WARNING] Invalid Product Code '" + bare + "'!"},
        {"u" + bare, "[WARNING] Invalid Upgrade Code '" + bare + "'!"},
        {"x" + std::string(kAlpha), "[WARNING] Unknown Product ID prefix 'x' from 'x"},
        {"", "[WARNING] Empty Product ID!"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(info_.Detect(c.identifier.c_str())) << c.identifier;
        EXPECT_FALSE(info_.installed);
        EXPECT_TRUE(log_.Contains(c.logged)) << c.logged;
    }
}

// An uninstall entry of an InstallAnywhere product, written for the test and removed after.
class UninstallEntry {
  public:
    UninstallEntry(const char* name, REGSAM view, const char* productId)
        : name_(name), view_(view) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, Path().c_str(), 0, nullptr, 0, KEY_WRITE | view_,
                        nullptr, &key, nullptr);
        Set(key, "ProductID", productId);
        Set(key, "DisplayName", name);
        Set(key, "DisplayVersion", "7.2.1");
        Set(key, "InstallLocation", "C:\\IA Product");
        Set(key, "UninstallString", "\"C:\\IA Product\\Uninstall.exe\"");
        RegCloseKey(key);
    }
    ~UninstallEntry() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, Path().c_str(), view_, 0); }

  private:
    std::string Path() const { return std::string(kUninstallKey) + "\\" + name_; }
    static void Set(HKEY key, const char* name, const char* value) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(strlen(value) + 1));
    }
    std::string name_;
    REGSAM view_;
};

TEST_F(DetectionTest, InstallAnywhereProductsAreFoundInEitherView) {
    const UninstallEntry native("Tarvex IA 64", KEY_WOW64_64KEY,
                                "7a45e004-1a64-4000-8000-000000000064");
    const UninstallEntry emulated("Tarvex IA 32", KEY_WOW64_32KEY,
                                  "7A45E004-1A32-4000-8000-000000000032");
    ASSERT_TRUE(info_.Detect("i{7A45E004-1A64-4000-8000-000000000064}"));
    EXPECT_STREQ("{7A45E004-1A64-4000-8000-000000000064}", info_.installAnywhereId);
    EXPECT_STREQ("Tarvex IA 64", info_.productName);
    EXPECT_STREQ("7.2.1", info_.version);
    EXPECT_STREQ("C:\\IA Product", info_.installLocation);
    EXPECT_STREQ("\"C:\\IA Product\\Uninstall.exe\"", info_.uninstallString);
    ASSERT_TRUE(info_.Detect("I{7A45E004-1A32-4000-8000-000000000032}"));
    EXPECT_STREQ("Tarvex IA 32", info_.productName);
    EXPECT_FALSE(info_.Detect("i{7A45E004-1A00-4000-8000-000000000000}"));
    EXPECT_FALSE(info_.Detect("i7A45E004-1A64-4000-8000-000000000064"));
}

}  // namespace
