// The ShowForm procedure over a presenter that answers as a user would.

#include "show_form.h"

#include <gtest/gtest.h>

#include <fstream>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "form_collection.h"
#include "log_capture.h"
#include "property_store.h"
#include "test_folder.h"

namespace {

class ScriptedPresenter : public FormPresenter {
  public:
    std::string Show(PluginSession, const FormDefinition& form,
                     const TitleExpander& expandTitle) override {
        shown.push_back(form.id);
        titles.push_back(expandTitle(form.hasCaption ? form.caption : "[ProductName] [VERSION]"));
        if (during)
            during();
        return answer;
    }
    std::string answer;
    std::function<void()> during;
    std::vector<std::string> shown;
    std::vector<std::string> titles;
};

struct Outcome {
    int value;
    int status;
    std::string result;
};

class ShowFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = folder_.Child("config.xml");
        std::ofstream(path_) << R"(<Config>
  <Form Id="Ask" ResourceId="110" Caption="[ProductName] [VERSION] - question">
    <Button Id="Go on" ResourceId="1013"/>
  </Form>
  <Form Id="Plain" ResourceId="111"/>
</Config>)";
        store_.Set("ProductName", "Sample Product", false);
        store_.Set("VERSION", "1.2.3", false);
        SetPluginData(nullptr, &store_, path_.c_str());
    }
    void TearDown() override { SetPluginData(nullptr, nullptr, ""); }

    Outcome Call(std::vector<std::string> arguments, int resultSize = 256) {
        std::vector<char*> argv(kPluginArgvSize, nullptr);
        std::string name = "ShowForm";
        argv[0] = &name[0];
        for (std::size_t i = 0; i < arguments.size(); ++i) argv[i + 1] = &arguments[i][0];
        std::vector<char> buffer(resultSize > 0 ? resultSize : 1, 'z');
        Outcome out{-1, ERR_PROC_NOT_FOUND, ""};
        out.value = RunShowForm(forms_, presenter_, 0, static_cast<int>(arguments.size()) + 1,
                                argv.data(), buffer.data(), resultSize, &out.status);
        out.result.assign(buffer.data(), resultSize > 0 ? strnlen(buffer.data(), resultSize) : 0);
        return out;
    }

    TestFolder folder_;
    std::string path_;
    PropertyStore store_;
    FormCollection forms_;
    ScriptedPresenter presenter_;
};

TEST_F(ShowFormTest, PressedButtonsIdIsTheResultAndTheTitleIsExpanded) {
    presenter_.answer = "Go on";
    const Outcome out = Call({"Ask"});
    EXPECT_EQ(0, out.status);
    EXPECT_EQ("Go on", out.result);
    ASSERT_EQ(1u, presenter_.titles.size());
    EXPECT_EQ("Sample Product 1.2.3 - question", presenter_.titles[0]);
    // The template's own title is expanded the same way.
    presenter_.answer.clear();
    const Outcome plain = Call({"Plain"});
    EXPECT_EQ(0, plain.status);
    EXPECT_EQ("", plain.result);  // ended without a button: an empty answer
    EXPECT_EQ("Sample Product 1.2.3", presenter_.titles.back());
}

TEST_F(ShowFormTest, SameFormCanBeShownAgain) {
    presenter_.answer = "Go on";
    EXPECT_EQ("Go on", Call({"Ask"}).result);
    EXPECT_EQ("Go on", Call({"Ask"}).result);
    EXPECT_EQ((std::vector<std::string>{"Ask", "Ask"}), presenter_.shown);
}

TEST_F(ShowFormTest, WrongArgumentCountsAndUnknownForms) {
    EXPECT_EQ(ERR_PROC_BAD_ARG_COUNT, Call({}).status);
    EXPECT_EQ(ERR_PROC_BAD_ARG_COUNT, Call({"Ask", "Plain"}).status);
    LogCapture log;
    const Outcome out = Call({"ask"});  // Ids match exactly
    EXPECT_EQ(0, out.status);
    EXPECT_EQ("", out.result);  // the buffer is cleared
    EXPECT_TRUE(log.Contains("[ERROR] Form 'ask' not found (returned NULL)")) << log.Text();
    EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(ShowFormTest, AnswerIsCutToTheBufferAndWithoutStoreTheTitleStays) {
    presenter_.answer = "Go on";
    EXPECT_EQ("Go ", Call({"Ask"}, 4).result);
    SetPluginData(nullptr, nullptr, path_.c_str());  // as inside Windows Installer
    Call({"Ask"});
    EXPECT_EQ("[ProductName] [VERSION] - question", presenter_.titles.back());
}

TEST_F(ShowFormTest, SecondFormWhileOneIsShownGetsNoAnswer) {
    const std::string other = folder_.Child("other.xml");
    std::ofstream(other) << "<F><Form Id=\"Other\" ResourceId=\"109\"/></F>";
    Outcome nested{};
    presenter_.answer = "Go on";
    presenter_.during = [&] {
        SetPluginData(nullptr, &store_, other.c_str());
        nested = Call({"Other"});
    };
    LogCapture log;
    EXPECT_EQ("Go on", Call({"Ask"}).result);
    EXPECT_EQ(0, nested.status);
    EXPECT_EQ("", nested.result);
    EXPECT_EQ((std::vector<std::string>{"Ask"}), presenter_.shown);
    EXPECT_TRUE(log.Contains("[ERROR] Form 'Other' not shown: another form is shown"));
    // The nested request did not replace the forms under the one shown.
    EXPECT_EQ(path_, forms_.FileName());
    presenter_.during = nullptr;
    Call({"Other"});  // afterwards it is shown
    EXPECT_EQ("Other", presenter_.shown.back());
}

}  // namespace
