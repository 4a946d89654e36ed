// Two products of one family share a prerequisite: setup.exe installs and uninstalls both
// for real under Wine, with real Windows Installer packages, and the reference counts in the
// registry decide when the shared package goes. Product A and product B each have a MAIN
// package of their own and chain the same "Shared Runtime" package.

#include <windows.h>

#include <msi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "child_process.h"
#include "test_folder.h"

namespace {

const char kSharedCode[] = "{7A45E0A1-5EA4-4000-8000-000000000100}";
const char kMainACode[] = "{7A45E0A2-5EA4-4000-8000-000000000200}";
const char kMainBCode[] = "{7A45E0A3-5EA4-4000-8000-000000000300}";
const char kRefCount[] = "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\RefCount";
const char kTemporary[] = "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\RefCountTemporary";

const char kStandardXml[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Standard>
  <Contents>
    <Package Tag="MSI" Type="MSI" SuccessCodes="0,3010" ErrorCodes="1603" CancelCodes="1602">
      <Install CmdLineSilent="msiexec /i &quot;[PackageFileName]&quot; /qn"/>
      <Uninstall CmdLineSilent="msiexec /x [PackageProductCode] /qn"/>
    </Package>
  </Contents>
</Standard>
)";

// The chain of one product: the shared runtime, then the product's own MAIN package.
std::string ConfigXml(const std::string& product, const std::string& mainFile,
                      const std::string& mainUpgradeCode) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Config><Version>2</Version>"
           "<ProductInfo Name=\"" +
           product +
           "\" Version=\"1.0.0\"/><Contents>"
           "<Package Tag=\"MSI\" Type=\"MSI\" Name=\"Shared Runtime\" FileName=\"refshared.msi\" "
           "RefCount=\"Yes\"><Version Version=\"1.0.0\" "
           "Detect=\"u{7A45E0A1-5EA4-4000-8000-0000000000FF}\"/></Package>"
           "<Package Tag=\"MSI\" Type=\"MSI\" Name=\"" +
           product + "\" FileName=\"" + mainFile +
           "\" Feature=\"MAIN\"><Version Version=\"1.0.0\" Detect=\"u" + mainUpgradeCode +
           "\"/></Package></Contents></Config>";
}

bool Installed(const char* productCode) {
    return MsiQueryProductStateA(productCode) == INSTALLSTATE_DEFAULT;
}

// The 64-bit view of HKEY_LOCAL_MACHINE, where setup keeps its records.
bool KeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &handle) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// A text value, or "<missing>".
std::string Value(const std::string& key, const std::string& name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &handle) != ERROR_SUCCESS)
        return "<missing>";
    char data[256] = {};
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(handle, name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : "<missing>";
}

bool SetValue(const std::string& key, const std::string& name, const std::string& data) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result =
        RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

class SharedPrerequisite : public ::testing::Test {
  protected:
    void SetUp() override {
        temp_ = folder_.Child("temp");
        CreateDirectoryA(temp_.c_str(), nullptr);
        MakeProduct("a", "Product A", "refmaina.msi", "{7A45E0A2-5EA4-4000-8000-0000000000FF}");
        MakeProduct("b", "Product B", "refmainb.msi", "{7A45E0A3-5EA4-4000-8000-0000000000FF}");
    }
    void MakeProduct(const std::string& folder, const std::string& product,
                     const std::string& mainFile, const std::string& mainUpgradeCode) {
        const std::string app = folder_.Child(folder);
        CreateDirectoryA(app.c_str(), nullptr);
        const std::string bin = TestProgramFolder() + "\\..\\bin\\";
        const std::string fixtures = TestProgramFolder() + "\\..\\fixtures\\";
        for (const std::string& from : {bin + "setup.exe", bin + "utils.dll", bin + "forms.dll",
                                        fixtures + "refshared.msi", fixtures + mainFile}) {
            const std::string name = from.substr(from.find_last_of('\\') + 1);
            ASSERT_TRUE(CopyFileA(from.c_str(), (app + "\\" + name).c_str(), FALSE)) << from;
        }
        std::ofstream(app + "\\standard.xml") << kStandardXml;
        std::ofstream(app + "\\config.xml") << ConfigXml(product, mainFile, mainUpgradeCode);
    }
    // Runs the setup of a product ("a" or "b") and returns its exit code; the log goes to
    // log_.
    long Setup(const std::string& product, const std::string& arguments) {
        DeleteFileA((temp_ + "\\Bootstrapper.log").c_str());
        const std::string app = folder_.Child(product);
        ChildProcess setup("\"" + app + "\\setup.exe\" " + arguments, app, {"TEMP=" + temp_});
        EXPECT_TRUE(setup.Started());
        const long code = setup.Wait(240000);
        log_ = ReadTextFile(temp_ + "\\Bootstrapper.log");
        return code;
    }

