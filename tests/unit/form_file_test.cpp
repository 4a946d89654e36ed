// Reading and checking form files: the forms, their controls and buttons, the faults that
// leave an element out, and the collection that keeps the last file's forms.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "form_check.h"
#include "form_collection.h"
#include "log_capture.h"
#include "test_folder.h"

namespace {

class FormFileTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& body) {
        const std::string path = folder_.Child(name);
        std::ofstream(path) << body;
        return path;
    }
    const FormDefinition& LoadOne(const std::string& body) {
        forms_.Load(Write("forms.xml", body));
        EXPECT_EQ(1u, forms_.Forms().size()) << forms_.Problems().size();
        return forms_.Forms().at(0);
    }

    TestFolder folder_;
    FormCollection forms_;
};

TEST(FormCheckTest, ResourceIdsAreLeadingNumbersOfDialogRange) {
    const struct {
        const char* text;
        int expected;  // 0: refused
    } rows[] = {
        {"109", 109}, {"1013abc", 1013}, {"65535", 65535}, {"65536", 0}, {"0", 0},
        {"", 0},      {" 109", 0},       {"x109", 0},      {"-5", 0},    {"99999999999", 0},
    };
    for (const auto& row : rows) {
        const std::optional<int> value = ParseResourceId(row.text);
        EXPECT_EQ(row.expected, value.value_or(0)) << row.text;
    }
    EXPECT_EQ("Form 'a' has no Id attribute", CheckIdAttribute("Form 'a'", std::nullopt));
    EXPECT_EQ("Form 'a' has an empty Id attribute", CheckIdAttribute("Form 'a'", ""));
    EXPECT_EQ("", CheckIdAttribute("Form 'a'", "a"));
    EXPECT_EQ("X has no ResourceId attribute", CheckResourceIdAttribute("X", std::nullopt));
    EXPECT_EQ("X has the ResourceId 'abc', which is not a number from 1 to 65535",
              CheckResourceIdAttribute("X", "abc"));
}

TEST_F(FormFileTest, ControlsAreReadWithTheirKindVisibilityBoldAndText) {
    const FormDefinition& form = LoadOne(R"(<Config>
  <Form Id="Ask" ResourceId="110abc" Caption="[ProductName] setup">
    <label ResourceId="1011" Bold="yes">Remove the old version?</label>
    <Label ResourceId="1005" Bold="true">It is in the way.
Remove it first.</Label>
    <IMAGE ResourceId="1012" URI="C:\pictures\side.bmp" Visible="nO"/>
    <Button Id="Remove" ResourceId="1002"/>
    <Button Id="Continue" ResourceId="1013" Visible="No"/>
    <Frame ResourceId="1004" Visible="false"/>
    <Label ResourceId="1011"/>
  </Form>
</Config>)");
    EXPECT_TRUE(forms_.Problems().empty());
    EXPECT_EQ("Ask", form.id);
    EXPECT_EQ(110, form.resourceId);
    EXPECT_TRUE(form.hasCaption);
    EXPECT_EQ("[ProductName] setup", form.caption);
    ASSERT_EQ(7u, form.controls.size());
    EXPECT_EQ(FormControlKind::kLabel, form.controls[0].kind);
    EXPECT_TRUE(form.controls[0].bold);  // "yes" in any case
    EXPECT_EQ("Remove the old version?", form.controls[0].text);
    EXPECT_FALSE(form.controls[1].bold);  // only "Yes" makes a label bold
    EXPECT_EQ("It is in the way.\r\nRemove it first.", form.controls[1].text);
    EXPECT_EQ(FormControlKind::kImage, form.controls[2].kind);
    EXPECT_EQ("C:\\pictures\\side.bmp", form.controls[2].uri);
    EXPECT_FALSE(form.controls[2].visible);  // "No" in any case hides
    EXPECT_TRUE(form.controls[3].visible);
    EXPECT_FALSE(form.controls[4].visible);
    EXPECT_EQ(FormControlKind::kOther, form.controls[5].kind);
    EXPECT_TRUE(form.controls[5].visible);  // only "No" hides
    EXPECT_EQ("", form.controls[6].text);   // an empty label
    ASSERT_EQ(2u, form.buttons.size());
    ASSERT_NE(nullptr, form.AnswerFor(1013));
    EXPECT_EQ("Continue", *form.AnswerFor(1013));
    EXPECT_EQ(nullptr, form.AnswerFor(1014));  // Cancel is not described: no answer
    EXPECT_EQ(nullptr, form.AnswerFor(1011));  // a label is no button
}

