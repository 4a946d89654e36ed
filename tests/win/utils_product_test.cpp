// The product and version procedures of the real utils.dll, called through BSCallProc
// against detection packages that the program installs into its own fresh prefix.

#include <windows.h>

#include <msi.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "shared_log.h"
#include "log_file.h"
#include "plugin_interface.h"
#include "product_info.h"
#include "property_store.h"
#include "registry.h"

namespace {

const char kAlpha[] = "{7A45E001-A1FA-4000-8000-000000000100}";
const char kAlphaUpgrade[] = "{7A45E001-A1FA-4000-8000-0000000000FF}";
const char kAlphaComponent[] = "{7A45E001-A1FA-4000-8000-0000000001C1}";
const char kBetaUpgrade[] = "{7A45E002-BE7A-4000-8000-0000000000FF}";
const char kBeta20[] = "{7A45E002-BE7A-4000-8000-000000000200}";
const char kBeta20Component[] = "{7A45E002-BE7A-4000-8000-0000000002C1}";
const char kBeta21[] = "{7A45E002-BE7A-4000-8000-000000000210}";
const char kGamma[] = "{7A45E003-6A33-4000-8000-000000000300}";
const char kUnknown[] = "{7A45E0FF-0000-4000-8000-000000000000}";
const char kToolId[] = "7A45E0AA-1111-4000-8000-000000000001";
const char kToolKey[] =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarvexTool\\";
const char kUninstallRoot[] =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kTestKey[] = "HKEY_LOCAL_MACHINE\\Software\\TarvexTests\\ProductProcedures\\";
const char kChassisSerial[] =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment\\"
    "ChassisSN";
const char kRebootPending[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based "
    "Servicing\\RebootPending\\";
const char kSqlServerKey[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server";

using BSCallProcFunction = int (*)(const char*, int*, char*, int, int*);
using InitializeFunction = int (*)(HANDLE, PropertyStore*, const char*);

std::string FixtureFolder() {
    return FullPath(TestProgramFolder() + "\\..\\fixtures") + "\\";
}

std::string P(const char* code) {
    return std::string("p") + code;
}

std::string U(const char* code) {
    return std::string("u") + code;
}

long RunMsiexec(const std::string& arguments) {
    ChildProcess msiexec("msiexec " + arguments + " /qn", "", {});
    return msiexec.Started() ? msiexec.Wait(120000) : -2;
}

class InstalledFixtures : public ::testing::Environment {
  public:
    void SetUp() override {
        for (const char* package : {"alpha.msi", "beta20.msi", "beta21.msi", "beta21twin.msi"})
            ASSERT_EQ(0, RunMsiexec("/i \"" + FixtureFolder() + package + "\"")) << package;
    }
};

::testing::Environment* const installed =
    ::testing::AddGlobalTestEnvironment(new InstalledFixtures);

// A registry key of the test, deleted again with everything below it.
class ScopedKey {
  public:
    explicit ScopedKey(const std::string& path) : path_(path) {
        long error = 0;
        created_ = CreateRegistryKey(path_, kRegistryDefaultView, &error);
    }
    ~ScopedKey() {
        long error = 0;
        DeleteRegistryKey(path_, kRegistryDefaultView, &error);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    bool Created() const { return created_; }
    bool Write(const char* name, const std::string& value) {
        long error = 0;
        return WriteRegistryString(path_ + name, value, kRegistryDefaultView, &error);
    }

  private:
    std::string path_;
    bool created_ = false;
};

struct Outcome {
    int kind;
    int number;
    std::string value;
    int status;
    std::string log;
};

class ProductProcedureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        utils_ = LoadLibraryA((BinFolder() + "\\utils.dll").c_str());
        ASSERT_NE(nullptr, utils_);
        call_ = reinterpret_cast<BSCallProcFunction>(
            reinterpret_cast<void*>(GetProcAddress(utils_, "BSCallProc")));
        ASSERT_NE(nullptr, call_);
    }
    void TearDown() override {
        HandOver(nullptr);
        FreeLibrary(utils_);
    }

    // Hands a property store to the library (null: none).
    void HandOver(PropertyStore* store) {
        auto initialize = reinterpret_cast<InitializeFunction>(
            reinterpret_cast<void*>(GetProcAddress(utils_, "InitializeDllData")));
        ASSERT_NE(nullptr, initialize);
        initialize(nullptr, store, "");
    }

    Outcome Call(const std::string& text) {
        const std::size_t mark = SharedLogSince(0).size();
        Outcome out{0, -99, "", -99, ""};
        char buffer[1024] = {};
        out.kind = call_(text.c_str(), &out.number, buffer, sizeof(buffer), &out.status);
        out.value = buffer;
        out.log = SharedLogSince(mark);
        return out;
    }
    int Number(const std::string& text) {
        const Outcome out = Call(text);
        EXPECT_EQ(0, out.status) << text;
        return out.number;
    }
    std::string Text(const std::string& text) {
        const Outcome out = Call(text);
        EXPECT_EQ(0, out.status) << text;
        EXPECT_EQ(kProcText, out.kind) << text;
        return out.value;
    }

    HMODULE utils_ = nullptr;
    BSCallProcFunction call_ = nullptr;
};

TEST_F(ProductProcedureTest, CompareVersionsUsesTheFieldsOfTheLongerText) {
    const struct {
        const char* arguments;
        int expected;
    } rows[] = {{"1.2|1.2.0", 0}, {"1.10|1.9", 1}, {"1.2|1.2.1", -1}, {"2|1.9.9", 1}};
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, Number(std::string("CompareVersions(") + row.arguments + ")"))
            << row.arguments;
}

TEST_F(ProductProcedureTest, IsInstalledVersionAppliesTheOperatorWord) {
    const struct {
        std::string product;
        const char* word;
        const char* version;
        int expected;
    } rows[] = {
        {P(kAlpha), ">=", "1.0", 1},
        {P(kAlpha), "=>", "1.0", 0},
        {P(kAlpha), "=", "1.0", 1},
        {P(kAlpha), "==", "1.0.0", 1},
        {P(kAlpha), "eq", "1", 1},
        {P(kAlpha), "e", "1.0", 1},
        {P(kAlpha), "EQ", "1.0", 0},
        {P(kAlpha), "eqx", "1.0", 1},
        {P(kAlpha), "!=", "2", 1},
        {P(kAlpha), "#", "1.0", 0},
        {P(kAlpha), "<>", "1", 0},
        {P(kAlpha), "ne", "1.1", 1},
        {P(kAlpha), "<", "1.0.1", 1},
        {P(kAlpha), "lt", "1.0.0", 0},
        {P(kAlpha), "l", "2", 1},
        {P(kAlpha), "<=", "1.0", 1},
        {P(kAlpha), "le", "0.9", 0},
        {P(kAlpha), ">", "0.9", 1},
        {P(kAlpha), "gt", "1", 0},
        {P(kAlpha), "g", "0", 1},
        {P(kAlpha), "ge", "1.1", 0},
        {P(kAlpha), "~", "1.0", 0},
        // The installed 2.1.0 compared in the fields of the given version only.
        {P(kBeta21), "=", "2", 1},
        {P(kBeta21), ">", "2", 0},
        {U(kBetaUpgrade), ">=", "2.0", 1},
        {P(kGamma), ">=", "0", 0},
    };
    for (const auto& row : rows) {
        const std::string call =
            "IsInstalledVersion(" + row.product + "|" + row.word + "|" + row.version + ")";
        EXPECT_EQ(row.expected, Number(call)) << call;
    }
    const Outcome out = Call("IsInstalledVersion(" + P(kGamma) + "|=|3)");
    EXPECT_NE(std::string::npos,
              out.log.find("    Proc call : Product not found with ID '" + P(kGamma) + "'"))
        << out.log;
}

TEST_F(ProductProcedureTest, GetProductVersionJoinsTheVersionsOfTheList) {
    const struct {
        std::string arguments;
        const char* expected;
    } rows[] = {
        {P(kAlpha) + "," + P(kBeta20), "1.0.0,2.0.0"},
        {std::string(kAlpha) + ", \t" + kBeta21, "1.0.0,2.1.0"},
        {P(kGamma) + "," + P(kAlpha) + ",", ",1.0.0"},
        {P(kAlpha) + "," + P(kBeta20) + "," + P(kBeta21) + "|2", "1.0.0,2.0.0"},
        {P(kAlpha) + "," + P(kBeta20) + "|0", "1.0.0,2.0.0"},
        {U(kAlphaUpgrade), "1.0.0"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, Text("GetProductVersion(" + row.arguments + ")")) << row.arguments;
    const Outcome out = Call(std::string("GetProductVersion(") + kGamma + ")");
    EXPECT_EQ("", out.value);
    EXPECT_NE(std::string::npos, out.log.find("Product not found with ID '" + P(kGamma) + "'"))
        << out.log;
}

TEST_F(ProductProcedureTest, ProductCodeAndInstallLocation) {
    EXPECT_EQ(kAlpha, Text("GetProductCode(" + U(kAlphaUpgrade) + ")"));
    EXPECT_EQ(kBeta20, Text("GetProductCode(" + U(kBetaUpgrade) + "|2.0.0)"));
    EXPECT_EQ("", Text("GetProductCode(" + U(kBetaUpgrade) + "|2.2.0)"));
    EXPECT_EQ("", Text("GetProductCode(" + P(kGamma) + ")"));

    ScopedKey tool(kToolKey);
    ASSERT_TRUE(tool.Created());
    ASSERT_TRUE(tool.Write("ProductID", kToolId));
    ASSERT_TRUE(tool.Write("DisplayVersion", "4.2.1"));
    ASSERT_TRUE(tool.Write("InstallLocation", "C:\\Apps\\Tool\\\\"));
    const std::string tool_id = std::string("i{") + kToolId + "}";
    EXPECT_EQ("C:\\Apps\\Tool", Text("GetInstallLocation(" + tool_id + ")"));
    EXPECT_EQ("4.2.1", Text("GetProductVersion(" + tool_id + ")"));
    EXPECT_EQ("", Text("GetInstallLocation(" + P(kGamma) + ")"));
}

TEST_F(ProductProcedureTest, IsVersionInRangeWordsItsAnswer) {
    PropertyStore store;  // an empty property gives an empty last argument
    store.Set("Empty", "", false);
    HandOver(&store);
    const struct {
        std::string arguments;
        int expected;
        std::string message;
    } rows[] = {
        {P(kAlpha) + "|1.0-2.0", 1,
         "Installed version '1.0.0' is in the specified range [1.0-2.0]"},
        {std::string(kAlpha) + "|2.0-,0.5", 0,
         "Installed version '1.0.0' is NOT in the specified range [2.0-,0.5]"},
        {std::string(kAlphaUpgrade) + "|1", 1,
         "Installed version '1.0.0' is in the specified range [1]"},
        {"|1.0", 0, "Product (upgrade) code is not specified"},
        {P(kAlpha) + "|[Empty]", 0, "Version list is not specified"},
        {P(kGamma) + "|1.0", 0, "Version not found"},
    };
    for (const auto& row : rows) {
        const Outcome out = Call("IsVersionInRange(" + row.arguments + ")");
        EXPECT_EQ(row.expected, out.number) << row.arguments;
        EXPECT_EQ(std::to_string(row.expected), out.value) << row.arguments;
        EXPECT_NE(std::string::npos, out.log.find("message '" + row.message + "'"))
            << row.arguments << "\n"
            << out.log;
    }
}

TEST_F(ProductProcedureTest, IsVersionInRangeComparesInTheFieldsOfTheShorterText) {
    ScopedKey tool(kToolKey);
    ASSERT_TRUE(tool.Write("ProductID", kToolId));
    const std::string call = std::string("IsVersionInRange(i{") + kToolId + "}|1.0-2.0,3.5)";
    const struct {
        const char* installed;
        int expected;
    } rows[] = {{"1.5", 1}, {"2.0.7", 1}, {"3.5", 1}, {"3.6", 0}, {"0.9.9", 0}};
    for (const auto& row : rows) {
        ASSERT_TRUE(tool.Write("DisplayVersion", row.installed));
        EXPECT_EQ(row.expected, Number(call)) << row.installed;
    }
}

TEST_F(ProductProcedureTest, IsFileVersionInRangeReadsTheVersionResource) {
    PropertyStore store;  // an empty property gives an empty last argument
    store.Set("Empty", "", false);
    HandOver(&store);
    const std::string setup = BinFolder() + "\\setup.exe";
    const struct {
        std::string arguments;
        int expected;
        std::string message;
    } rows[] = {
        {setup + "|1.0-1.0.0.1", 1,
         "File version '1.0.0.1' is in the specified range [1.0-1.0.0.1]"},
        {setup + "|1.0.0.2-", 0, "File version '1.0.0.1' is NOT in the specified range [1.0.0.2-]"},
        {"|1.0", 0, "File path not specified"},
        {setup + "|[Empty]", 0, "Version list is not specified"},
        {BinFolder() + "\\missing.exe|1.0", 0, "Version not found"},
    };
    for (const auto& row : rows) {
        const Outcome out = Call("IsFileVersionInRange(" + row.arguments + ")");
        EXPECT_EQ(row.expected, out.number) << row.arguments;
        EXPECT_NE(std::string::npos, out.log.find("message '" + row.message + "'"))
            << row.arguments << "\n"
            << out.log;
    }
}

TEST_F(ProductProcedureTest, CountInstalledProductsByUpgradeCodeOrUninstallEntry) {
    ScopedKey tool(kToolKey);
    ASSERT_TRUE(tool.Write("ProductID", kToolId));
    const struct {
        std::string identifier;
        int expected;
    } rows[] = {
        {U(kBetaUpgrade), 3},
        {U(kAlphaUpgrade), 1},
        {U(kUnknown), 0},
        {std::string("i{") + kToolId + "}", 1},
        {std::string("i") + kUnknown, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, Number("CountInstalledProducts(" + row.identifier + ")"))
            << row.identifier;
    const Outcome out = Call("CountInstalledProducts(" + P(kAlpha) + ")");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ(ERR_PROC_BAD_ARG_VALUE, out.status);
}

TEST_F(ProductProcedureTest, InstalledComponentsAndFeatureState) {
    EXPECT_EQ(0, Number("GetInstalledComponents()"));
    EXPECT_EQ(1, Number(std::string("GetInstalledComponents(") + kAlphaComponent + ")"));
    EXPECT_EQ(2, Number(std::string("GetInstalledComponents(") + kAlphaComponent + "|" +
                        kBeta20Component + "|" + kUnknown + ")"));
    EXPECT_EQ(INSTALLSTATE_LOCAL, Number("GetFeatureState(" + P(kAlpha) + "|Complete)"));
    EXPECT_EQ(INSTALLSTATE_LOCAL,
              Number("GetFeatureState(" + U(kBetaUpgrade) + "|Complete|2.0.0)"));
    EXPECT_EQ(0, Number("GetFeatureState(" + P(kGamma) + "|Complete)"));
}

TEST_F(ProductProcedureTest, RegistryQuestions) {
    const std::string refKey = std::string(kTestKey) + "RefCounts\\";
    EXPECT_EQ(0, Number("RefCount(" + refKey + ")"));
    ScopedKey counts(refKey);
    ASSERT_TRUE(counts.Created());
    EXPECT_EQ(0, Number("RefCount(" + refKey + ")"));
    ASSERT_TRUE(counts.Write("First", "1"));
    ASSERT_TRUE(counts.Write("Second", "1"));
    EXPECT_EQ(2, Number("RefCount(" + refKey + ")"));

    EXPECT_EQ(0, Number("IsRebootRequired()"));
    {
        ScopedKey pending(kRebootPending);
        ASSERT_TRUE(pending.Created());
        EXPECT_EQ(1, Number("IsRebootRequired()"));
    }
    EXPECT_EQ(0, Number("IsRebootRequired()"));

    EXPECT_EQ(0, Number("IsMsSQLInstance(SQLEXPRESS)"));
    HKEY sql = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSqlServerKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &sql, nullptr));
    const char names[] = "MSSQLSERVER\0SQLEXPRESS\0";
    RegSetValueExA(sql, "InstalledInstances", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(names),
                   sizeof(names));
    EXPECT_EQ(1, Number("IsMsSQLInstance(sqlexpress)"));
    EXPECT_EQ(1, Number("IsMsSQLInstance(MSSQLServer)"));
    EXPECT_EQ(0, Number("IsMsSQLInstance(SQL)"));
    RegDeleteValueA(sql, "InstalledInstances");
    RegCloseKey(sql);
}

TEST_F(ProductProcedureTest, ChassisFollowsTheSerialNumber) {
    const std::string clientValue = std::string(kTestKey) + "Client\\Allowed";
    EXPECT_EQ(0, Number("IsChassis()"));
    EXPECT_EQ(0, Number("IsChassis(ignored|arguments)"));
    EXPECT_EQ(1, Number("AllowInstallClient(x" + clientValue + ")"));
    ScopedKey client(std::string(kTestKey) + "Client\\");
    ASSERT_TRUE(client.Write("Allowed", "1"));
    EXPECT_EQ(1, Number("AllowInstallClient(x" + clientValue + ")"));

    long error = 0;
    ASSERT_TRUE(WriteRegistryString(kChassisSerial, "SN-1", kRegistryDefaultView, &error));
    EXPECT_EQ(1, Number("IsChassis()"));
    EXPECT_EQ(0, Number("AllowInstallClient(x" + clientValue + ")"));
    EXPECT_EQ(1, Number("AllowInstallClient(x" + clientValue + "Not)"));
    EXPECT_EQ(1, Number("AllowInstallClient(" + clientValue + ")"));  // first character skipped
    DeleteRegistryValue(kChassisSerial, kRegistryDefaultView, &error);
    EXPECT_EQ(0, Number("IsChassis()"));
}

TEST_F(ProductProcedureTest, CommandLineParameterGatesTheVersionTest) {
    PropertyStore store;
    store.Set("MSIProperty.MODE", "Server", false);
    store.Set("MODE", "Server", false);
    HandOver(&store);
    const std::string products = P(kGamma) + "," + kAlpha;
    const struct {
        std::string arguments;
        int expected;
    } rows[] = {
        {products + "|1.0|MSIProperty.MODE=server", 1},
        {products + "|1.0|MSIProperty.MODE", 1},
        {products + "|2.0-|MSIProperty.MODE=Server", 0},
        {products + "|1.0|MSIProperty.MODE=client", 0},
        {products + "|1.0|MSIProperty.OTHER", 0},
        {products + "|1.0|MODE=Server", 0},
        {P(kGamma) + "|1.0|MSIProperty.MODE", 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, Number("CheckVersionAndCmdLineParam(" + row.arguments + ")"))
            << row.arguments;
    Outcome out = Call("CheckVersionAndCmdLineParam(" + products + "|1.0|MSIProperty.MODE)");
    EXPECT_NE(std::string::npos,
              out.log.find("    Proc call : 'MSIProperty.MODE' found in command line"));
    EXPECT_NE(
        std::string::npos,
        out.log.find("    Proc call : Version '1.0.0'installed -> in the specified range [1.0]"))
        << out.log;
    out = Call("CheckVersionAndCmdLineParam(" + products + "|2|MSIProperty.OTHER)");
    EXPECT_NE(std::string::npos,
              out.log.find("    Proc call : 'MSIProperty.OTHER' NOT found in command line"));
    out = Call("CheckVersionAndCmdLineParam(" + products + "|2|MSIProperty.MODE)");
    EXPECT_NE(
        std::string::npos,
        out.log.find("    Proc call : Version '1.0.0'installed -> NOT in the specified range [2]"))
        << out.log;
}

TEST_F(ProductProcedureTest, UninstallMsiProductRemovesTheProducts) {
    ASSERT_EQ(0, RunMsiexec("/i \"" + FixtureFolder() + "gamma.msi\""));
    ProductInfo info;
    ASSERT_TRUE(info.Detect(P(kGamma).c_str()));

    const Outcome out =
        Call(std::string("UninstallMsiProduct(") + kGamma + ", " + kUnknown + "|/qn)");
    EXPECT_EQ(kProcText, out.kind);
    EXPECT_EQ("0,1605", out.value);  // ERROR_UNKNOWN_PRODUCT for the second
    EXPECT_NE(std::string::npos, out.log.find("    Proc call : Try uninstall 2 products"));
    EXPECT_NE(std::string::npos,
              out.log.find(std::string("    Proc call : COMMAND: msiexec /x ") + kGamma + " /qn"))
        << out.log;
    EXPECT_NE(std::string::npos, out.log.find("    Proc call : RETCODE: 0 ("));
    EXPECT_FALSE(info.Detect(P(kGamma).c_str()));
    EXPECT_TRUE(info.Detect(P(kAlpha).c_str()));
}

// Sets the "Comments" of a product's uninstall entry while it lives.
class ScopedComments {
  public:
    ScopedComments(const char* productCode, const char* comments)
        : path_(std::string(kUninstallRoot) + productCode + "\\Comments") {
        long error = 0;
        CreateRegistryKey(std::string(kUninstallRoot) + productCode, kRegistryDefaultView, &error);
        written_ = WriteRegistryString(path_, comments, kRegistryDefaultView, &error);
    }
    ~ScopedComments() {
        long error = 0;
        DeleteRegistryValue(path_, kRegistryDefaultView, &error);
    }
    ScopedComments(const ScopedComments&) = delete;
    ScopedComments& operator=(const ScopedComments&) = delete;
    bool Written() const { return written_; }

  private:
    std::string path_;
    bool written_ = false;
};

TEST_F(ProductProcedureTest, ClearChildProductRemovesTheProductsNamingTheChild) {
    ASSERT_EQ(0, RunMsiexec("/i \"" + FixtureFolder() + "gamma.msi\""));
    ScopedComments parent(kAlpha, "APPNAME=Kid");
    ScopedComments child(kGamma, "Suite part APPNAME=Kid, built by the suite");
    ScopedComments other(kBeta20, "APPNAME=Kidder");
    ASSERT_TRUE(parent.Written() && child.Written() && other.Written());

    const Outcome out = Call("ClearChildProduct(" + P(kAlpha) + "|/qn APPNAME=Kid X=1)");
    EXPECT_EQ(1, out.number) << out.log;
    EXPECT_NE(std::string::npos,
              out.log.find("    Proc call : SKIP product 'Detect Alpha'/p" + std::string(kAlpha)))
        << out.log;
    EXPECT_NE(std::string::npos, out.log.find("    Proc call : UNINSTALL product 'Detect Gamma'/p" +
                                              std::string(kGamma) + " -> Kid"));
    EXPECT_NE(std::string::npos, out.log.find("    Proc call : Ret code:   0 ["));
    EXPECT_EQ(std::string::npos, out.log.find(kBeta20));
    ProductInfo info;
    EXPECT_FALSE(info.Detect(P(kGamma).c_str()));
    EXPECT_TRUE(info.Detect(P(kAlpha).c_str()));
    EXPECT_TRUE(info.Detect(P(kBeta20).c_str()));

    const Outcome missing = Call("ClearChildProduct(" + P(kAlpha) + "|NAME=Kid)");
    EXPECT_EQ(0, missing.number);
    EXPECT_NE(std::string::npos,
              missing.log.find("[ERROR] Child product name cannot be obtained from NAME=Kid"))
        << missing.log;
}

TEST_F(ProductProcedureTest, ArgumentCountsOutsideTheirRangeAreRejected) {
    for (const char* call :
         {"IsInstalledVersion(a|b)", "GetProductVersion()", "GetProductVersion(a|1|x)",
          "IsRebootRequired(x)", "RefCount()", "CountInstalledProducts(a|b)",
          "UninstallMsiProduct()", "IsVersionInRange(a)", "IsFileVersionInRange(a|b|c)",
          "GetFeatureState(a)", "AllowInstallClient()", "CheckVersionAndCmdLineParam(a|b)",
          "IsMsSQLInstance()", "GetInstallLocation()", "GetProductCode(a|b|c)",
          "ClearChildProduct(a)", "ClearChildProduct(a|b|c|d)"}) {
        const Outcome out = Call(call);
        EXPECT_EQ(-1, out.kind) << call;
        EXPECT_EQ(kPluginInvalidParameter, out.status) << call;
    }
}

}  // namespace
