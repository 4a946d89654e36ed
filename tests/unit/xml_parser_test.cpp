#include "xml_parser.h"

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <fstream>
#include <memory>

#include "log_capture.h"
#include "test_folder.h"

namespace {

const int kElement = 1;
const int kText = 3;

// Blank text sits between the elements; Empty is the last node of the document, and the
// Name attributes tell the elements of one tag apart.
const char* const kDocument = R"(<?xml version="1.0"?>
<!-- a comment before the root -->
<Root Name="root">
  <package Name="lower"/>
  <Package Name="first" Vital="Yes" Empty="">text one</Package>
  <Other/>
  <Package Name="second"/>
  <Group Name="group">
    <Inner><DEEP Name="deep"/></Inner>
    <Deep Name="later"/>
    <XMLInclude FileName="forms.xml"/>
  </Group>
  <deep Name="outer"/>
  <Empty/></Root>
)";

std::string WriteFile(const TestFolder& folder, const std::string& name, const char* text) {
    const std::string path = folder.Child(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

class XMLParserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        parser_ = std::make_unique<XMLParser>(WriteFile(folder_, "doc.xml", kDocument).c_str());
        ASSERT_TRUE(parser_->IsValid());
    }
    std::string Name() { return parser_->GetAttribute(nullptr, "Name", 4).value_or("<none>"); }

    TestFolder folder_;
    std::unique_ptr<XMLParser> parser_;
};

TEST(XMLParserFileTest, MissingFileLogsTheParseErrorAndGivesAnInvalidParser) {
    TestFolder folder;
    const std::string path = folder.Child("missing.xml");
    LogCapture log;
    XMLParser parser(path.c_str());
    EXPECT_TRUE(log.Contains("[ERROR] File '" + path + "' not successfully parsed!\n"))
        << log.Text();
    // libxml2's first extra string names the file (as a file URL on Windows).
    const std::string text = log.Text();
    const std::size_t position = text.find("\n[Line 0 Column 0]\n");
    ASSERT_NE(std::string::npos, position) << text;
    EXPECT_NE(std::string::npos, text.find("missing.xml  \n", position)) << text;

    EXPECT_FALSE(parser.IsValid());
    EXPECT_EQ(nullptr, parser.GetPosition());
    EXPECT_EQ(0, parser.NodeType());
    EXPECT_EQ("", parser.NodeName());
    EXPECT_FALSE(parser.FindChild("Root"));
    EXPECT_FALSE(parser.FindSibling("Root", true));
    EXPECT_FALSE(parser.Move(0));
    EXPECT_FALSE(parser.GoParent());
    EXPECT_FALSE(parser.GetAttribute(nullptr, "Name", 4).has_value());
    EXPECT_FALSE(parser.HasAttribute(nullptr, "Name"));
    EXPECT_FALSE(parser.GetValue("Root", 4).has_value());
    EXPECT_EQ(-1, parser.GetTypedValue("Version"));
    EXPECT_EQ(-1, parser.SetPosition(nullptr));
    EXPECT_FALSE(parser.IsValid());
}

TEST(XMLParserFileTest, MalformedFileLogsLineAndColumnOfTheError) {
    TestFolder folder;
    const std::string path = WriteFile(folder, "bad.xml", "<Root>\n  <A>\n  </B>\n</Root>\n");
    LogCapture log;
    XMLParser parser(path.c_str());
    EXPECT_FALSE(parser.IsValid());
    // libxml2 notices the mismatch behind "</B>"; its extra strings are the two tag names.
    const std::string text = log.Text();
    EXPECT_NE(std::string::npos,
              text.find("[ERROR] File '" + path +
                        "' not successfully parsed!\n"
                        "Opening and ending tag mismatch: A line 2 and B\n[Line 3 Column 7]\n"
                        "A B \n"))
        << text;
}

