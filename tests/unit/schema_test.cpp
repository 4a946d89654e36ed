#include "schema_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "f_execute.h"
#include "f_machine.h"
#include "log_capture.h"
#include "setup_folder.h"
#include "test_folder.h"

namespace {

MachineFacts Windows10x64() {
    MachineFacts machine;
    machine.platform = 2;
    machine.osVersion = "10.0.0";
    machine.osArchitecture = "64-bit";
    return machine;
}

class SchemaTest : public ::testing::Test {
  protected:
    // Reads the children of the root element of text (the root plays Contents).
    FlowList Read(const std::string& text, const FlowList* standard = nullptr) {
        const std::string path = folder_.Child("contents" + std::to_string(++files_) + ".xml");
        std::ofstream(path) << text;
        XMLParser document(path.c_str());
        EXPECT_TRUE(document.IsValid());
        FlowList list;
        SchemaReader(Windows10x64()).ReadContents(document, standard, &list);
        return list;
    }
    template <typename T>
    T& As(const FlowList& list, std::size_t index) {
        T* element = dynamic_cast<T*>(&list.At(index));
        EXPECT_NE(nullptr, element) << "element " << index;
        return *element;
    }

    TestFolder folder_;
    int files_ = 0;
};

TEST_F(SchemaTest, DispatchByElementName) {
    const FlowList list = Read(R"xml(<Contents>
  <Package Tag="P"/>
  <execute SetProperty="A=1"/>
  <Execute DllCall="utils.CallProc:X()" SetProperty="B=2"/>
  <Execute/>
  <Comment Text="skipped"/>
  <EnvironmentVar Name="PATH" Value="+C:\Tools" Separator=";"/>
  <REGISTRY Name="HKEY_LOCAL_MACHINE\SOFTWARE\X\V" Value="1" Type="dword"/>
</Contents>)xml");
    ASSERT_EQ(5u, list.Size());
    EXPECT_EQ("P", As<FPackage>(list, 0).tag);
    EXPECT_EQ("PROPERTY A", list.At(1).GetTag());
    // The DLL call wins over the property assignment of the same top-level entry.
    EXPECT_NE(nullptr, As<FExecute>(list, 2).DllCall());
    EXPECT_EQ(nullptr, As<FExecute>(list, 2).Property());
    EXPECT_EQ("+C:\\Tools", As<FEnvVar>(list, 3).value);
    EXPECT_EQ(";", As<FEnvVar>(list, 3).separator);
    EXPECT_EQ("ENV VAR", list.At(3).GetTag());
    EXPECT_EQ("dword", As<FRegistry>(list, 4).type);
    EXPECT_EQ("REGISTRY", list.At(4).GetTag());
}

TEST_F(SchemaTest, PackageAttributesAndFlags) {
    const FlowList list = Read(R"xml(<Contents>
  <Package Tag="T" Type="MSI" Name="Runtime" FileName="rt.msi" Feature="MAIN" RebootCode="3010"
           AppName="Runtime 2" Vital="no" RefCount="" Required="TRUE" Permanent="yes"
           Multiversion="Yes" SuccessCodes="0,3010,abc" ErrorCodes="5" CancelCodes="1602"/>
  <Package Tag="U" SuccessCodes="*" RebootCode="x10" Vital="" Required="Yes"/>
</Contents>)xml");
    const FPackage& p = As<FPackage>(list, 0);
    EXPECT_EQ("Runtime", p.name);
    EXPECT_EQ("Runtime 2", p.DisplayName());
    EXPECT_TRUE(p.IsMain());
    EXPECT_EQ(3010, p.RebootCodeValue());
    EXPECT_FALSE(p.vital);
    EXPECT_TRUE(p.refCounted);  // empty: unchanged
    EXPECT_FALSE(p.required);   // any value but Yes clears it
    EXPECT_TRUE(p.permanent);
    EXPECT_FALSE(p.silent);
    EXPECT_TRUE(p.version.multiversion);
    EXPECT_EQ((std::set<int>{0, 3010}), p.successCodes);
    EXPECT_EQ((std::set<int>{5}), p.errorCodes);
    EXPECT_EQ((std::set<int>{1602}), p.cancelCodes);
    EXPECT_FALSE(p.allCodesSucceed);

    const FPackage& q = As<FPackage>(list, 1);
    EXPECT_TRUE(q.allCodesSucceed);
    EXPECT_TRUE(q.successCodes.empty());
    EXPECT_EQ(0, q.RebootCodeValue());
    EXPECT_TRUE(q.vital);
    EXPECT_TRUE(q.required);
}

TEST_F(SchemaTest, PackageChildren) {
    SetSetupFolder("C:\\Setup\\");
    const FlowList list = Read(R"xml(<Contents><Package Tag="T">
  <Cache Location="C:\Cache"/>
  <Dependencies OSType="WinNT" OSVer="6.1-10.0" OSArch="64-bit"/>
  <Version Version=" 2.1 " Detect="u{12345678-1234-1234-1234-123456789ABC}"/>
  <InstallCondition Expr="[A]=1" InstallAction="install , REPAIR" Message="needs A"/>
  <InstallCondition Expr="" Message="dropped"/>
  <UninstallCondition Expr="[B]=1" InstallMode="silent"/>
  <ExtraParameters CollapseBy="12345678" Default="/norestart"/>
  <Execute DllCall="utils.CallProc:X()" SetProperty="A=1" InstallAction="install"/>
  <Install CmdLine="msiexec /i x.msi" CmdLineQuiet=""/>
  <Repair CmdLineSilent="/s"/>
  <Properties Input="INSTALLDIR" Output="RESULT"/>
  <File Name="*.txt,*.ini" Location="\[InstallDir]\conf\" Overwrite="Yes" OnFail="Warning:copy"/>
  <File Name="b.dat" Source="/data/"/>
</Package></Contents>)xml");
    SetSetupFolder("");
    const FPackage& p = As<FPackage>(list, 0);
    EXPECT_EQ("C:\\Cache", p.cacheLocation);
    EXPECT_EQ("WinNT", p.os.type);
    EXPECT_EQ("6.1-10.0", p.os.version);
    EXPECT_EQ("2.1", p.version.versionText);
    EXPECT_EQ("u{12345678-1234-1234-1234-123456789ABC}", p.version.productId);
    ASSERT_EQ(2u, p.conditions.size());
    EXPECT_EQ(0, p.conditions[0].kind);
    EXPECT_EQ("[A]=1", p.conditions[0].condition);
    EXPECT_EQ("0 OR [Action]=Install OR [Action]=Repair", p.conditions[0].precondition);
    EXPECT_EQ("needs A", p.conditions[0].message);
    EXPECT_EQ(1, p.conditions[1].kind);
    EXPECT_EQ("0 OR [Mode]=Silent", p.conditions[1].precondition);
    EXPECT_EQ("", p.collapseBy);  // eight characters do not fit the seven-character field
    EXPECT_EQ("/norestart", p.extraParameters);
    ASSERT_EQ(2u, p.beforeInstaller.Size());  // both builders run inside a package
    EXPECT_EQ("DLLCALL", p.beforeInstaller.At(0).GetTag());
    EXPECT_EQ("PROPERTY A", p.beforeInstaller.At(1).GetTag());
    EXPECT_EQ("(0 OR [Action]=Install) AND (1)",
              p.beforeInstaller.At(0).ImplicitCondition()->Text());
    EXPECT_EQ("msiexec /i x.msi", p.install.normal.value_or("unset"));
    EXPECT_FALSE(p.install.silent.has_value());
    EXPECT_EQ("", p.install.quiet.value_or("unset"));
    EXPECT_EQ("/s", p.repair.silent.value_or("unset"));
    EXPECT_FALSE(p.uninstall.normal.has_value());
    EXPECT_EQ("INSTALLDIR", p.inputProperties);
    EXPECT_EQ("RESULT", p.outputProperties);
    ASSERT_EQ(2u, p.aroundInstaller.Size());
    const auto& file = dynamic_cast<const FFile&>(p.aroundInstaller.At(0));
    EXPECT_EQ("*.txt,*.ini", file.mask);
    EXPECT_EQ("C:\\Setup", file.sourceFolder);  // the setup folder, trimmed
    EXPECT_EQ("[InstallDir]\\conf", file.destinationFolder);
    EXPECT_TRUE(file.overwrite);
    EXPECT_EQ(kOnFailWarning, file.OnFailType());
    EXPECT_EQ(1, file.sequence);
    EXPECT_EQ(
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvex Duvovuduzazudu\\InstallInfo\\Bootstrapper\\Backup",
        file.backupRoot);
    const auto& second = dynamic_cast<const FFile&>(p.aroundInstaller.At(1));
    EXPECT_EQ("data", second.sourceFolder);
    EXPECT_EQ(2, second.sequence);
}

const char kStandardPackages[] = R"xml(<Contents>
  <Package Tag="MSI" Type="MSI" SuccessCodes="0,3010">
    <Install CmdLine="msiexec /i [PackageFileName] [WI_SilentMode]"/>
  </Package>
  <Package Tag="VCRT" Type="EXE" Name="Runtime (9x)" FileName="rt9x.exe">
    <Dependencies OSType="Win9x"/>
  </Package>
  <Package Tag="VCRT" Type="EXE" Name="Runtime (x86)" FileName="rt86.exe">
    <Dependencies OSType="WinNT" OSArch="32-bit"/>
  </Package>
  <Package Tag="VCRT" Type="EXE" Name="Runtime" FileName="rt.exe" Vital="No">
    <Dependencies OSType="WinNT" OSArch="64-bit" OSVer="6.1" OSOper=">="/>
    <Version Version="14.0" Detect="u{11111111-2222-3333-4444-555555555555}"/>
    <Execute SetProperty="RT=1"/>
  </Package>
</Contents>)xml";

