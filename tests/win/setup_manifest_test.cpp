// The application manifest embedded in setup.exe, read back from the built program as the
// loader would find it (resource 1 of type RT_MANIFEST).

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "child_process.h"
#include "test_folder.h"
#include "xml_parser.h"

namespace {

std::string EmbeddedManifest(const std::string& program) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return std::string();
    std::string text;
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes)
        text.assign(static_cast<const char*>(bytes), SizeofResource(module, resource));
    FreeLibrary(module);
    return text;
}

class SetupManifest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string text = EmbeddedManifest(TestProgramFolder() + "\\..\\bin\\setup.exe");
        ASSERT_FALSE(text.empty()) << "setup.exe carries no manifest";
        const std::string path = folder_.Child("setup.exe.manifest");
        std::ofstream(path, std::ios::binary) << text;
        xml_ = std::make_unique<XMLParser>(path.c_str());
        // Windows refuses to start a program whose manifest is not well-formed.
        ASSERT_TRUE(xml_->IsValid());
        root_ = xml_->GetPosition();
        ASSERT_EQ("assembly", xml_->NodeName());
    }

    // The element of that name below parent, or null.
    XMLPosition Find(const char* name, XMLPosition parent) {
        return parent ? xml_->FindElement(name, parent) : nullptr;
    }
    std::string Attribute(XMLPosition element, const char* name) {
        if (!element || xml_->SetPosition(element) != 1)
            return "<no element>";
        return xml_->GetAttribute(nullptr, name, 4).value_or("<no attribute>");
    }
    std::string Text(XMLPosition element) {
        if (!element || xml_->SetPosition(element) != 1)
            return "<no element>";
        return xml_->GetValue(nullptr, 4).value_or("<no text>");
    }

    TestFolder folder_;
    std::unique_ptr<XMLParser> xml_;
    XMLPosition root_ = nullptr;
};

TEST_F(SetupManifest, AsksForAdministratorRights) {
    const XMLPosition privileges = Find("requestedPrivileges", Find("trustInfo", root_));
    const XMLPosition level = Find("requestedExecutionLevel", privileges);
    EXPECT_EQ("requireAdministrator", Attribute(level, "level"));
    EXPECT_EQ("false", Attribute(level, "uiAccess"));
}

TEST_F(SetupManifest, DeclaresEverySupportedSystem) {
    const XMLPosition application = Find("application", Find("compatibility", root_));
    std::set<std::string> declared;
    XMLPosition os = Find("supportedOS", application);
    ASSERT_NE(nullptr, os);
    ASSERT_EQ(1, xml_->SetPosition(os));
    do {
        declared.insert(xml_->GetAttribute(nullptr, "Id", 4).value_or(""));
    } while (xml_->FindNextSibling("supportedOS"));
    const std::set<std::string> expected = {
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
    };
    EXPECT_EQ(expected, declared);
}

TEST_F(SetupManifest, DependsOnCommonControlsSix) {
    const XMLPosition identity =
        Find("assemblyIdentity", Find("dependentAssembly", Find("dependency", root_)));
    EXPECT_EQ("Microsoft.Windows.Common-Controls", Attribute(identity, "name"));
    EXPECT_EQ("6.0.0.0", Attribute(identity, "version"));
    EXPECT_EQ("win32", Attribute(identity, "type"));
    EXPECT_EQ("6595b64144ccf1df", Attribute(identity, "publicKeyToken"));
    EXPECT_EQ("*", Attribute(identity, "processorArchitecture"));
}

TEST_F(SetupManifest, IsAwareOfTheDpiOfEachMonitor) {
    const XMLPosition settings = Find("windowsSettings", root_);
    const XMLPosition aware = Find("dpiAware", settings);
    const XMLPosition awareness = Find("dpiAwareness", settings);
    EXPECT_EQ("true/PM", Text(aware));
    EXPECT_EQ("PerMonitorV2", Text(awareness));
    // The older systems read dpiAware from its own namespace, the newer dpiAwareness.
    EXPECT_EQ("http://schemas.microsoft.com/SMI/2005/WindowsSettings", Attribute(aware, "xmlns"));
    EXPECT_EQ("http://schemas.microsoft.com/SMI/2016/WindowsSettings",
              Attribute(awareness, "xmlns"));
}

}  // namespace
