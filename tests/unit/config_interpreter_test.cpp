#include "config_interpreter.h"

#include <gtest/gtest.h>

#include "config_folder_test.h"
#include "log_capture.h"
#include "messages.h"
#include "platform.h"

namespace {

const char kStandard[] = R"(<?xml version="1.0"?>
<Standard>
  <MSI EventLogSuccessIDs="1033,x,11707"/>
  <Messages>
    <Message Tag="" Msg="ignored"/>
    <Message Tag="REBOOT_MSG"/>
    <Message Tag="CUSTOM_TAG" Msg="Custom text"/>
  </Messages>
  <Properties>
    <Property Name="FromConfig" Value="config value" Type="text"/>
    <Property Name="Action" Value="overridden?"/>
    <Property Name="INSTALLDIR" Value="C:\Config"/>
  </Properties>
  <Prerequisites URL="http://default/">
    <Package Name="Runtime" Archive="runtime.zip" Size="100"/>
    <Package Name="Other" Archive="other.zip" URL="http://other/"/>
  </Prerequisites>
  <Contents>
    <Package Tag="A"/>
    <Package Tag="B"/>
  </Contents>
</Standard>
)";

std::string ConfigXml(const std::string& version, const std::string& extra = "") {
    return "<?xml version=\"1.0\"?>\n<Config>\n" + version +
           "\n  <ProductInfo Name=\"Sample Product\" Version=\"1.2.3\" Tag=\"SAMPLE\"/>\n" + extra +
           "</Config>\n";
}

class ConfigTest : public ConfigFolderTest {
  protected:
    ConfigTest() : ConfigFolderTest(kStandard) {}
};

TEST_F(ConfigTest, VersionCheck) {
    struct Row {
        const char* element;
        bool valid;
        const char* message;
    } const rows[] = {
        {"<Version>2</Version>", true, nullptr},
        {"<Version>02</Version>", true, nullptr},
        {"<Version>1</Version>", false,
         "[ERROR] Version '1' in config xml file is less than '2' which is first supported by "
         "this version of setup"},
        {"<Version>3</Version>", false,
         "[ERROR] Version '3' in config xml file is greater than '2' which is last supported by "
         "this version of setup"},
        {"", false, "[ERROR] Config xml file has no version entry"},
        {"<Version></Version>", false, "[ERROR] Config xml file has no version entry"},
        {"<Version>2a</Version>", true, nullptr},
        {"<Version>two</Version>", false,
         "[ERROR] Config xml file contains an invalid version (it should be a positive integer "
         "and not zero)"},
    };
    for (const Row& row : rows) {
        Write("config.xml", ConfigXml(row.element));
        LogCapture log;
        EXPECT_EQ(row.valid, Load().IsValid()) << row.element;
        if (row.message) {
            EXPECT_TRUE(log.Contains(row.message)) << log.Text();
        }
    }
}

TEST_F(ConfigTest, MissingConfigFileIsInvalid) {
    LogCapture log;
    EXPECT_FALSE(Load().IsValid());
    EXPECT_TRUE(log.Contains("not successfully parsed!"));
    EXPECT_TRUE(log.Contains("[ERROR] Config xml file has no version entry"));
    EXPECT_EQ(nullptr, config_->GetProductName());
}

TEST_F(ConfigTest, ReadsTheStandardFile) {
    Write("config.xml", ConfigXml("<Version>2</Version>"));
    ConfigInterpreter& config = Load();
    ASSERT_TRUE(config.IsValid());
    EXPECT_EQ(2u, config.StandardList().Size());
    EXPECT_EQ(0u, config.ConfigList().Size());  // no Contents in config.xml: still valid
    EXPECT_EQ((std::vector<int>{1033, 11707}), events_.SuccessIds());
    EXPECT_STREQ("Custom text", UserMessages().Find("CUSTOM_TAG")->text);
    EXPECT_EQ(nullptr, UserMessages().Find(""));  // a Message without a tag is ignored
    EXPECT_STREQ("Reboot is required by Tarvex setup", UserMessages().Find("REBOOT_MSG")->text);
    ASSERT_EQ(2u, config.PrerequisiteArchives().size());
    EXPECT_EQ("http://default/", config.PrerequisiteArchives()[0].url);
    EXPECT_EQ("100", config.PrerequisiteArchives()[0].size);
    EXPECT_EQ("http://other/", config.PrerequisiteArchives()[1].url);
    EXPECT_STREQ("Sample Product", config.GetProductName());
    EXPECT_STREQ("1.2.3", config.GetProductVersion());
    EXPECT_EQ("SAMPLE", config.GetProductTag());
    EXPECT_EQ("Sample Product", events_.Name());
    EXPECT_EQ(folder_.Child("config.xml"), config.GetConfigPath());
}

