// Message boxes drawn in the game's window: over its picture and gone after, answered by mouse and
// keys, modal without losing what the game was sent meanwhile, and in two languages when asked.
#include "platform/drawn_message_box.h"

#include "common/engine_texts.h"
#include "platform/fonts/freetype_fonts.h"
#include "support/forwarding_window.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace advplay::platform {
namespace {

constexpr std::uint16_t kGameColor = 0x1234;
constexpr std::uint16_t kBoxFace = (0xC0 >> 3) << 10 | (0xC0 >> 3) << 5 | (0xC0 >> 3);

// Keeps a copy of every picture it was given.
class RecordingWindow final : public testing::ForwardingWindow {
public:
    void present(const PictureArea& area) override
    {
        m_inner.present(area);
        PictureArea const shown = m_inner.shown_picture();
        pictures.emplace_back(shown.pixels, shown.pixels + 640 * 480);
    }
    PictureArea shown_picture() const override
    {
        return pictureless ? PictureArea {} : m_inner.shown_picture();
    }
    std::vector<std::vector<std::uint16_t>> pictures;
    bool pictureless { false };
};

class Fallback final : public MessageBox {
public:
    MessageBoxAnswer show(std::string_view text, std::optional<std::string_view>, MessageBoxButtons) override
    {
        shown.emplace_back(text);
        return MessageBoxAnswer::Yes;
    }
    void set_english(bool english) override { languages.push_back(english); }
    std::vector<std::string> shown;
    // Each language it was told to use, in order.
    std::vector<bool> languages;
};

class DrawnBoxTest : public ::testing::Test {
protected:
    DrawnBoxTest()
    {
        std::vector<std::uint16_t> const game(640 * 480, kGameColor);
        window.present({ game.data(), 640, 0, 0, 640, 480 });
        window.pictures.clear();
    }
    DrawnMessageBox& make(bool english = false)
    {
        auto fallback = std::make_unique<Fallback>();
        fallback_box = fallback.get();
        box = std::make_unique<DrawnMessageBox>(
            window, &fonts, encoding, DrawnMessageBoxOptions { english, &echo }, std::move(fallback));
        return *box;
    }
    void key(Key which) { window.post_event({ EventType::KeyDown, which }); }
    void click(std::int32_t x, std::int32_t y, std::int32_t up_x, std::int32_t up_y)
    {
        Event event { EventType::ButtonDown };
        event.x = x;
        event.y = y;
        window.post_event(event);
        event.type = EventType::ButtonUp;
        event.x = up_x;
        event.y = up_y;
        window.post_event(event);
    }
    void click_on(const DrawnButton& button)
    {
        click(button.x + button.w / 2, button.y + button.h / 2, button.x + 2, button.y + 2);
    }
    std::string sjis(std::string_view utf8) { return encoding.to_sjis(utf8).value_or(""); }