TEST_F(SchemaTest, ConfigPackageIsCompletedFromTheStandardOneThatFits) {
    const FlowList standard = Read(kStandardPackages);
    ASSERT_EQ(4u, standard.Size());
    const FlowList config = Read(R"xml(<Contents>
  <Package Tag="vcrt" Type="EXE" FileName="mine.exe"/>
  <Package Tag="App" Type="MSI" Name="Application" Feature="MAIN"/>
  <Package Tag="Other" Type="EXE"/>
</Contents>)xml",
                                 &standard);
    const FPackage& runtime = As<FPackage>(config, 0);
    EXPECT_TRUE(runtime.basedOnStandard);
    EXPECT_EQ("Runtime", runtime.name);       // the 64-bit NT one, the others do not fit
    EXPECT_EQ("mine.exe", runtime.fileName);  // config.xml overrides what it names
    EXPECT_FALSE(runtime.vital);
    EXPECT_EQ("14.0", runtime.version.versionText);
    ASSERT_EQ(1u, runtime.beforeInstaller.Size());
    EXPECT_NE(&standard.At(3), &runtime);  // a copy, with copies of its elements
    EXPECT_NE(&dynamic_cast<const FPackage&>(standard.At(3)).beforeInstaller.At(0),
              &runtime.beforeInstaller.At(0));

    const FPackage& app = As<FPackage>(config, 1);  // the generic MSI package
    EXPECT_EQ("msiexec /i [PackageFileName] [WI_SilentMode]", app.install.normal.value_or(""));
    EXPECT_EQ((std::set<int>{0, 3010}), app.successCodes);
    EXPECT_EQ("App", app.tag);
    EXPECT_EQ("Application", app.name);

    const FPackage& other = As<FPackage>(config, 2);  // an EXE type exists, but not this tag
    EXPECT_TRUE(other.basedOnStandard);
    EXPECT_EQ("", other.name);
    EXPECT_EQ("", other.ConfigurationErrors());
}