TEST_F(ConfigTest, DependenciesAreLimitedPerDocument) {
    std::string dependencies = "<Dependencies>\n";
    for (int i = 1; i <= 17; ++i)
        dependencies += "  <Dependency Tag=\"D" + std::to_string(i) +
                        "\" Detect=\"p{x}\" Vital=\"" + (i == 2 ? "no" : "Yes") + "\"/>\n";
    dependencies += "</Dependencies>\n";
    Write("config.xml", ConfigXml("<Version>2</Version>", dependencies));
    LogCapture log;
    ConfigInterpreter& config = Load();
    ASSERT_EQ(16u, config.Dependencies().size());
    EXPECT_STREQ("D1", config.Dependencies()[0].tag);
    EXPECT_STREQ("p{x}", config.Dependencies()[0].detect);
    EXPECT_TRUE(config.Dependencies()[0].vital);
    EXPECT_FALSE(config.Dependencies()[1].vital);
    EXPECT_STREQ("D16", config.Dependencies()[15].tag);
    EXPECT_TRUE(
        log.Contains("[WARNING] Maximum number of dependencies reached (16)! Some "
                     "dependencies will not be verified."));
}

TEST_F(ConfigTest, ExternalConfigsStopAtTheFirstFailure) {
    Write("extra.xml", "<Extra><Contents><Package Tag=\"E\"/></Contents></Extra>");
    Write("config.xml",
          ConfigXml("<Version>2</Version>",
                    "<ExternalConfig FileName=\"missing.xml\"/>\n"
                    "<ExternalConfig FileName=\"extra.xml\"/>\n<Contents><Package/></Contents>\n"));
    LogCapture log;
    EXPECT_FALSE(Load().IsValid());
    EXPECT_TRUE(log.Contains("missing.xml"));
    EXPECT_EQ(2u, config_->StandardList().Size());  // extra.xml was never read

    Write(
        "config.xml",
        ConfigXml("<Version>2</Version>",
                  "<ExternalConfig FileName=\"extra.xml\"/>\n"
                  "<ExternalConfig FileName=\"\"/>\n<Contents><Package/><Package/></Contents>\n"));
    ASSERT_TRUE(Load().IsValid());
    EXPECT_EQ(3u, config_->StandardList().Size());
    EXPECT_EQ(2u, config_->ConfigList().Size());
}

TEST_F(ConfigTest, ExternalConfigThatNamesItselfIsRefused) {
    Write("loop.xml",
          "<Loop><ExternalConfig FileName=\"loop.xml\"/><Contents><P/></Contents></Loop>");
    Write("config.xml", ConfigXml("<Version>2</Version>",
                                  "<ExternalConfig FileName=\"loop.xml\"/><Contents/>\n"));
    EXPECT_FALSE(Load().IsValid());
}

