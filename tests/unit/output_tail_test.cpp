// What is kept of a child's output and how it is read.

#include <gtest/gtest.h>

#include <string>

#include "shell_exec.h"

namespace {

// Little-endian UTF-16 bytes of a text.
std::string Wide(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

struct Kept {
    std::string bytes;
    bool utf16;
};

Kept Finish(const std::string& output, std::size_t limit, AnsiCodePage codePage) {
    OutputTail tail(limit);
    tail.Append(output.data(), output.size());
    tail.Finish(codePage);
    EXPECT_EQ(output.size(), tail.Total());
    return {tail.Bytes(), tail.Utf16()};
}

TEST(OutputTailTest, CutKeepsWholeCharactersAndIsReadByWhatIsKept) {
    const AnsiCodePage single = AnsiCodePage::kSingleByte;
    struct Case {
        const char* what;
        std::string output;
        std::size_t limit;
        AnsiCodePage codePage;
        std::string kept;
        bool utf16;
    };
    const Case cases[] = {
        {"short 8-bit", "hello", 8, single, "hello", false},
        {"short UTF-16", Wide(u"hello"), 16, single, Wide(u"hello"), true},
        {"short UTF-16 with a mark", Wide(u"\uFEFF\u0416\u0416"), 16, single,
         Wide(u"\uFEFF\u0416\u0416"), true},
        {"8-bit cut anywhere", "0123456789", 8, single, "23456789", false},
        {"8-bit cut between CR and LF", "ab\r\ncdefgh", 7, single, "cdefgh", false},
        {"8-bit cut before a lone LF", "ab\ncdefgh", 7, single, "\ncdefgh", false},
        {"UTF-8 cut inside a character",
         "a\xC3\xA9"
         "bcdefg",
         7, AnsiCodePage::kUtf8, "bcdefg", false},
        {"single-byte code page keeps that byte",
         "a\xC3\xA9"
         "bcdefg",
         7, single,
         "\xA9"
         "bcdefg",
         false},
        {"double-byte code page restarts at the next line", "xx\x82\xA0yy\nabc", 7,
         AnsiCodePage::kDoubleByte, "abc", false},
        {"UTF-16 cut between CR and LF", Wide(u"ab\r\ncd"), 6, single, Wide(u"cd"), true},
        {"UTF-16 cut inside a surrogate pair", Wide(u"\uFEFFab\U0001F600cd"), 6, single,
         Wide(u"cd"), true},
        {"UTF-16 cut inside a unit", Wide(u"abcdef"), 7, single, Wide(u"def"), true},
        {"UTF-16 after an odd 8-bit banner", "Start" + Wide(u"line one\r\nline two"), 15, single,
         Wide(u"ine two"), true},
        {"8-bit after a UTF-16 banner", Wide(u"Wide") + "narrow text", 6, single, "w text", false},
    };
    for (const Case& c : cases) {
        const Kept kept = Finish(c.output, c.limit, c.codePage);
        EXPECT_EQ(c.kept, kept.bytes) << c.what;
        EXPECT_EQ(c.utf16, kept.utf16) << c.what;
        EXPECT_LE(kept.bytes.size(), c.limit) << c.what;
    }
}

TEST(OutputTailTest, LongOutputInPiecesKeepsItsWholeEnd) {
    // Far more than the limit, in pieces that do not fall on characters: the cut lands on
    // the line feed of a CR LF and moves past it.
    const std::string output = Repeat(Wide(u"ab\r\n"), 40000) + Wide(u"!");
    const std::size_t limit = 1004;
    OutputTail tail(limit);
    for (std::size_t offset = 0; offset < output.size(); offset += 777)
        tail.Append(output.data() + offset, std::min<std::size_t>(777, output.size() - offset));
    tail.Finish(AnsiCodePage::kSingleByte);
    EXPECT_EQ(output.size(), tail.Total());
    EXPECT_TRUE(tail.Utf16());
    EXPECT_TRUE(tail.Bytes() == Repeat(Wide(u"ab\r\n"), 125) + Wide(u"!"));
}

TEST(OutputTailTest, ClearStartsAnew) {
    OutputTail tail(4);
    const std::string first = Wide(u"\uFEFFabc");
    tail.Append(first.data(), first.size());
    tail.Finish(AnsiCodePage::kSingleByte);
    tail.Clear();
    tail.Append("narrow", 6);
    tail.Finish(AnsiCodePage::kSingleByte);
    EXPECT_EQ("rrow", tail.Bytes());
    EXPECT_FALSE(tail.Utf16());
    EXPECT_EQ(6u, tail.Total());
}

}  // namespace
