// FreeTypeFonts: the Windows Japanese faces found among the installed fonts, the cell metrics of a
// positive font height, and characters the font cannot show.
#include "platform/fonts/freetype_fonts.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace advplay::platform {
namespace {

class FreeTypeFontsTest : public ::testing::Test {
protected:
    std::unique_ptr<Font> font(std::string_view utf8_name, std::int32_t height = 32)
    {
        FontRequest request;
        request.name = testing::sjis(utf8_name);
        request.height = height;
        std::string note;
        auto made = m_fonts.create(request, note);
        m_note = note;
        return made;
    }
    static int inked(const Glyph& glyph)
    {
        int count = 0;
        for (auto bit : glyph.bits)
            count += bit;
        return count;
    }

    TextEncoding m_encoding;
    FreeTypeFonts m_fonts { m_encoding };
    std::string m_note;
};

TEST_F(FreeTypeFontsTest, WindowsJapaneseFacesMapToTheIpaFonts)
{
    // Debian reaches the IPA files through alternatives links; compare the files they lead to.
    auto file = [this](std::string_view name) {
        return std::filesystem::canonical(m_fonts.file_for(name)).filename().string();
    };
    EXPECT_EQ(file(testing::sjis("ＭＳ ゴシック")), "ipag.ttf");
    EXPECT_EQ(file("MS PGothic"), "ipagp.ttf");
    EXPECT_EQ(file(testing::sjis("ＭＳ 明朝")), "ipam.ttf");
    EXPECT_EQ(file("ms mincho"), "ipam.ttf");
}

TEST_F(FreeTypeFontsTest, UnknownFacesFallBackToTheGothicAndSaySoOnce)
{
    ASSERT_TRUE(font("No Such Face Anywhere"));
    EXPECT_NE(m_note.find("No Such Face Anywhere"), std::string::npos);
    ASSERT_TRUE(font("No Such Face Anywhere"));
    EXPECT_TRUE(m_note.empty());
}

TEST_F(FreeTypeFontsTest, GlyphsSitInTheirCellAndFullWidthCharactersAreAnEmWide)
{
    auto gothic = font("ＭＳ ゴシック", 32);
    ASSERT_TRUE(gothic);
    EXPECT_TRUE(m_note.empty());
    Glyph const& a = gothic->glyph(testing::sjis("あ"));
    EXPECT_GT(inked(a), 20);
    EXPECT_GE(a.top, 0);
    EXPECT_LE(a.top + a.height, 32);
    Glyph const& letter = gothic->glyph("A");
    // A monospaced gothic: half-width letters are half as wide as kana.
    EXPECT_EQ(letter.advance * 2, a.advance);
    for (auto bit : a.bits)
        ASSERT_TRUE(bit == 0 || bit == 1);
}

TEST_F(FreeTypeFontsTest, StandInsTakeTheCellOfTheFaceTheyReplace)
{
    // The Japanese system faces have no internal leading: at a cell of 32 a full-width character is
    // 32 wide and a half-width one 16, and scripts wrap their text by those widths.
    for (std::string_view name : { "ＭＳ ゴシック", "MS Gothic", "No Such Face Anywhere" }) {
        auto stand_in = font(name, 32);
        ASSERT_TRUE(stand_in);
        EXPECT_EQ(stand_in->glyph(testing::sjis("あ")).advance, 32) << name;
        EXPECT_EQ(stand_in->glyph("A").advance, 16) << name;
        EXPECT_EQ(stand_in->glyph(std::string("\x85\x40")).advance, 32) << name;
    }
    // Asked for by its own name, a face gets the cell Windows gives it, from its taller Windows
    // descent.
    auto own = font("IPAGothic", 32);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->glyph(testing::sjis("あ")).advance, 30);
}