TEST_F(ConfigTest, CannedConfigurationsAndIdentity) {
    Write("config.xml", ConfigXml("<Version>2</Version>",
                                  R"(<ConfigOptions>
  <CannedConfig Name="Full" Tag="FULL" Default="1">
    <Option Tag="F.Tools" Value="Yes"/>
    <option Tag="P.LEVEL" Value="3"/>
    <Option Tag="Bad" Value="x"/>
  </CannedConfig>
  <cannedconfig Name="Small" Tag="SMALL"/>
</ConfigOptions>
<Contents><Default NoExternalNoGUIArgs="-s"/></Contents>
)"));
    LogCapture log;
    ConfigInterpreter& config = Load("CannedConfig=\"FULL\" P.LEVEL=5");
    ASSERT_TRUE(config.IsValid());
    ASSERT_EQ(2u, config.CannedConfigs().size());
    EXPECT_TRUE(config.CannedConfigs()[0].isDefault);
    EXPECT_EQ(3u, config.CannedConfigs()[0].options.size());
    EXPECT_EQ("Small", config.CannedConfigs()[1].name);
    EXPECT_STREQ("-s", config.GetNoExternalNoGuiArgs());
    const PropertyStore& properties = config.Properties();
    EXPECT_EQ("Yes", properties.Get("MSIFeature.Tools"));
    EXPECT_EQ("5", properties.Get("MSIProperty.LEVEL"));  // the argument wins
    EXPECT_TRUE(
        log.Contains("[WARNING] Invalid MSI Feature or Property name 'Bad': not starting "
                     "with 'F.' or 'P.'"));
}

TEST_F(ConfigTest, PropertiesInTheirOrderAndPrecedence) {
    Write("config.xml", ConfigXml("<Version>2</Version>"));
    ConfigInterpreter& config =
        Load("x -s INSTALLDIR=\"C:\\A B\" F.Tools=No P.LEVEL=\"3\" MainInstance=No");
    const PropertyStore& properties = config.Properties();
    const char* const order[] = {"ProductName",
                                 "PendingReboot",
                                 "ControlledInstall",
                                 "EventLogActions",
                                 "Prerequisites",
                                 "Postrequisites",
                                 "SkipMain",
                                 "Action",
                                 "Mode",
                                 "MainInstance",
                                 "Rollback",
                                 "Date",
                                 "Time",
                                 "OSVersion",
                                 "OSArchitecture",
                                 "IsNtWorkstation",
                                 "InstallDir",
                                 "UninstallString",
                                 "MainIsInstalled",
                                 "MainInstalledVersion",
                                 "SkipCRC32",
                                 "PackageTag",
                                 "PackageFileName",
                                 "PackageProductCode",
                                 "FeaturesList",
                                 "PropertiesList",
                                 "WI_SilentMode",
                                 "WI_QuietMode",
                                 "SetupFolder",
                                 "ProgramFilesFolder",
                                 "TempFolder",
                                 "CommonFilesFolder",
                                 "SystemFolder",
                                 "WindowsFolder",
                                 "SIDReferencedDomainName",
                                 "SIDAccountName",
                                 "SIDLocalServiceAccountName",
                                 "AUTOREBOOT",
                                 "AutoDownloadPrerequisites",
                                 "PrerequisitesLocation",
                                 "ShowDownloadPrereqDlg",
                                 "LastPackageReturnCode",
                                 "MSIFeature.Tools",
                                 "MSIProperty.LEVEL",
                                 "FromConfig"};
    ASSERT_EQ(static_cast<int>(sizeof(order) / sizeof(order[0])), properties.Count());
    for (int i = 0; i < properties.Count(); ++i) EXPECT_EQ(order[i], properties.At(i)->Name);

    EXPECT_EQ("Sample Product", properties.Get("ProductName"));
    EXPECT_EQ("Uninstall", properties.Get("Action"));  // the configuration does not win
    EXPECT_EQ("Silent", properties.Get("Mode"));
    EXPECT_EQ("No", properties.Get("MainInstance"));
    EXPECT_FALSE(config.IsMainInstance());
    // INSTALLDIR is the standard InstallDir: the command line sets it, the configuration
    // does not win over it, and the listing keeps the standard spelling.
    EXPECT_EQ("C:\\A B", properties.Get("INSTALLDIR"));
    EXPECT_EQ("InstallDir", properties.At(16)->Name);
    EXPECT_EQ("No", properties.Get("MSIFeature.Tools"));
    EXPECT_EQ("3", properties.Get("MSIProperty.LEVEL"));
    EXPECT_EQ("config value", properties.Get("FromConfig"));
    EXPECT_EQ("text", properties.At(properties.Count() - 1)->Type);
    EXPECT_EQ("10.0.0", properties.Get("OSVersion"));
    EXPECT_EQ("/passive", properties.Get("WI_SilentMode"));
    EXPECT_EQ("/quiet", properties.Get("WI_QuietMode"));
    EXPECT_EQ("Yes", properties.Get("AutoDownloadPrerequisites"));
    EXPECT_EQ("No", properties.Get("ShowDownloadPrereqDlg"));
    EXPECT_EQ("Yes", properties.Get("AUTOREBOOT"));
    EXPECT_EQ(folder_.Path().string(), properties.Get("SetupFolder"));
    EXPECT_EQ(1, config.GetAction());
    EXPECT_EQ(1u, config.GetModeFlags());
}

TEST_F(ConfigTest, PackageScopeAndControlledInstall) {
    Write("config.xml", ConfigXml("<Version>2</Version>"));
    const PropertyStore& pre = Load("-pre -n").Properties();
    EXPECT_EQ("Yes", pre.Get("Prerequisites"));
    EXPECT_EQ("No", pre.Get("Postrequisites"));
    EXPECT_EQ("Yes", pre.Get("SkipMain"));
    EXPECT_EQ("No", pre.Get("MainInstance"));
    EXPECT_EQ("Yes", pre.Get("ControlledInstall"));
    EXPECT_EQ("No", pre.Get("AUTOREBOOT"));
    EXPECT_EQ("Normal", pre.Get("Mode"));

    const PropertyStore& all = Load("").Properties();
    EXPECT_EQ("Yes", all.Get("Prerequisites"));
    EXPECT_EQ("Yes", all.Get("Postrequisites"));
    EXPECT_EQ("No", all.Get("SkipMain"));
    EXPECT_EQ("Yes", all.Get("MainInstance"));
    EXPECT_EQ("Install", all.Get("Action"));
    EXPECT_TRUE(config_->IsMainInstance());
}

TEST_F(ConfigTest, InvalidArgumentsKeepTheConfigurationValid) {
    Write("config.xml", ConfigXml("<Version>2</Version>"));
    LogCapture log;
    ConfigInterpreter& config = Load("x r -s");
    EXPECT_TRUE(config.IsValid());
    EXPECT_TRUE(config.HasInvalidArguments());
    EXPECT_EQ(0u, config.GetModeFlags());
    EXPECT_TRUE(log.Contains("[ERROR] Invalid arguments(more then 1 action): x r \n"));
    config.WriteArgumentReport();
    EXPECT_TRUE(log.Contains("Command line parameters:\n    MSI Features    :  \n"));
    EXPECT_TRUE(log.Contains("    Actions         :  x  r  \n"));
    EXPECT_TRUE(log.Contains("USAGE:\n setup.exe  [i|x|r]"));
}

TEST_F(ConfigTest, SettingsGiveTheDownloadLocations) {
    Write("config.xml", ConfigXml("<Version>2</Version>"));
    Write("settings.xml", R"(<Settings><URL_Locations>
  <URL_Source><URL Protocol="unc" Server="srv" Path="share" User="u" Password="p"/>
              <URL Protocol="HTTP" Server="web" Port="80"/></URL_Source>
  <URL_Source><URL Protocol="Ftp" Server="ftp.example"/></URL_Source>
  <URL_Source><URL URL="https://cdn.example/p"/></URL_Source>
</URL_Locations></Settings>)");
    ConfigInterpreter& config = Load();
    ASSERT_EQ(4u, config.Locations().size());
    EXPECT_EQ("https://cdn.example/p", config.Locations()[3].url);  // a complete address
    EXPECT_EQ("", config.Locations()[0].url);
    EXPECT_EQ(kProtocolUnc, config.Locations()[0].protocol);
    EXPECT_EQ("p", config.Locations()[0].password);
    EXPECT_EQ(1, config.Locations()[1].group);
    EXPECT_EQ(kProtocolOther, config.Locations()[1].protocol);
    EXPECT_EQ(kProtocolFtp, config.Locations()[2].protocol);
    EXPECT_EQ(2, config.Locations()[2].group);

    Write("settings.xml", "<Settings><URL_Locations>");  // unparsable: no locations, still valid
    EXPECT_TRUE(Load().IsValid());
    EXPECT_TRUE(config_->Locations().empty());
}

}  // namespace
