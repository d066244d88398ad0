#include <gtest/gtest.h>

#include "platform/Utf.h"

namespace corv {
namespace {

TEST(Utf, MalformedSequencesAreSingleBytes)
{
    EXPECT_EQ(utf::sequenceLength("a", 0), 1u);
    EXPECT_EQ(utf::sequenceLength("\xC3\xA4", 0), 2u);
    EXPECT_EQ(utf::sequenceLength("\xE4\xB8\xAD", 0), 3u);
    EXPECT_EQ(utf::sequenceLength("\xF0\x9F\x98\x80", 0), 4u);
    EXPECT_EQ(utf::sequenceLength("\x80", 0), 0u);              // stray continuation byte
    EXPECT_EQ(utf::sequenceLength("\xC0\xAF", 0), 0u);          // overlong '/'
    EXPECT_EQ(utf::sequenceLength("\xE0\x80\xAF", 0), 0u);      // overlong
    EXPECT_EQ(utf::sequenceLength("\xED\xA0\x80", 0), 0u);      // surrogate
    EXPECT_EQ(utf::sequenceLength("\xF4\x90\x80\x80", 0), 0u);  // beyond U+10FFFF
    EXPECT_EQ(utf::sequenceLength("\xE4\xB8", 0), 0u);          // cut short

    std::size_t pos = 0;
    const std::string_view text = "\xFF"
                                  "a";
    EXPECT_EQ(utf::next(text, pos), utf::kInvalidByteBase + 0xFF);
    EXPECT_EQ(pos, 1u);
    EXPECT_EQ(utf::next(text, pos), U'a');

    EXPECT_EQ(utf::truncateChars("\xE4\xB8\xAD\xE6\x96\x87", 1), "\xE4\xB8\xAD");
    EXPECT_EQ(utf::truncateChars("\xE4\xB8"
                                 "x",
                                 2),
              "\xE4\xB8");
}

TEST(Utf, CaseFolding)
{
    EXPECT_TRUE(utf::equalNoCase("Setting", "sETTING"));
    EXPECT_TRUE(utf::equalNoCase("ÀÉÎÕÜ", "àéîõü"));
    EXPECT_TRUE(utf::equalNoCase("ĀĹŸ", "āĺÿ"));
    EXPECT_TRUE(utf::equalNoCase("ΆΣΩ", "άσω"));
    EXPECT_TRUE(utf::equalNoCase("ЁЖЯ", "ёжя"));
    EXPECT_TRUE(utf::equalNoCase("ＡＢ", "ａｂ"));
    EXPECT_FALSE(utf::equalNoCase("×", "÷"));  // U+00D7 is not a letter
    EXPECT_FALSE(utf::equalNoCase("中文", "中"));
    EXPECT_FALSE(utf::equalNoCase("a\xFF", "a\xFE"));
    EXPECT_TRUE(utf::equalNoCase("A\xFF", "a\xFF"));
    // The hashing key agrees with the comparison, ASCII mixed with other text and bad bytes.
    const char* const pairs[][2] = {{"MacroName", "mACROnAME"}, {"Ärger1", "äRGER1"},  {"a\xFF[Z]", "A\xFF[z]"},
                                    {"a\xFFz", "a\xFEz"},       {"k", "\xE2\x84\xAA"}, {"@[`{", "`{@["}};
    for (const auto& pair : pairs)
        EXPECT_EQ(utf::foldedKey(pair[0]) == utf::foldedKey(pair[1]), utf::equalNoCase(pair[0], pair[1]))
            << pair[0] << " / " << pair[1];
}

TEST(Utf, Utf16RoundTripAndMalformedUnits)
{
    const std::string text = "A中\xF0\x9F\x98\x80";
    const std::string le = utf::utf8ToUtf16(text, false);
    EXPECT_EQ(le, std::string("A\x00\x2D\x4E\x3D\xD8\x00\xDE", 8));
    EXPECT_EQ(utf::utf16ToUtf8(le, false), text);
    EXPECT_EQ(utf::utf16ToUtf8(utf::utf8ToUtf16(text, true), true), text);
    // Lone surrogates become U+FFFD; an odd trailing byte is ignored.
    EXPECT_EQ(utf::utf16ToUtf8(std::string("\x00\xD8"
                                           "A\x00"
                                           "\x00\xDC"
                                           "B",
                                           7),
                               false),
              "\xEF\xBF\xBD"
              "A"
              "\xEF\xBF\xBD");
    // Malformed UTF-8 becomes U+FFFD.
    EXPECT_EQ(utf::utf8ToUtf16("\xFF", false), std::string("\xFD\xFF", 2));
}

}  // namespace
}  // namespace corv