TEST_F(SchemaTest, StandardTypeMustNameAStandardPackage) {
    const FlowList standard = Read(kStandardPackages);
    const FlowList config = Read(R"xml(<Contents>
  <Package Tag="x" Type="STD"/>
  <Package Tag="VCRT" Type="STD" Name="Renamed"/>
</Contents>)xml",
                                 &standard);
    const FPackage& missing = As<FPackage>(config, 0);
    EXPECT_EQ("Package 'x' not found in standard packages (standard.xml)",
              missing.ConfigurationErrors());
    const FPackage& found = As<FPackage>(config, 1);
    EXPECT_EQ("", found.ConfigurationErrors());
    EXPECT_EQ("EXE", found.type);  // the standard package's own type is kept
    EXPECT_EQ("rt.exe", found.fileName);
    EXPECT_EQ("Renamed", found.name);
}

TEST(SystemFitTest, OperatingSystemRequirements) {
    const MachineFacts machine = Windows10x64();
    struct Row {
        OsRequirement requirement;
        bool fits;
    } const rows[] = {
        {{}, true},
        {{"WinNT", "", "", "", ""}, true},
        {{"winnt", "", "64-BIT", "", ""}, true},
        {{"Win9x", "", "", "", ""}, false},
        {{"Linux", "", "", "", ""}, false},
        {{"", "", "32-bit", "", ""}, false},
        {{"", "6.1-10.0", "", "", ""}, true},
        {{"", "6.1-6.3", "", "", ""}, false},
        {{"", "6.1", "", ">=", ""}, true},
        {{"", "10.0", "", "LT", ""}, false},
        {{"", "10", "", "EQ", ""}, true},
        {{"", "10", "", "~", ""}, false},
        {{"", "10", "", "<>", ""}, false},
        {{"", "6.1", "", "gt", ""}, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.fits, FitsSystem(row.requirement, machine))
            << row.requirement.type << "/" << row.requirement.version << "/"
            << row.requirement.versionOperator;
}

}  // namespace