TEST_F(FormFileTest, FaultyElementsAreLeftOutWithAClearError) {
    LogCapture log;
    forms_.Load(Write("forms.xml", R"(<Forms>
  <Form ResourceId="109"><Button Id="A" ResourceId="1004"/></Form>
  <Form Id="" ResourceId="109"/>
  <Form Id="NoTemplate"/>
  <Form Id="BadTemplate" ResourceId="Dialog109"/>
  <Form Id="Good" ResourceId="111">
    <Button ResourceId="1013"/>
    <Button Id="Go" ResourceId="next"/>
    <Label>no identifier</Label>
    <Button Id="Go" ResourceId="1013"/>
  </Form>
</Forms>)"));
    ASSERT_EQ(1u, forms_.Forms().size());
    const FormDefinition& good = forms_.Forms()[0];
    EXPECT_EQ("Good", good.id);
    ASSERT_EQ(1u, good.controls.size());
    EXPECT_EQ(1013, good.controls[0].resourceId);
    const std::vector<std::string> expected = {
        "A Form element has no Id attribute",
        "A Form element has an empty Id attribute",
        "Form 'NoTemplate' has no ResourceId attribute",
        "Form 'BadTemplate' has the ResourceId 'Dialog109', which is not a number from 1 to "
        "65535",
        "Form 'Good': element 1 <Button> has no Id attribute",
        "Form 'Good': element 2 <Button> has the ResourceId 'next', which is not a number from "
        "1 to 65535",
        "Form 'Good': element 3 <Label> has no ResourceId attribute",
    };
    EXPECT_EQ(expected, forms_.Problems());
    for (const std::string& problem : expected)
        EXPECT_TRUE(log.Contains("[ERROR] " + problem)) << problem;
}

TEST_F(FormFileTest, ButtonTableKeepsThirtyTwoAndSaysSoOnce) {
    std::string body = "<Forms><Form Id=\"Many\" ResourceId=\"109\">";
    for (int i = 0; i < 34; ++i)
        body += "<Button Id=\"B" + std::to_string(i) + "\" ResourceId=\"" +
                std::to_string(2000 + i) + "\"/>";
    body += "<Button Id=\"" + std::string(200, 'x') + "\" ResourceId=\"3000\"/>";
    body += "</Form><Form Id=\"Long\" ResourceId=\"109\"><Button Id=\"" + std::string(200, 'y') +
            "\" ResourceId=\"1014\"/></Form></Forms>";
    LogCapture log;
    forms_.Load(Write("forms.xml", body));
    ASSERT_EQ(2u, forms_.Forms().size());
    const FormDefinition& many = forms_.Forms()[0];
    EXPECT_EQ(32u, many.buttons.size());
    EXPECT_EQ("B31", many.buttons.back().id);
    EXPECT_EQ(nullptr, many.AnswerFor(2032));
    const std::string tooMany =
        "Too many controls in the form! Maximum is 32 (try to increase it and recompile)";
    ASSERT_EQ(1u, forms_.Problems().size());
    EXPECT_EQ(tooMany, forms_.Problems()[0]);
    const std::string text = log.Text();
    EXPECT_EQ(text.find(tooMany), text.rfind(tooMany));  // once
    // An answer keeps its first 127 characters.
    ASSERT_NE(nullptr, forms_.Forms()[1].AnswerFor(1014));
    EXPECT_EQ(std::string(127, 'y'), *forms_.Forms()[1].AnswerFor(1014));
}

TEST_F(FormFileTest, OnlyTopLevelFormsCount) {
    forms_.Load(Write("forms.xml", R"(<Config>
  <!-- a comment --><Contents><Form Id="Inner" ResourceId="109"/></Contents>
  <FORM Id="Outer" ResourceId="109"/>
</Config>)"));
    ASSERT_EQ(1u, forms_.Forms().size());
    EXPECT_EQ("Outer", forms_.Forms()[0].id);
    EXPECT_EQ(nullptr, forms_.Find("Inner"));
    EXPECT_EQ(nullptr, forms_.Find("outer"));  // Ids match exactly
    EXPECT_NE(nullptr, forms_.Find("Outer"));
}

TEST_F(FormFileTest, SameFileIsNotReadAgainAnotherFileReplacesTheForms) {
    const std::string first = Write("first.xml", "<F><Form Id=\"One\" ResourceId=\"109\"/></F>");
    const std::string second = Write("second.xml", "<F><Form Id=\"Two\" ResourceId=\"111\"/></F>");
    EXPECT_EQ(1, forms_.Load(first));
    Write("first.xml", "<F><Form Id=\"Changed\" ResourceId=\"109\"/></F>");
    std::string upper = first;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    // The names differ in case only: the same file, whose forms are kept.
    forms_.Load(upper);
    EXPECT_NE(nullptr, forms_.Find("One"));
    EXPECT_EQ(nullptr, forms_.Find("Changed"));
    EXPECT_EQ(1, forms_.Load(second));
    EXPECT_EQ(nullptr, forms_.Find("One"));
    EXPECT_NE(nullptr, forms_.Find("Two"));
    EXPECT_EQ(second, forms_.FileName());
    forms_.Load(first);  // another file again: read anew
    EXPECT_NE(nullptr, forms_.Find("Changed"));
}

TEST_F(FormFileTest, FileWithoutFormsHandsOverToItsInclude) {
    Write("forms.xml", "<Forms><Form Id=\"Included\" ResourceId=\"111\"/></Forms>");
    const std::string config =
        Write("config.xml",
              "<Config><Contents/><Extra><XMLInclude FileName=\"forms.xml\"/></Extra>"
              "</Config>");
    EXPECT_EQ(1, forms_.Load(config));
    EXPECT_NE(nullptr, forms_.Find("Included"));
    EXPECT_EQ(config, forms_.FileName());
    // A file with forms of its own does not read its include.
    const std::string own = Write("own.xml",
                                  "<Config><XMLInclude FileName=\"forms.xml\"/>"
                                  "<Form Id=\"Own\" ResourceId=\"109\"/></Config>");
    EXPECT_EQ(1, forms_.Load(own));
    EXPECT_EQ(nullptr, forms_.Find("Included"));
}

TEST_F(FormFileTest, IncludeCycleEndsWithAnError) {
    Write("a.xml", "<A><XMLInclude FileName=\"b.xml\"/></A>");
    Write("b.xml", "<B><XMLInclude FileName=\"a.xml\"/></B>");
    LogCapture log;
    EXPECT_EQ(0, forms_.Load(folder_.Child("a.xml")));
    ASSERT_EQ(1u, forms_.Problems().size());
    EXPECT_TRUE(log.Contains("goes round or is too long")) << log.Text();
}

TEST_F(FormFileTest, MissingFileGivesNoFormsAndAnError) {
    LogCapture log;
    EXPECT_EQ(0, forms_.Load(folder_.Child("absent.xml")));
    EXPECT_TRUE(
        log.Contains("[ERROR] The form file '" + folder_.Child("absent.xml") + "' cannot be read"))
        << log.Text();
}

}  // namespace
