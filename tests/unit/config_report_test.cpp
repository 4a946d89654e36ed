// The report of the configuration checker: the verdict it gives must be the return code the
// run would end with before any package runs, and the chain it lists must be what the run
// would take from the files.

#include "config_report.h"

#include <gtest/gtest.h>

#include "config_folder_test.h"
#include "log_capture.h"
#include "return_codes.h"

namespace {

const char kStandard[] = R"(<Standard>
  <Contents>
    <Package Tag="MSI" Type="MSI" SuccessCodes="0,3010" ErrorCodes="1603" RebootCode="3010">
      <Install CmdLine="msiexec /i [PackageFileName]" CmdLineSilent="msiexec /i [PackageFileName] /qn"/>
    </Package>
    <Package Tag="TOOLS" Type="EXE" SuccessCodes="*"/>
  </Contents>
</Standard>)";

std::string Config(const std::string& contents, const std::string& version = "2") {
    return "<Config><Version>" + version +
           "</Version><ProductInfo Name=\"Report Product\" Tag=\"RP\"/><Contents>" + contents +
           "</Contents></Config>";
}

const char kPre[] = R"(<Package Tag="PRE" Type="MSI" Name="Pre" FileName="pre.msi">
    <Version Version="1.0" Detect="u{5A3D0001-7E57-4C0D-9A11-00000000FF01}"/>
    <InstallCondition Expr="[MainIsInstalled]=0" InstallAction="Install"/></Package>)";
const char kMain[] =
    R"(<Package Tag="MAIN" Type="MSI" Name="Main" FileName="main.msi" Feature="MAIN" Vital="No"/>)";
const char kPost[] = R"(<Package Tag="TOOLS" Type="STD" Name="Tools"/>)";

class ConfigReportTest : public ConfigFolderTest {
  protected:
    ConfigReportTest() : ConfigFolderTest(kStandard) {}

    // The code the report gives for this config.xml and these arguments; the report's text
    // is in text_.
    int Report(const std::string& config, const std::string& arguments = "") {
        Write("config.xml", config);
        LogCapture capture;
        const int code = ReportConfiguration(Load(arguments), Log());
        text_ = capture.Text();
        return code;
    }

    std::string text_;
};

TEST_F(ConfigReportTest, AcceptedChainIsListedInOrderWithWhatItsDecisionsUse) {
    EXPECT_EQ(-1, Report(Config(std::string(kPre) + kMain +
                                "<Execute SetProperty=\"A=1\" Condition=\"[B]=2\"/>" + kPost)));
    EXPECT_TRUE(Contains(text_, "Setup would accept these files")) << text_;
    EXPECT_TRUE(Contains(text_, "(1) INITIALIZING PROPERTIES...")) << text_;
    // The run's defaults are listed among the properties, as the run logs them.
    EXPECT_TRUE(Contains(text_, "    SkipMain                   = No")) << text_;
    const std::size_t pre = text_.find("Package   : 'Pre' (prerequisite, tag 'PRE', type 'MSI')");
    const std::size_t main = text_.find("Package   : 'Main' (MAIN, tag 'MAIN', type 'MSI')");
    const std::size_t execute = text_.find("SetProperty 'A=1' when [B]=2");
    const std::size_t post =
        text_.find("Package   : 'Tools' (postrequisite, tag 'TOOLS', type 'EXE')");
    ASSERT_NE(std::string::npos, pre) << text_;
    ASSERT_NE(std::string::npos, main) << text_;
    ASSERT_NE(std::string::npos, execute) << text_;
    ASSERT_NE(std::string::npos, post) << text_;
    EXPECT_LT(pre, main);
    EXPECT_LT(main, execute);
    EXPECT_LT(execute, post);
    // What the packages took from the standard packages, and their own settings.
    EXPECT_TRUE(Contains(text_, "install command 'msiexec /i [PackageFileName]'")) << text_;
    EXPECT_TRUE(Contains(text_, "success 0,3010, error 1603, cancel -, reboot '3010'")) << text_;
    EXPECT_TRUE(Contains(text_, "success *, error -")) << text_;
    EXPECT_TRUE(Contains(text_, "vital No, refcount Yes")) << text_;
    EXPECT_TRUE(Contains(text_, "detect 'u{5A3D0001-7E57-4C0D-9A11-00000000FF01}', version '1.0'"))
        << text_;
    EXPECT_TRUE(Contains(text_, "install when [MainIsInstalled]=0 and 0 OR [Action]=Install"))
        << text_;
}

TEST_F(ConfigReportTest, CommandLineChoosesTheActionAndModeShown) {
    EXPECT_EQ(-1, Report(Config(kMain), "-s"));
    EXPECT_TRUE(Contains(text_, "install command 'msiexec /i [PackageFileName] /qn'")) << text_;
    EXPECT_EQ(-1, Report(Config(kMain), "x"));
    EXPECT_TRUE(Contains(text_, "uninstall command '(none)'")) << text_;
}

TEST_F(ConfigReportTest, RefusalsGiveTheReturnCodeOfTheRun) {
    struct Case {
        std::string config;
        std::string arguments;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {Config(kPre), "", RC_MainPackageNotDetected,
         "NO MAIN PACKAGE DETECTED (containing Feature='MAIN' attribute)!"},
        {Config(std::string(kMain) + kMain), "", RC_InvalidConfiguration,
         "Another main package has been detected! It will be ignored."},
        {Config(std::string(kMain) + "<Package Tag=\"NOPE\" Type=\"STD\"/>"), "",
         RC_InvalidConfiguration, "Package 'NOPE' not found in standard packages (standard.xml)"},
        {Config(kMain, "3"), "", RC_InvalidConfiguration, "Invalid configuration. Quitting..."},
        {"<Config><Contents/>", "", RC_InvalidConfiguration, "Invalid configuration. Quitting..."},
        {Config(kMain), "x r", RC_InvalidArguments, "Invalid arguments(more then 1 action): x r"},
        {Config(kMain), "/s", RC_InvalidArguments, "USAGE:"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, Report(c.config, c.arguments)) << c.config << " " << c.arguments;
        EXPECT_TRUE(Contains(text_, c.says)) << text_;
        EXPECT_TRUE(Contains(text_, std::string("Setup would stop before any package runs and "
                                                "return ") +
                                        std::to_string(c.code)))
            << text_;
        EXPECT_FALSE(Contains(text_, "Setup would accept")) << text_;
    }
}

}  // namespace
