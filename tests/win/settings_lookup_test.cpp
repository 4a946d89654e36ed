// The configuration looks for "settings.xml" in the installer-source folder registered for
// the product before the folder of setup.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "command_line.h"
#include "config_interpreter.h"
#include "event_logger.h"
#include "registry.h"
#include "setup_folder.h"
#include "test_folder.h"

namespace {

const char kSourceKey[] = "SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\InstallerSource";
const char kProduct[] = "Lookup Product";

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::string Settings(const char* server) {
    return std::string("<Settings><URL_Locations><URL_Source><URL Protocol=\"UNC\" Server=\"") +
           server + "\"/></URL_Source></URL_Locations></Settings>";
}

class SettingsLookupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setupFolder_ = folder_.Child("setup");
        registeredFolder_ = folder_.Child("registered");
        CreateDirectoryA(setupFolder_.c_str(), nullptr);
        CreateDirectoryA(registeredFolder_.c_str(), nullptr);
        WriteText(setupFolder_ + "\\standard.xml", "<Standard/>");
        WriteText(setupFolder_ + "\\config.xml",
                  std::string("<Config><Version>2</Version><ProductInfo Name=\"") + kProduct +
                      "\"/></Config>");
        WriteText(setupFolder_ + "\\settings.xml", Settings("from-setup-folder"));
        SetSetupFolder(setupFolder_);
    }
    void TearDown() override {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSourceKey, kProduct);
        SetSetupFolder("");
    }
    void Register(const std::string& folder) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSourceKey, kProduct, REG_SZ, folder.c_str(),
                                  static_cast<DWORD>(folder.size() + 1)));
    }
    std::string FirstServer() {
        const std::string line = "\"" + setupFolder_ + "\\setup.exe\"";
        CommandLine command(line.c_str(), " \t", '"');
        EventLogger events;
        ConfigInterpreter config(command, "config.xml", "standard.xml", "settings.xml", &events, 0);
        EXPECT_TRUE(config.IsValid());
        return config.Locations().empty() ? "" : config.Locations()[0].server;
    }

    TestFolder folder_;
    std::string setupFolder_, registeredFolder_;
};

TEST_F(SettingsLookupTest, RegisteredFolderComesFirst) {
    WriteText(registeredFolder_ + "\\settings.xml", Settings("from-registered-folder"));
    EXPECT_EQ("from-setup-folder", FirstServer());
    Register(" \t" + registeredFolder_ + " ");  // blanks and tabs are trimmed
    EXPECT_EQ("from-registered-folder", FirstServer());
}

TEST_F(SettingsLookupTest, RegisteredFolderWithoutUsableSettingsFallsBack) {
    Register(registeredFolder_);
    EXPECT_EQ("from-setup-folder", FirstServer());  // no file there
    WriteText(registeredFolder_ + "\\settings.xml", "<Settings><broken>");
    EXPECT_EQ("from-setup-folder", FirstServer());  // a file that does not parse
}

TEST(RegistryReadTest, ValuesAsText) {
    const char key[] = "SOFTWARE\\Tarvex Duvovuduzazudu\\Tests";
    const DWORD number = 3010;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, key, "Number", REG_DWORD, &number,
                                             sizeof(number)));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, key, "Text", REG_SZ, "hello", 6));
    std::string value;
    long error = 0;
    ASSERT_TRUE(ReadRegistryValue(std::string("HKEY_CURRENT_USER\\") + key + "\\Number", &value,
                                  kRegistryDefaultView, &error));
    EXPECT_EQ("3010", value);
    ASSERT_TRUE(ReadRegistryValue(std::string("hkey_current_user\\") + key + "\\Text", &value,
                                  kRegistry64View, &error));
    EXPECT_EQ("hello", value);
    EXPECT_FALSE(ReadRegistryValue(std::string("HKEY_CURRENT_USER\\") + key + "\\Missing", &value,
                                   kRegistryDefaultView, &error));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, error);
    EXPECT_FALSE(ReadRegistryValue("HKEY_NOWHERE\\X\\Y", &value, kRegistryDefaultView, &error));
    RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

TEST(RegistryReadTest, PathsSplitAtRootAndLastSeparator) {
    RegistryPath path;
    ASSERT_TRUE(ParseRegistryPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Value", &path));
    EXPECT_EQ("HKEY_LOCAL_MACHINE", path.root);
    EXPECT_EQ("SOFTWARE\\X", path.key);
    EXPECT_EQ("Value", path.valueName);
    EXPECT_FALSE(path.namesKey);
    ASSERT_TRUE(ParseRegistryPath("HKEY_USERS\\S\\Key\\", &path));
    EXPECT_EQ("S\\Key", path.key);
    EXPECT_EQ("", path.valueName);
    EXPECT_TRUE(path.namesKey);
    EXPECT_FALSE(ParseRegistryPath("HKLM\\SOFTWARE\\X", &path));
}

}  // namespace