TEST_F(FreeTypeFontsTest, PairsThatDoNotConvertDrawTheMissingBoxAtFullWidth)
{
    auto gothic = font("ＭＳ ゴシック", 24);
    ASSERT_TRUE(gothic);
    Glyph const& kana = gothic->glyph(testing::sjis("あ"));
    // 0x85 0x40 is unassigned in code page 932.
    Glyph const& missing = gothic->glyph(std::string("\x85\x40"));
    EXPECT_EQ(missing.advance, kana.advance);
}

TEST_F(FreeTypeFontsTest, InkStaysInsideTheCellAndAMissingBoxInsideItsAdvance)
{
    for (std::int32_t height : { 24, 32, 64 }) {
        auto gothic = font("ＭＳ ゴシック", height);
        ASSERT_TRUE(gothic);
        // ￣ reaches above the cell at 24; 0xA0 has no glyph and its box is wider than half-width.
        for (std::string const& character :
            { testing::sjis("￣"), testing::sjis("g"), std::string("\xA0") }) {
            Glyph const& glyph = gothic->glyph(character);
            EXPECT_GT(inked(glyph), 0) << height;
            EXPECT_GE(glyph.top, 0) << height;
            EXPECT_LE(glyph.top + glyph.height, height) << height;
            EXPECT_GE(glyph.left, 0) << height;
            EXPECT_LE(glyph.left + glyph.width, glyph.advance) << height;
        }
        EXPECT_EQ(gothic->glyph(std::string("\xA0")).advance, height / 2);
    }
}

TEST_F(FreeTypeFontsTest, BoldItalicAndStrikeoutAreMadeWhereTheFaceLacksThem)
{
    auto made = [this](std::int32_t weight, bool italic, bool strikeout) {
        FontRequest request;
        request.name = "MS Gothic";
        request.height = 32;
        request.weight = weight;
        request.italic = italic;
        request.strikeout = strikeout;
        std::string note;
        return m_fonts.create(request, note);
    };
    auto plain = made(400, false, false);
    auto bold = made(700, false, false);
    auto italic = made(400, true, false);
    auto struck = made(400, false, true);
    ASSERT_TRUE(plain && bold && italic && struck);
    std::string const kana = testing::sjis("あ");
    EXPECT_GT(inked(bold->glyph(kana)), inked(plain->glyph(kana)) * 5 / 4);
    EXPECT_NE(italic->glyph(kana).bits, plain->glyph(kana).bits);
    // Slanted, the top of the letter lies further right than upright.
    EXPECT_GT(
        italic->glyph("l").left + italic->glyph("l").width, plain->glyph("l").left + plain->glyph("l").width);
    // A space struck out is a line as wide as its advance, inside the cell.
    Glyph const& space = struck->glyph(" ");
    EXPECT_GE(inked(space), space.advance);
    int first_row = space.height;
    int last_row = -1;
    for (int y = 0; y < space.height; ++y) {
        for (int x = 0; x < space.width; ++x) {
            if (space.bits[static_cast<std::size_t>(y) * space.width + x]) {
                first_row = std::min(first_row, y);
                last_row = std::max(last_row, y);
            }
        }
    }
    // Near the middle of the letters: from 13 to 11 pixels above the baseline at 28.
    EXPECT_EQ(space.top + first_row, 15);
    EXPECT_EQ(space.top + last_row, 17);
    EXPECT_EQ(inked(plain->glyph(" ")), 0);
}

TEST_F(FreeTypeFontsTest, UnderlineRunsUnderTheWholeAdvance)
{
    FontRequest request;
    request.name = "MS Gothic";
    request.height = 32;
    request.underline = true;
    std::string note;
    auto underlined = m_fonts.create(request, note);
    ASSERT_TRUE(underlined);
    Glyph const& space = underlined->glyph(" ");
    EXPECT_GE(inked(space), space.advance);
    EXPECT_LE(space.left, 0);
    EXPECT_GE(space.left + space.width, space.advance);
}

} // namespace
} // namespace advplay::platform
