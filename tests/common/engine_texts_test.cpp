// Every engine text's Shift-JIS bytes spell its UTF-8 reading, and its English reading can be found
// again from a message box that holds it.
#include "common/engine_texts.h"
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace advplay {
namespace {

TEST(EngineTexts, ShiftJisBytesMatchTheirReading)
{
    platform::TextEncoding encoding;
    for (auto const& text : texts::kAll) {
        EXPECT_EQ(encoding.to_utf8_exact(text.sjis), text.utf8);
        EXPECT_EQ(encoding.to_sjis(text.utf8), text.sjis) << text.utf8;
    }
}

TEST(EngineTexts, EveryTextHasAPlainEnglishReadingWithTheSameLines)
{
    for (auto const& text : texts::kAll) {
        EXPECT_FALSE(text.english.empty()) << text.utf8;
        EXPECT_TRUE(std::all_of(text.english.begin(), text.english.end(),
            [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            << text.english;
        EXPECT_EQ(std::count(text.english.begin(), text.english.end(), '\n'),
            std::count(text.utf8.begin(), text.utf8.end(), '\n'))
            << text.english;
    }
}

// What a script error shows: the position first, then the text.
std::string script_error_box(std::string_view message)
{
    return "FILE : start.txt\nLINE : 3\n\n" + std::string(message);
}

TEST(EngineTexts, EnglishReadingFindsATextAfterTheScriptPosition)
{
    EXPECT_EQ(texts::english_reading(script_error_box(texts::kUnknownCommand.sjis)),
        texts::kUnknownCommand.english);
}

TEST(EngineTexts, EnglishReadingTakesTheLongerOfTwoOverlappingTexts)
{
    // The shorter text ends the longer one, so both match inside the box.
    ASSERT_NE(texts::kCaseWithoutEnd.sjis.find(texts::kSkipWithoutEnd.sjis), std::string_view::npos);
    EXPECT_EQ(texts::english_reading(script_error_box(texts::kCaseWithoutEnd.sjis)),
        texts::kCaseWithoutEnd.english);
    EXPECT_EQ(texts::english_reading(script_error_box(texts::kSkipWithoutEnd.sjis)),
        texts::kSkipWithoutEnd.english);
}

TEST(EngineTexts, EnglishReadingGivesOneLinePerTextInOrder)
{
    std::string const box = std::string(texts::kCreateWindowFailed.sjis) + "\n"
        + std::string(texts::kRestartMayHelp.sjis);
    EXPECT_EQ(texts::english_reading(box),
        std::string(texts::kCreateWindowFailed.english) + "\n"
            + std::string(texts::kRestartMayHelp.english));
}

TEST(EngineTexts, EnglishReadingIsEmptyWithoutAnEngineText)
{
    EXPECT_EQ(texts::english_reading(""), "");
    // "Hello" in kana, after a position whose file name begins like one of the texts.
    EXPECT_EQ(texts::english_reading(script_error_box("\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd")), "");
}

TEST(EngineTexts, EnglishReadingStartsNoMatchOnASecondByte)
{
    // 0x83 0x81 is one katakana character, whose second byte is the first of the opening bracket
    // that begins the text.
    ASSERT_EQ(texts::kJumpFailed.sjis.substr(0, 1), "\x81");
    EXPECT_EQ(texts::english_reading("\x83" + std::string(texts::kJumpFailed.sjis)), "");
    // Likewise a second byte in the ASCII range.
    EXPECT_EQ(texts::english_reading("\x83" + std::string(texts::kStartNotRunnable.sjis)), "");
    // After a whole double-byte character the same text is found.
    EXPECT_EQ(texts::english_reading("\x83\x81" + std::string(texts::kJumpFailed.sjis)),
        texts::kJumpFailed.english);
}

} // namespace
} // namespace advplay