    TextEncoding encoding;
    FreeTypeFonts fonts { encoding };
    RecordingWindow window;
    StringOutput echo;
    Fallback* fallback_box { nullptr };
    std::unique_ptr<DrawnMessageBox> box;
};

TEST_F(DrawnBoxTest, TheBoxCoversTheMiddleOfThePictureAndGoesAgain)
{
    DrawnMessageBox& drawn = make();
    key(Key::Enter);
    EXPECT_EQ(drawn.show(sjis("セーブに失敗しました"), {}, MessageBoxButtons::Ok), MessageBoxAnswer::Ok);
    ASSERT_GE(window.pictures.size(), 2u);
    auto const& up = window.pictures.front();
    // The box's face in the middle, the game around it, and text in the box.
    ASSERT_EQ(drawn.last_buttons().size(), 1u);
    DrawnButton const ok = drawn.last_buttons()[0];
    EXPECT_EQ(up[static_cast<std::size_t>(ok.y + 2) * 640 + ok.x - 4], kBoxFace);
    EXPECT_EQ(up[10 * 640 + 10], kGameColor);
    EXPECT_GT(std::count(up.begin(), up.end(), std::uint16_t { 0 }), 100);
    EXPECT_TRUE(std::all_of(window.pictures.back().begin(), window.pictures.back().end(),
        [](std::uint16_t pixel) { return pixel == kGameColor; }));
    EXPECT_EQ(echo.text(), "セーブに失敗しました\n\n");
    EXPECT_TRUE(fallback_box->shown.empty());
}

TEST_F(DrawnBoxTest, MouseAndKeysAnswerAQuestion)
{
    DrawnMessageBox& drawn = make();
    std::string const question = sjis("フルスクリーン表示しますか？");
    // Yes has the focus.
    key(Key::Enter);
    EXPECT_EQ(drawn.show(question, {}, MessageBoxButtons::YesNo), MessageBoxAnswer::Yes);
    ASSERT_EQ(drawn.last_buttons().size(), 2u);
    DrawnButton const yes = drawn.last_buttons()[0];
    DrawnButton const no = drawn.last_buttons()[1];
    EXPECT_EQ(yes.answer, MessageBoxAnswer::Yes);
    EXPECT_LT(yes.x + yes.w, no.x);

    click_on(no);
    EXPECT_EQ(drawn.show(question, {}, MessageBoxButtons::YesNo), MessageBoxAnswer::No);
    click_on(yes);
    EXPECT_EQ(drawn.show(question, {}, MessageBoxButtons::YesNo), MessageBoxAnswer::Yes);
    // Pressed on Yes and let go elsewhere: nothing; a click beside the buttons: nothing; then the
    // focus moves to No and Space presses it.
    click(yes.x + 5, yes.y + 5, no.x + no.w + 40, no.y);
    click(10, 10, 10, 10);
    key(Key::Right);
    key(Key::Space);
    EXPECT_EQ(drawn.show(question, {}, MessageBoxButtons::YesNo), MessageBoxAnswer::No);
    // Each box starts on Yes, and the focus goes round.
    key(Key::Left);
    key(Key::Enter);
    EXPECT_EQ(drawn.show(question, {}, MessageBoxButtons::YesNo), MessageBoxAnswer::No);
    key(Key::Escape);
    EXPECT_EQ(drawn.show(question, {}, MessageBoxButtons::YesNo), MessageBoxAnswer::No);
    key(Key::Escape);
    EXPECT_EQ(drawn.show(question, {}, MessageBoxButtons::Ok), MessageBoxAnswer::Ok);
}

TEST_F(DrawnBoxTest, WhatTheGameWasSentMeanwhileReachesItAfterwards)
{
    DrawnMessageBox& drawn = make();
    Event notice { EventType::DeviceNotify };
    notice.device = 7;
    window.post_event(notice);
    key(Key::F4);
    window.post_event({ EventType::CloseRequest });
    // The close box answers as Escape would, and the game still closes.
    EXPECT_EQ(drawn.show(sjis("ロードに失敗しました"), {}, MessageBoxButtons::YesNo), MessageBoxAnswer::No);
    Event event;
    ASSERT_TRUE(window.poll_event(event));
    EXPECT_EQ(event.type, EventType::DeviceNotify);
    EXPECT_EQ(event.device, 7);
    ASSERT_TRUE(window.poll_event(event));
    EXPECT_EQ(event.type, EventType::CloseRequest);
    EXPECT_FALSE(window.poll_event(event));
}

TEST_F(DrawnBoxTest, InEnglishTooTheReadingFollowsAndTheBoxGrows)
{
    std::string const text = "FILE : start\nLINE : 3\n\n" + std::string(texts::kJumpFailed.sjis);
    make();
    key(Key::Enter);
    box->show(text, {}, MessageBoxButtons::YesNo);
    DrawnButton const japanese = box->last_buttons()[0];

    echo.clear();
    DrawnMessageBox& both = make(true);
    key(Key::Enter);
    both.show(text, {}, MessageBoxButtons::YesNo);
    EXPECT_EQ(echo.text(),
        "FILE : start\nLINE : 3\n\n「.jmp」に失敗しました\n\n" + std::string(texts::kJumpFailed.english)
            + "\n\n");
    // One line more, and wider buttons for "はい Yes" and "いいえ No".
    EXPECT_GT(both.last_buttons()[0].y, japanese.y);
    EXPECT_GE(both.last_buttons()[1].w, japanese.w);
}

// The player switches the language while the game runs: the next box, drawn or not, is in it.
TEST_F(DrawnBoxTest, TheLanguageChangesForTheNextBox)
{
    std::string const text(texts::kSaveFailed.sjis);
    DrawnMessageBox& drawn = make();
    EXPECT_EQ(fallback_box->languages, (std::vector { false }))
        << "the fallback starts in the box's language";
    drawn.set_english(true);
    EXPECT_EQ(fallback_box->languages, (std::vector { false, true }));
    key(Key::Enter);
    drawn.show(text, {}, MessageBoxButtons::YesNo);
    EXPECT_EQ(echo.text(),
        std::string(texts::kSaveFailed.utf8) + "\n\n" + std::string(texts::kSaveFailed.english) + "\n\n");
    DrawnButton const both = drawn.last_buttons()[0];

    echo.clear();
    drawn.set_english(false);
    key(Key::Enter);
    drawn.show(text, {}, MessageBoxButtons::YesNo);
    EXPECT_EQ(echo.text(), std::string(texts::kSaveFailed.utf8) + "\n\n");
    EXPECT_LT(drawn.last_buttons()[0].y, both.y);

    // Without a picture the system's box gets the text with its reading.
    window.pictureless = true;
    drawn.set_english(true);
    drawn.show(text, {}, MessageBoxButtons::Ok);
    ASSERT_EQ(fallback_box->shown.size(), 1u);
    EXPECT_EQ(fallback_box->shown[0], texts::with_english_reading(text));
}

TEST_F(DrawnBoxTest, WithoutAPictureTheSystemBoxAnswers)
{
    window.pictureless = true;
    DrawnMessageBox& drawn = make();
    EXPECT_EQ(drawn.show(sjis("再起動すれば直る可能性があります。"), {}, MessageBoxButtons::YesNo),
        MessageBoxAnswer::Yes);
    ASSERT_EQ(fallback_box->shown.size(), 1u);
    EXPECT_EQ(fallback_box->shown[0], sjis("再起動すれば直る可能性があります。"));
    EXPECT_TRUE(window.pictures.empty());
    EXPECT_EQ(echo.text(), "再起動すれば直る可能性があります。\n\n");
}

TEST(WrapLines, BreaksAtLineEndsAndWhereTheWidthIsReachedNeverInsideACharacter)
{
    auto const advance = [](std::string_view character) { return character.size() == 2 ? 16 : 8; };
    EXPECT_EQ(wrap_lines("ab\r\ncd\nef", 100, advance), (std::vector<std::string> { "ab", "cd", "ef" }));
    // Five single bytes fit 40 pixels; the sixth starts a line.
    EXPECT_EQ(wrap_lines("abcdef", 40, advance), (std::vector<std::string> { "abcde", "f" }));
    // "ab" then a pair: 32 pixels; the next pair would pass 40.
    EXPECT_EQ(wrap_lines("ab\x82\xa0\x82\xa0", 40, advance),
        (std::vector<std::string> { "ab\x82\xa0", "\x82\xa0" }));
    // A character wider than the line still gets a line.
    EXPECT_EQ(wrap_lines("\x82\xa0", 4, advance), (std::vector<std::string> { "\x82\xa0" }));
    EXPECT_EQ(wrap_lines("", 40, advance), (std::vector<std::string> { "" }));
}

} // namespace
} // namespace advplay::platform
