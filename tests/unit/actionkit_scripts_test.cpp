// The product scripts that ConfigureFiles and ProcessFile rewrite.

#include <gtest/gtest.h>

#include <string>

#include "actionkit_fakes.h"
#include "actions.h"

namespace {

TEST(ActionKitScriptTextTest, TheFolderGoesInWithSlashesAndLinesEndInCrLf) {
    EXPECT_EQ("set home C:/Prog Files/V\r\nsource C:/Prog Files/V/lib/a.tcl C:/Prog Files/V\r\n",
              ProcessScriptText("set home @INSTALLDIR@\nsource @INSTALLDIR@/lib/a.tcl "
                                "@INSTALLDIR@\r\n",
                                "C:\\Prog Files\\V\\"));
    EXPECT_EQ("a\r\n\r\nlast", ProcessScriptText("a\n\nlast", "C:\\V"));
    EXPECT_EQ("", ProcessScriptText("", "C:\\V"));
    // A folder holding the mark is not looked into again.
    EXPECT_EQ("x=D:/@INSTALLDIR@", ProcessScriptText("x=@INSTALLDIR@", "D:\\@INSTALLDIR@"));
}

class ConfigureFilesTest : public ::testing::Test {
  protected:
    FakeActionSession session;
    FakeActionMachine machine;
    ActionContext context{session, machine};
};

TEST_F(ConfigureFilesTest, BothScriptsAreRewrittenAndAMissingOneIsPassedOver) {
    machine.files["C:\\V\\vireo.tcl"] = "cd @INSTALLDIR@\n";
    session.properties["CustomActionData"] = "C:\\V\\";
    EXPECT_EQ(kActionSuccess, ConfigureFilesAction(context));
    EXPECT_EQ("cd C:/V\r\n", machine.files["C:\\V\\vireo.tcl"]);
    EXPECT_TRUE(session.Logged(".Info: ConfigureFiles> C:\\V\\vireoext.tcl not found"));

    session.properties.erase("CustomActionData");
    session.properties["INSTALLDIR"] = "D:\\W";
    machine.files["D:\\W\\vireoext.tcl"] = "@INSTALLDIR@";
    EXPECT_EQ(kActionSuccess, ConfigureFilesAction(context));
    EXPECT_EQ("D:/W", machine.files["D:\\W\\vireoext.tcl"]);
}

TEST_F(ConfigureFilesTest, AScriptThatCannotBeRewrittenStopsTheInstallation) {
    machine.files["C:\\V\\vireo.tcl"] = "cd @INSTALLDIR@\n";
    machine.rewriteError = 5;
    session.properties["CustomActionData"] = "C:\\V";
    EXPECT_EQ(kActionFailure, ConfigureFilesAction(context));
    EXPECT_TRUE(session.Logged("Could not rewrite C:\\V\\vireo.tcl (error code 5)"));
    session.properties["CustomActionData"] = "";
    EXPECT_EQ(kActionFailure, ConfigureFilesAction(context));
    EXPECT_EQ(5ul, ProcessScriptFile(machine, "C:\\V\\vireo.tcl", "C:\\V"));
    EXPECT_EQ(2ul, ProcessScriptFile(machine, "C:\\V\\none.tcl", "C:\\V"));
}

}  // namespace

namespace {

TEST(ActionKitWishScriptTest, LinesInOrderWithFoldersQuotedForTcl) {
    const std::string script = WishScriptText("C:\\Prog\\V");
    EXPECT_EQ(
        "console show\n"
        "set env(VIREO_HWLIB_DIR) \"C:/Prog/V/TclScripts/lib\"\n"
        "lappend auto_path \"C:/Prog/V/TclScripts/lib\"\n"
        "append env(PATH) \";C:\\\\Prog\\\\V\\\\TclScripts\\\\bin\"\n"
        "wm iconbitmap . \"C:/Prog/V/vireo.ico\"\n"
        "puts -nonewline \"(TclScripts) 1 % \"\n",
        script);
    // A folder name with Tcl's substitutions runs nothing.
    const std::string odd = WishScriptText("C:\\a[exec calc]$x\"");
    EXPECT_NE(std::string::npos, odd.find("\"C:/a\\[exec calc\\]\\$x\\\"/TclScripts/lib\""));
}

class WishActionTest : public ConfigureFilesTest {};

TEST_F(WishActionTest, TheScriptIsWrittenBesideItsFolders) {
    session.properties["CustomActionData"] = "D:\\V\\";
    EXPECT_EQ(kActionSuccess, CreateWishScriptAction(context));
    EXPECT_EQ((std::vector<std::string>{"D:\\V\\TclScripts\\bin", "D:\\V\\TclScripts\\lib"}),
              machine.folders);
    EXPECT_EQ(WishScriptText("D:\\V"), machine.files["D:\\V\\TclScripts\\tarvexwish.tcl"]);

    machine.rewriteError = 5;
    EXPECT_EQ(kActionFailure, CreateWishScriptAction(context));
    EXPECT_TRUE(session.Logged("Could not write D:\\V\\TclScripts\\tarvexwish.tcl (error code 5)"));
    session.properties["CustomActionData"] = "";
    EXPECT_EQ(kActionFailure, CreateWishScriptAction(context));
}

}  // namespace