    TestFolder folder_;
    std::string temp_, log_;
};

const std::string kShared = std::string(kRefCount) + "\\Shared Runtime";

TEST_F(SharedPrerequisite, IsRemovedWithTheLastProductThatReferencesIt) {
    ASSERT_EQ(0, Setup("a", "-s")) << log_;
    EXPECT_TRUE(Installed(kSharedCode));
    EXPECT_TRUE(
        Contains(log_, "    Set temporary (install) refcount for: Shared Runtime, Product A"));
    EXPECT_TRUE(Contains(log_, "    Ref.count : 0 -> 1 [Product A]")) << log_;
    EXPECT_EQ(kSharedCode, Value(kShared, "Product A"));
    EXPECT_EQ(kMainACode, Value(std::string(kRefCount) + "\\Product A", "Product A"));
    EXPECT_FALSE(KeyExists(std::string(kTemporary) + "\\Shared Runtime"));  // the run succeeded

    ASSERT_EQ(0, Setup("b", "-s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Status    : SKIPPING INSTALL [version '1.0.0' installed"));
    EXPECT_TRUE(Contains(log_, "    Ref.count : 1 -> 2 [")) << log_;
    EXPECT_EQ(kSharedCode, Value(kShared, "Product B"));
    EXPECT_TRUE(Installed(kMainBCode));

    // A goes; B still needs the shared runtime.
    ASSERT_EQ(0, Setup("a", "x -s")) << log_;
    const std::string status = LineWith(log_, "    Status    : SKIPPING UNINSTALL [");
    EXPECT_TRUE(Contains(status, "ref.count 2, ")) << log_;
    EXPECT_TRUE(Contains(log_, "    Ref.count : 2 -> 1 [Product B]")) << log_;
    EXPECT_FALSE(Installed(kMainACode));
    EXPECT_TRUE(Installed(kSharedCode));
    EXPECT_EQ("<missing>", Value(kShared, "Product A"));
    EXPECT_EQ(kSharedCode, Value(kShared, "Product B"));
    EXPECT_FALSE(KeyExists(std::string(kRefCount) + "\\Product A"));

    // B goes, and the shared runtime with it.
    ASSERT_EQ(0, Setup("b", "x -s")) << log_;
    EXPECT_TRUE(Contains(log_, "    Status    : EXECUTING UNINSTALL [version '1.0.0' installed"));
    EXPECT_TRUE(Contains(log_, "    Ref.count : 1 -> 0 []")) << log_;
    EXPECT_FALSE(Installed(kSharedCode));
    EXPECT_FALSE(Installed(kMainBCode));
    EXPECT_FALSE(KeyExists(kShared));
    EXPECT_FALSE(KeyExists(std::string(kRefCount) + "\\Product B"));
}

// A reference by a product whose own key is gone (its product was removed without setup) no
// longer keeps the shared runtime.
TEST_F(SharedPrerequisite, ReferenceOfAVanishedProductIsRemovedAsAnOrphan) {
    ASSERT_TRUE(SetValue(kShared, "Vanished Product", kSharedCode));
    ASSERT_EQ(0, Setup("a", "-s")) << log_;
    EXPECT_TRUE(Contains(log_,
                         "    Ref count : REMOVE ORPHAN REF COUNTS (FOR NOT INSTALLED PRODUCTS) -> "
                         "Vanished Product "))
        << log_;
    EXPECT_TRUE(Contains(log_, "    Ref.count : 0 -> 1 [Product A]")) << log_;
    EXPECT_EQ("<missing>", Value(kShared, "Vanished Product"));

    ASSERT_EQ(0, Setup("a", "x -s")) << log_;
    EXPECT_FALSE(Installed(kSharedCode));
    EXPECT_FALSE(KeyExists(kShared));
}

}  // namespace
