// The properties of a real Windows Installer session, as custom actions read them.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "installer_session_win32.h"

namespace {

class InstallerSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        char full[MAX_PATH] = {};
        const std::string package = TestProgramFolder() + "\\..\\fixtures\\gamma.msi";
        GetFullPathNameA(package.c_str(), sizeof(full), full, nullptr);
        ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS), MsiOpenPackageA(full, &session_)) << full;
    }
    void TearDown() override {
        if (session_)
            MsiCloseHandle(session_);
    }

    MSIHANDLE session_ = 0;
};

TEST_F(InstallerSessionTest, PropertiesAreReadWholeWhateverTheirLength) {
    struct Row {
        const char* name;
        std::string value;
    } const rows[] = {
        {"CustomActionData", "StrToUpper(abc|):RESULT"},
        {"CustomActionData", std::string(1023, 'x')},  // fills the first read exactly
        {"CustomActionData", std::string(1024, 'y')},
        {"CustomActionData", "Call(" + std::string(9000, 'z') + ")"},
        {"CallProcData", ""},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS),
                  MsiSetPropertyA(session_, row.name, row.value.c_str()));
        const std::string read = ReadSessionProperty(session_, row.name);
        EXPECT_EQ(row.value.size(), read.size()) << row.name;
        EXPECT_EQ(row.value, read) << row.name;
    }
    EXPECT_EQ("Detect Gamma", ReadSessionProperty(session_, "ProductName"));
    EXPECT_EQ("", ReadSessionProperty(session_, "NoSuchProperty"));
}

}  // namespace
