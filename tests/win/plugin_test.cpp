// Plug-in calls end to end: the caller side (Library, the cache, CallPlugin) against the real
// utils.dll and forms.dll, and the exports of the plug-ins called directly.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "shared_log.h"
#include "log_capture.h"
#include "plugin_call.h"
#include "plugin_interface.h"
#include "plugin_library.h"
#include "property_store.h"

namespace {

using BSCallProcFunction = int (*)(const char*, int*, char*, int, int*);
using InitializeFunction = int (*)(HANDLE, PropertyStore*, const char*);

template <typename Function>
Function ExportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::size_t SharedLogSize() {
    return SharedLogSince(0).size();
}

struct Outcome {
    int kind;
    int number;
    std::string value;
    std::string error;
};

Outcome CallThroughSetup(const char* call) {
    Outcome out{0, -99, "", ""};
    char value[1024] = {};
    char error[1024] = {};
    out.kind = CallPlugin(call, &out.number, value, sizeof(value), error, sizeof(error));
    out.value = value;
    out.error = error;
    return out;
}

class CallerSideTest : public ::testing::Test {
  protected:
    void SetUp() override { SetPluginFolderProvider(BinFolder); }
    void TearDown() override {
        UnloadAll();
        SetPluginFolderProvider(nullptr);
        SetPluginCaller(nullptr);
    }
};

TEST_F(CallerSideTest, LibrariesAreCachedByNameWithoutRegardToCase) {
    Outcome out = CallThroughSetup("utils.CallProc:CompareVersions(1.10|1.9)");
    EXPECT_EQ(kProcInteger, out.kind);
    EXPECT_EQ(1, out.number);
    EXPECT_EQ("1", out.value);
    Library* first = GetLibrary("utils.dll");
    ASSERT_NE(nullptr, first);
    EXPECT_TRUE(first->IsLoaded());

    out = CallThroughSetup("UTILS.callproc: CompareVersions(1.2|1.2.0) ");
    EXPECT_EQ(kProcInteger, out.kind);
    EXPECT_EQ(0, out.number);
    EXPECT_EQ(first, GetLibrary("Utils.DLL"));
    EXPECT_EQ(1, CachedLibraryCount());
    UnloadAll();
    EXPECT_EQ(0, CachedLibraryCount());
}

std::string TestFolderProvider() {
    return TestProgramFolder();
}

TEST_F(CallerSideTest, AnExceptionInAPluginIsCaughtWhereTheCallIsMade) {
    SetPluginFolderProvider(TestFolderProvider);
    LogCapture log;
    const Outcome out = CallThroughSetup("throwing_plugin.CallProc:Anything(x)");
    EXPECT_EQ(-1, out.kind);
    EXPECT_TRUE(log.Contains("[ERROR] The call 'Anything(x)' of 'throwing_plugin"));
    EXPECT_TRUE(log.Contains("' failed with an exception")) << log.Text();
}

TEST_F(CallerSideTest, ResultKinds) {
    Outcome out = CallThroughSetup("utils.CallProc:StrToUpper(mixed Case)");
    EXPECT_EQ(kProcText, out.kind);
    EXPECT_EQ("MIXED CASE", out.value);

    out = CallThroughSetup(" utils .CallProc:CompareVersions(1.2|1.2.1)");
    EXPECT_EQ(kProcInteger, out.kind);
    EXPECT_EQ(-1, out.number);

    const std::size_t mark = SharedLogSize();
    out = CallThroughSetup("utils.CallProc:NoSuchProc(a)");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ(-99, out.number);  // not passed out on failure
    EXPECT_EQ("Error evaluating method (in FDllCall) CallProc:NoSuchProc(a) -> dll file: utils.dll",
              out.error);
    EXPECT_NE(std::string::npos, SharedLogSince(mark).find("[ERROR] Proc NoSuchProc not found"));
}

TEST_F(CallerSideTest, OnlyCallProcNamesTheExport) {
    LogCapture log;
    Outcome out = CallThroughSetup("utils.BSCallProc:X()");
    EXPECT_EQ(-1, out.kind);
    EXPECT_TRUE(log.Contains(
        "Library::ExecuteMethod(...) invalid method name '(NULL)' (associated with 'BSCallProc')"));
    EXPECT_TRUE(
        log.Contains("Library::ExecuteMethod(...) could not obtain 'BSCallProc' method's address "
                     "('(NULL)' internal name) from 'utils.dll' file"));
    EXPECT_EQ(-1, CallThroughSetup("utils.CallProc StrToUpper(a)").kind);
    EXPECT_TRUE(log.Contains("Invalid syntax for procedure call 'CallProc StrToUpper(a)'"));
}

TEST_F(CallerSideTest, MalformedAndMissingLibraries) {
    EXPECT_EQ("invalid format for nodot", CallThroughSetup("nodot").error);
    EXPECT_EQ("invalid format for .CallProc:X()", CallThroughSetup(".CallProc:X()").error);
    EXPECT_EQ(-1, CallThroughSetup("nodot").kind);
    EXPECT_EQ(0, CachedLibraryCount());

    LogCapture log;
    Outcome out = CallThroughSetup("missing.CallProc:P()");
    EXPECT_EQ(-1, out.kind);
    EXPECT_TRUE(log.Contains("Library::ExecuteMethod(...) could not load library 'missing.dll'"));
    EXPECT_EQ("Error evaluating method (in FDllCall) CallProc:P() -> dll file: missing.dll",
              out.error);
    EXPECT_EQ(1, CachedLibraryCount());  // cached although it did not load
    EXPECT_FALSE(GetLibrary("MISSING.dll")->IsLoaded());

    // Only the plug-in folder is searched: a system library of the same name is not used.
    EXPECT_EQ(-1, CallThroughSetup("kernel32.CallProc:P()").kind);
    EXPECT_TRUE(log.Contains("could not load library 'kernel32.dll'"));
}

TEST_F(CallerSideTest, ErrorTextIsCutToTheBuffer) {
    char error[16] = {};
    int number = 0;
    char value[16] = {};
    EXPECT_EQ(-1, CallPlugin("a-long-call-without-a-dot", &number, value, sizeof(value), error,
                             sizeof(error)));
    EXPECT_STREQ("invalid format ", error);
}

TEST_F(CallerSideTest, LibraryFileNames) {
    Library library;
    EXPECT_FALSE(library.SetFile(""));
    EXPECT_FALSE(library.SetFile(nullptr));
    LogCapture log;
    EXPECT_FALSE(library.SetFile(std::string(Library::kMaxFileName + 1, 'n').c_str()));
    EXPECT_TRUE(log.Contains("[WARNING] Library::SetFile(...) path size too small (ignored)"));
    EXPECT_TRUE(library.Load("utils.dll"));
    EXPECT_TRUE(library.SetFile("UTILS.DLL"));
    EXPECT_TRUE(library.IsLoaded());  // same name: kept
    EXPECT_EQ("utils.dll", library.FileName());
    EXPECT_TRUE(library.SetFile("forms.dll"));
    EXPECT_FALSE(library.IsLoaded());  // another name releases the module
    EXPECT_EQ(nullptr, library.Export("BSCallProc"));
    int number = 0;
    char buffer[64] = {};
    int status = 0;
    EXPECT_EQ(kProcText,
              library.ExecuteMethod("CallProc:ShowForm(f)", &number, buffer, 64, &status));
    EXPECT_TRUE(library.IsLoaded());  // loaded on first use
    EXPECT_EQ(0, status);
    EXPECT_STREQ("", buffer);  // no form f: no answer
}

TEST_F(CallerSideTest, InitializationHandsTheStoreToThePlugins) {
    PropertyStore store;
    store.Set("Greeting", "hello", false);
    InitializePlugins(nullptr, &store, "C:\\setup\\config.xml");
    EXPECT_EQ(2, CachedLibraryCount());
    InstallPluginLibraryCaller(BinFolder);
    std::string text;
    std::string error;
    EXPECT_TRUE(CallPluginForText("utils.CallProc:StrToUpper([Greeting] you)", &text, &error));
    EXPECT_EQ("HELLO YOU", text);
    EXPECT_TRUE(CallPluginForText("utils.CallProc:CompareVersions(2|[Greeting])", &text, &error));
    EXPECT_EQ("1", text);
    // A call that fails (here on its argument count) names itself in the error.
    EXPECT_FALSE(CallPluginForText("utils.CallProc:RunningAsAdmin(extra)", &text, &error));
    EXPECT_NE(std::string::npos, error.find("CallProc:RunningAsAdmin(extra)")) << error;
    UnloadAll();  // before the store goes away: the plug-ins keep its address
}

class PluginSideTest : public ::testing::Test {
  protected:
    void SetUp() override {
        utils_ = LoadLibraryA((BinFolder() + "\\utils.dll").c_str());
        forms_ = LoadLibraryA((BinFolder() + "\\forms.dll").c_str());
        ASSERT_NE(nullptr, utils_);
        ASSERT_NE(nullptr, forms_);
        call_ = ExportOf<BSCallProcFunction>(utils_, "BSCallProc");
        ASSERT_NE(nullptr, call_);
    }
    void TearDown() override {
        FreeLibrary(utils_);
        FreeLibrary(forms_);
    }