TEST(XMLParserFileTest, PathWithBlanksIsParsedAndLibxmlStaysOffStderr) {
    TestFolder folder;
    const std::string path = WriteFile(folder, "with blanks.xml", "<Root A=\"1\"/>");
    XMLParser parser(path.c_str());
    ASSERT_TRUE(parser.IsValid());
    EXPECT_EQ("Root", parser.NodeName());
    EXPECT_EQ("1", parser.GetAttribute(nullptr, "A", 4));

    testing::internal::CaptureStderr();
    XMLParser broken(WriteFile(folder, "broken.xml", "<Root>").c_str());
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

TEST(XMLParserFileTest, ReportErrorWithoutLibxmlErrorWritesTheMessageAlone) {
    TestFolder folder;
    XMLParser parser(WriteFile(folder, "ok.xml", "<Root/>").c_str());
    LogCapture log;
    parser.ReportError("Something about %s", "this");
    EXPECT_EQ("[ERROR] Something about this\n", log.Text());
}

TEST_F(XMLParserTest, ChildAndSiblingSearchesMatchElementNamesExactly) {
    EXPECT_EQ("Root", parser_->NodeName());
    EXPECT_EQ("root", Name());  // the leading comment is not the reader's node

    EXPECT_TRUE(parser_->FindChild("Package"));
    EXPECT_EQ("first", Name());
    EXPECT_FALSE(parser_->FindChild("Package"));  // no child of that name: cursor stays
    EXPECT_EQ("first", Name());
    EXPECT_TRUE(parser_->FindNextSibling("Package"));
    EXPECT_EQ("second", Name());
    EXPECT_FALSE(parser_->FindNextSibling("Package"));
    EXPECT_FALSE(parser_->FindSibling("Package", false));
    EXPECT_EQ("second", Name());
    EXPECT_TRUE(parser_->FindSibling("Package", true));
    EXPECT_EQ("first", Name());
    EXPECT_TRUE(parser_->FindSibling("package", true));
    EXPECT_EQ("lower", Name());

    EXPECT_TRUE(parser_->GoParent());
    EXPECT_EQ("Root", parser_->NodeName());
    EXPECT_FALSE(parser_->GoParent());  // the document itself is no position
    EXPECT_EQ("Root", parser_->NodeName());
    EXPECT_FALSE(parser_->FindChild(nullptr));
}

TEST_F(XMLParserTest, MoveVisitsEveryNodeTypeAndRefusesMissingTargets) {
    ASSERT_TRUE(parser_->Move(0));  // the blank text before <package>
    EXPECT_EQ(kText, parser_->NodeType());
    EXPECT_FALSE(parser_->Move(0));
    ASSERT_TRUE(parser_->Move(2));
    EXPECT_EQ(kElement, parser_->NodeType());
    EXPECT_EQ("package", parser_->NodeName());
    ASSERT_TRUE(parser_->Move(3));
    ASSERT_TRUE(parser_->Move(2));
    EXPECT_EQ("Package", parser_->NodeName());
    ASSERT_TRUE(parser_->Move(0));
    EXPECT_EQ(kText, parser_->NodeType());
    EXPECT_EQ("text one", parser_->NodeContent());
    EXPECT_FALSE(parser_->Move(2));  // the only child
    EXPECT_FALSE(parser_->Move(4));
    ASSERT_TRUE(parser_->Move(1));
    EXPECT_EQ("first", Name());
    ASSERT_TRUE(parser_->Move(1));
    EXPECT_EQ("Root", parser_->NodeName());
    EXPECT_FALSE(parser_->Move(1));
    EXPECT_FALSE(parser_->Move(-1));
}

// The reader is re-created on every move and must land on the cursor, however many
// subtrees lie before it.
TEST_F(XMLParserTest, ReaderFollowsTheCursorThroughTheWholeTree) {
    int visited = 0;
    int depth = 0;
    do {
        ++visited;
        EXPECT_EQ(static_cast<int>(parser_->GetPosition()->type), parser_->NodeType());
        if (parser_->Move(0)) {
            ++depth;
            continue;
        }
        while (!parser_->Move(2) && depth > 0) {
            ASSERT_TRUE(parser_->Move(1));
            --depth;
        }
    } while (depth > 0);
    EXPECT_EQ(24, visited);  // 12 elements and 12 text nodes, the root included
}

TEST_F(XMLParserTest, AttributesDistinguishAbsentFromEmptyAndCompareValuesWithoutCase) {
    ASSERT_TRUE(parser_->FindChild("Package"));
    EXPECT_EQ("", parser_->GetAttribute(nullptr, "Empty", 4));
    EXPECT_FALSE(parser_->GetAttribute(nullptr, "Missing", 4).has_value());
    EXPECT_FALSE(parser_->GetAttribute(nullptr, "vital", 4).has_value());
    EXPECT_TRUE(parser_->HasAttribute(nullptr, "Empty"));
    EXPECT_FALSE(parser_->HasAttribute(nullptr, "Missing"));
    EXPECT_TRUE(parser_->AttributeEquals(nullptr, "Vital", "yes"));
    EXPECT_TRUE(parser_->AttributeEquals(nullptr, "Vital", "YES"));
    EXPECT_FALSE(parser_->AttributeEquals(nullptr, "Vital", "No"));
    EXPECT_FALSE(parser_->AttributeEquals(nullptr, "Missing", ""));
}

TEST_F(XMLParserTest, GetAttributePositionsTheCursorFirst) {
    EXPECT_EQ("first", parser_->GetAttribute("Package", "Name", 0));
    EXPECT_EQ("second", parser_->GetAttribute("Package", "Name", 3));
    EXPECT_FALSE(parser_->GetAttribute("Package", "Name", 3).has_value());
    EXPECT_EQ("second", Name());  // a failed positioning leaves the cursor
    EXPECT_EQ("lower", parser_->GetAttribute("package", "Name", 2));
    EXPECT_EQ("root", parser_->GetAttribute(nullptr, "Name", 1));
    EXPECT_FALSE(parser_->GetAttribute("Missing", "Name", 0).has_value());
    EXPECT_FALSE(parser_->GetAttribute(nullptr, "Name", 5).has_value());
    EXPECT_EQ("Root", parser_->NodeName());
}

TEST_F(XMLParserTest, SetPositionRestoresCursorAndAttributeReads) {
    ASSERT_TRUE(parser_->FindChild("Group"));
    const XMLPosition group = parser_->GetPosition();
    ASSERT_TRUE(parser_->FindChild("Inner"));
    ASSERT_TRUE(parser_->FindChild("DEEP"));
    EXPECT_EQ("deep", Name());

    EXPECT_EQ(1, parser_->SetPosition(group));
    EXPECT_EQ(group, parser_->GetPosition());
    EXPECT_EQ("group", Name());
    EXPECT_EQ(kElement, parser_->NodeType());
    EXPECT_TRUE(parser_->FindChild("Deep"));
    EXPECT_EQ("later", Name());

    EXPECT_EQ(-1, parser_->SetPosition(nullptr));  // ignored: the cursor stays
    EXPECT_EQ("later", Name());
}

TEST_F(XMLParserTest, SetPositionRejectsNodesOfAnotherDocument) {
    XMLParser other(WriteFile(folder_, "other.xml", "<Root Name=\"other\"/>").c_str());
    EXPECT_EQ(-1, parser_->SetPosition(other.GetPosition()));
    EXPECT_EQ("root", Name());
    EXPECT_EQ(nullptr, parser_->FindElement("Root", other.GetPosition()));
}

TEST_F(XMLParserTest, FindElementSearchesDepthFirstWithoutCaseAndKeepsTheCursor) {
    ASSERT_TRUE(parser_->FindChild("Other"));
    EXPECT_EQ(nullptr, parser_->FindElement("Other", parser_->GetPosition()));  // no children

    ASSERT_TRUE(parser_->GoParent());
    const XMLPosition top = parser_->GetPosition();
    ASSERT_TRUE(parser_->FindSibling("Root", true));
    XMLPosition found = parser_->FindElement("deep", top);
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(top, parser_->GetPosition());
    ASSERT_EQ(1, parser_->SetPosition(found));
    EXPECT_EQ("deep", Name());  // <DEEP> inside <Inner> comes before <Deep> and <deep>

    EXPECT_EQ(nullptr, parser_->FindElement("Root", top));  // start itself is not below
    EXPECT_EQ(nullptr, parser_->FindElement("Nothing", top));
    EXPECT_EQ(nullptr, parser_->FindElement("deep", nullptr));
}

TEST_F(XMLParserTest, GetIncludeReadsFileNameOfTheFirstIncludeBelowStart) {
    const XMLPosition root = parser_->GetPosition();
    EXPECT_EQ("forms.xml", parser_->GetInclude(root));
    EXPECT_EQ(root, parser_->GetPosition());
    ASSERT_TRUE(parser_->FindChild("Package"));
    EXPECT_FALSE(parser_->GetInclude(parser_->GetPosition()).has_value());

    XMLParser bare(WriteFile(folder_, "bare.xml", "<F><xmlinclude Other=\"x\"/></F>").c_str());
    EXPECT_FALSE(bare.GetInclude(bare.GetPosition()).has_value());
}

TEST_F(XMLParserTest, GetValueReadsTheElementTextAndLogsTheEndOfTheDocument) {
    LogCapture log;
    EXPECT_EQ("text one", parser_->GetValue("Package", 0));
    EXPECT_EQ("first", Name());
    EXPECT_FALSE(parser_->GetValue("Package", 0).has_value());  // no Package below Package
    EXPECT_EQ("text one", parser_->GetValue(nullptr, 4));
    EXPECT_EQ("", log.Text());

    ASSERT_TRUE(parser_->GoParent());
    EXPECT_FALSE(parser_->GetValue("Empty", 0).has_value());
    EXPECT_EQ("No more nodes to read: XMLParser::GetValue(Empty)\n", log.Text());
    EXPECT_EQ("Empty", parser_->NodeName());
    EXPECT_EQ(kElement, parser_->NodeType());
}

TEST(XMLParserTypedValueTest, LeadingNumberOfTheElementText) {
    TestFolder folder;
    struct Case {
        const char* xml;
        int expected;
    };
    const Case cases[] = {
        {"<C><Version>2</Version></C>", 2},
        {"<C><Version>02</Version></C>", 2},
        {"<C><Version>2a</Version></C>", 2},
        {"<C><Version> 2</Version></C>", 0},
        {"<C><Version>x</Version></C>", 0},
        {"<C><Version>12345678901234</Version></C>", 2147483647},
        {"<C><Version></Version></C>", -1},
        {"<C><Version><Sub>2</Sub></Version></C>", -1},
        {"<C><version>2</version></C>", -1},
        {"<C/>", -1},
    };
    for (const Case& c : cases) {
        XMLParser parser(WriteFile(folder, "typed.xml", c.xml).c_str());
        ASSERT_TRUE(parser.IsValid()) << c.xml;
        EXPECT_EQ(c.expected, parser.GetTypedValue("Version")) << c.xml;
        EXPECT_EQ("C", parser.NodeName()) << c.xml;  // the cursor is back on the root
    }
}

}  // namespace