    Outcome Call(const char* text) {
        Outcome out{0, -99, "", ""};
        char buffer[256] = "unchanged";
        int status = -99;
        out.kind = call_(text, &out.number, buffer, sizeof(buffer), &status);
        out.value = buffer;
        out.error = std::to_string(status);
        return out;
    }

    HMODULE utils_ = nullptr;
    HMODULE forms_ = nullptr;
    BSCallProcFunction call_ = nullptr;
};

TEST_F(PluginSideTest, ExportsByNameAndOrdinal) {
    for (HMODULE module : {utils_, forms_}) {
        const struct {
            int ordinal;
            const char* name;
        } exports[] = {{1, "InitializeDllData"}, {200, "CallProc"}, {201, "BSCallProc"}};
        for (const auto& entry : exports) {
            FARPROC byName = GetProcAddress(module, entry.name);
            EXPECT_NE(nullptr, byName) << entry.name;
            EXPECT_EQ(byName, GetProcAddress(module, MAKEINTRESOURCEA(entry.ordinal)))
                << entry.name;
        }
        EXPECT_EQ(nullptr, GetProcAddress(module, "PluginModuleTable"));
    }
}

TEST_F(PluginSideTest, ArgumentSplitting) {
    EXPECT_EQ("0", Call("CompareVersions(1.0|1.0.0.0)").value);
    // A trailing "|" adds nothing; an empty piece between two is an argument.
    EXPECT_EQ(kProcInteger, Call("CompareVersions(1.0|2.0|)").kind);
    Outcome out = Call("CompareVersions(1.0||2.0)");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ("87", out.error);
    EXPECT_EQ("87", Call("CompareVersions()").error);
    out = Call("StrToUpper(|)");
    EXPECT_EQ(kProcText, out.kind);
    EXPECT_EQ("", out.value);
    EXPECT_EQ("A)B", Call("StrToUpper(a)b)").value);
    EXPECT_EQ("X", Call("StrToUpper(x)extra").value);
}

TEST_F(PluginSideTest, NamesMatchExactly) {
    const std::size_t mark = SharedLogSize();
    Outcome out = Call(" StrToUpper(a)");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ("87", out.error);
    EXPECT_EQ(-1, Call("strtoupper(a)").kind);
    EXPECT_EQ(-1, Call("NoSuchProc()").kind);
    const std::string log = SharedLogSince(mark);
    EXPECT_NE(std::string::npos, log.find("Proc  StrToUpper not found"));
    EXPECT_NE(std::string::npos, log.find("Proc strtoupper not found"));
    out = Call("StrToUpper");
    EXPECT_EQ(-1, out.kind);
    EXPECT_EQ("87", out.error);
    EXPECT_NE(std::string::npos,
              SharedLogSince(mark).find("[ERROR] CallProc> Incorrect format for 'StrToUpper'"));
}

TEST_F(PluginSideTest, ThirtyTwoArgumentsAreCounted) {
    std::string call = "StrToUpper(a";
    for (int i = 1; i < 32; ++i) call += "|a";
    call += ")";
    const std::size_t mark = SharedLogSize();
    EXPECT_EQ("87", Call(call.c_str()).error);
    const std::string log = SharedLogSince(mark);
    EXPECT_NE(std::string::npos, log.find("Proc StrToUpper has an incorrect number of parameters"));
}

TEST_F(PluginSideTest, NullOutPointers) {
    EXPECT_EQ(kProcInteger, call_("CompareVersions(1|2)", nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(kProcText, call_("StrToLower(ABC)", nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(-1, call_("Unknown()", nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(-1, call_(nullptr, nullptr, nullptr, 0, nullptr));
    char small[3] = {};
    EXPECT_EQ(kProcText, call_("StrToLower(ABCDEF)", nullptr, small, sizeof(small), nullptr));
    EXPECT_STREQ("ab", small);  // cut to the caller's buffer
}

// Procedures that once answered "not available" now answer through the same door, and the
// argument count is still checked before any of them runs.
TEST_F(PluginSideTest, UtilsProceduresAnswerAndCheckTheirCounts) {
    const std::size_t mark = SharedLogSize();
    Outcome out = Call("RunningAsAdmin()");
    EXPECT_EQ(kProcInteger, out.kind);
    EXPECT_EQ("0", out.error);
    EXPECT_EQ(std::string::npos, SharedLogSince(mark).find("is not available in this build"));
    EXPECT_EQ("87", Call("RunningAsAdmin(extra)").error);
    out = Call("PathJoin(a|b|c|d)");
    EXPECT_EQ(kProcText, out.kind);
    EXPECT_NE(std::string::npos, out.value.find("b")) << out.value;
    EXPECT_EQ("87", Call("PathJoin(a)").error);
    EXPECT_EQ("87", Call("ShowForm(x)").error);  // a forms procedure is not in utils
}

TEST_F(PluginSideTest, FormsCarriesShowForm) {
    auto forms = ExportOf<BSCallProcFunction>(forms_, "BSCallProc");
    ASSERT_NE(nullptr, forms);
    int status = 0;
    // No form of that name: an empty answer, logged, but the call itself succeeded.
    EXPECT_EQ(kProcText, forms("ShowForm(form1)", nullptr, nullptr, 0, &status));
    EXPECT_EQ(0, status);
    EXPECT_EQ(-1, forms("ShowForm()", nullptr, nullptr, 0, &status));
    EXPECT_EQ(87, status);
    EXPECT_EQ(-1, forms("StrToUpper(a)", nullptr, nullptr, 0, &status));
    EXPECT_EQ(87, status);
}

TEST_F(PluginSideTest, InitializeDllDataKeepsTheStore) {
    auto initialize = ExportOf<InitializeFunction>(utils_, "InitializeDllData");
    ASSERT_NE(nullptr, initialize);
    PropertyStore store;
    store.Set("Version", "3.1", false);
    initialize(nullptr, &store, "config.xml");
    EXPECT_EQ("1", Call("CompareVersions([Version]|3.0.9)").value);
    initialize(nullptr, nullptr, "");
    EXPECT_EQ("-1", Call("CompareVersions([Version]|3.0.9)").value);  // no longer expanded
}

}  // namespace
