// The player's comforts, driven through the window events a player makes: skip, auto, the backlog,
// the settings menu, the text hook, the clipboard, and the settings that change what the original
// did only when the player asks.
#include "app/comforts.h"

#include "app/frame_loop.h"
#include "app/overlays.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

namespace advplay::app {
namespace {

using platform::Event;
using platform::EventType;
using platform::Key;
using platform::MouseButton;
using script::State;

class ComfortsTest : public ::testing::Test {
protected:
    void start(std::string_view script)
    {
        m_game.write_script("config", ".int cx cy\n");
        m_game.write_script("start", script);
        ASSERT_TRUE(m_game.load_and_start());
    }
    Engine& engine() { return m_game.engine(); }
    Comforts& comforts() { return engine().comforts; }
    State state() { return engine().interpreter.state; }
    // Runs the loop for `ms` of virtual time.
    void run(std::uint32_t ms = 100) { (void)frame_loop(engine(), { ms, std::nullopt }); }
    // Posted events are handled by the next pass, so the loop runs once before the state is looked at.
    void run_until(State wanted, int limit = 100)
    {
        run(20);
        for (int i = 0; i < limit && state() != wanted; ++i)
            run(20);
        ASSERT_EQ(state(), wanted);
    }
    void key(Key key, EventType type = EventType::KeyDown, bool ctrl = false)
    {
        Event event { type, key };
        event.ctrl = ctrl;
        m_game.window().post_event(event);
        if (type == EventType::KeyDown && key != Key::Ctrl) {
            event.type = EventType::KeyUp;
            m_game.window().post_event(event);
        }
    }
    void click(MouseButton button = MouseButton::Left, std::int32_t x = 10, std::int32_t y = 10)
    {
        Event event { EventType::ButtonDown };
        event.button = button;
        event.x = x;
        event.y = y;
        m_game.window().post_event(event);
        event.type = EventType::ButtonUp;
        m_game.window().post_event(event);
    }
    void wheel(std::int32_t notches)
    {
        Event event { EventType::Wheel };
        event.wheel = notches;
        m_game.window().post_event(event);
    }
    bool window_shows(const graphics::Surface& surface)
    {
        platform::PictureArea const shown = m_game.window().shown_picture();
        for (std::int32_t y = 0; y < surface.height(); ++y)
            for (std::int32_t x = 0; x < surface.width(); ++x)
                if (shown.pixels[static_cast<std::ptrdiff_t>(y) * shown.pitch + x] != surface.at(x, y))
                    return false;
        return true;
    }
    std::string page() { return m_game.engine().platform.encoding.to_utf8(current_page_text(engine())); }

    testing::TestGame m_game;
};

// Three lines, each with its click wait, and a variable set at the end.
constexpr std::string_view kThreeLines = ".tsw\nいち\\c\nにい\\c\nさん\\c\n.let cx = 1\n.end\n";

TEST_F(ComfortsTest, ReadSkippingRunsThroughSeenLinesAndStopsAtTheFirstNewOne)
{
    // A first reading: every line shown, each once, and recorded.
    start(kThreeLines);
    run_until(State::TextClickWait);
    EXPECT_TRUE(comforts().line_unread);
    click();
    run_until(State::TextClickWait);
    std::unordered_set<std::string> const seen = comforts().read.lines;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(comforts().read.changed);
    std::string const record = format_read_record(engine());

    // A new run that has seen the first two lines: Ctrl runs through them at once and the text
    // of the third types out as usual, waiting for the player.
    testing::TestGame again;
    again.write_script("config", ".int cx cy\n");
    again.write_script("start", kThreeLines);
    ASSERT_TRUE(again.load_and_start());
    parse_read_record(again.engine(), record);
    EXPECT_EQ(again.engine().comforts.read.lines, seen);
    Event ctrl { EventType::KeyDown, Key::Ctrl };
    again.window().post_event(ctrl);
    // One run of the loop: the seen lines go by at once, and 150 ms later the new one is still
    // serving its characters' 100 ms each before its wait.
    (void)frame_loop(again.engine(), { 150, std::nullopt });
    EXPECT_EQ(again.engine().interpreter.state, State::TextClickSetup);
    EXPECT_TRUE(again.engine().comforts.line_unread);
    EXPECT_EQ(
        again.engine().platform.encoding.to_utf8(current_page_text(again.engine())), "いち\nにい\nさん");
    (void)frame_loop(again.engine(), { 500, std::nullopt });
    EXPECT_EQ(again.engine().interpreter.state, State::TextClickWait);
}

TEST_F(ComfortsTest, SkippingAllEndsWaitsAndStopsAtAChoice)
{
    start(".tsw\nあいうえお\\c\n.wat 5000\nかきくけこ\\t\n.slt add one :a\n.slt exec\n:a\n.end\n");
    comforts().settings.skip = SkipMode::All;
    key(Key::Tab);
    run(0);
    // The title says skip is on while it is.
    EXPECT_NE(m_game.window().title().find(testing::sjis(" [スキップ]")), std::string::npos);
    std::uint32_t const began = m_game.clock().now();
    run_until(State::ChoiceWait);
    EXPECT_EQ(m_game.window().title(), engine().settings.caption);
    // Text at once, click waits ended, the five seconds' wait cut: far less than the text's second
    // and the wait would take.
    EXPECT_LT(m_game.clock().now() - began, 1000u);
    EXPECT_FALSE(comforts().skip_on);
    // The choice is the player's.
    run(300);
    EXPECT_EQ(state(), State::ChoiceWait);
    // The clear wait cleared the page: the choice stands alone on it.
    EXPECT_EQ(page(), "one");
}

TEST_F(ComfortsTest, SkipLeavesWaitsThatAPlainLeftClickWouldNotEnd)
{
    // Only the right button ends this wait.
    start(".tsw\nあ\n.clk 2 0\n.end\n");
    comforts().settings.skip = SkipMode::All;
    key(Key::Tab);
    run_until(State::ClickWait);
    run(300);
    EXPECT_EQ(state(), State::ClickWait);
    EXPECT_FALSE(comforts().skip_on);
}

TEST_F(ComfortsTest, AutoEndsAClickWaitAfterTheBaseDelayAndTheCharactersOfThePage)
{
    start(".tsw\nあいう\\c\nかき\\c\n.end\n");
    comforts().settings.auto_base_delay = 1000;
    comforts().settings.auto_character_delay = 100;
    key(Key::A);
    run_until(State::TextClickWait);
    std::uint32_t const first_wait = comforts().wait_began;
    EXPECT_EQ(comforts().wait_characters, 3);
    while (state() == State::TextClickWait)
        run(2);
    std::uint32_t const first_span = m_game.clock().now() - first_wait;
    // 1000 + 3 x 100 ms, on a clock that the waits move in steps of a few milliseconds.
    EXPECT_GE(first_span, 1300u);
    EXPECT_LE(first_span, 1310u);
    run_until(State::TextClickWait);
    // The second wait on the same page counts only what it added.
    EXPECT_EQ(comforts().wait_characters, 2);

    // Hiding the text holds auto mode: the player is looking at the picture.
    key(Key::H);
    run(3000);
    EXPECT_EQ(state(), State::TextClickWait);
    click(MouseButton::Middle);
    run(50);
    EXPECT_FALSE(comforts().hidden);
    run(3000);
    EXPECT_EQ(state(), State::Quit);
}

TEST_F(ComfortsTest, AutoOffLeavesTheWaitToThePlayer)
{
    start(".tsw\nあいう\\c\n.end\n");
    key(Key::A);
    key(Key::A);
    run(3000);
    EXPECT_EQ(state(), State::TextClickWait);
}

TEST_F(ComfortsTest, TheBacklogShowsEarlierPagesOverThePausedGame)
{
    start(".tsw\nひとつめ\\t\nふたつめ\\c\n.wat 100\n.let cx = 1\n.end\n");
    platform::RecordingMediaPlayer const& media = m_game.media();
    (void)media;
    run_until(State::TextClearWait);
    click();
    run_until(State::TextClickWait);
    ASSERT_EQ(comforts().backlog.size(), 2u);
    EXPECT_EQ(page(), "ふたつめ");

    wheel(1);
    run(50);
    ASSERT_EQ(comforts().overlay, Overlay::Backlog);
    EXPECT_EQ(comforts().backlog_at, 1u);
    EXPECT_TRUE(window_shows(comforts().overlay_picture));
    EXPECT_FALSE(window_shows(engine().graphics.display_surface));
    std::vector<graphics::Pixel> const newest(
        comforts().overlay_picture.pixels(), comforts().overlay_picture.pixels() + 640 * 480);

    key(Key::PageUp);
    run(50);
    EXPECT_EQ(comforts().backlog_at, 0u);
    EXPECT_FALSE(std::equal(newest.begin(), newest.end(), comforts().overlay_picture.pixels()));
    // Older than the oldest stays on the oldest.
    wheel(3);
    run(50);
    EXPECT_EQ(comforts().backlog_at, 0u);

    // The game is paused: a click goes to the backlog, not to the wait.
    run(2000);
    EXPECT_EQ(state(), State::TextClickWait);
    wheel(-1);
    wheel(-1);
    run(50);
    EXPECT_EQ(comforts().overlay, Overlay::None);
    EXPECT_TRUE(window_shows(engine().graphics.display_surface));
    EXPECT_EQ(state(), State::TextClickWait);

    // Backspace and a click leave it too, and the click does not reach the game.
    key(Key::PageUp);
    run(50);
    key(Key::Backspace);
    run(50);
    EXPECT_EQ(comforts().overlay, Overlay::None);
    key(Key::PageUp);
    run(50);
    click();
    run(50);
    EXPECT_EQ(comforts().overlay, Overlay::None);
    EXPECT_EQ(state(), State::TextClickWait);
}

TEST_F(ComfortsTest, TheBacklogDoesNotOpenBeforeAnyPage)
{
    start(".wat 1000\n.end\n");
    wheel(1);
    key(Key::PageUp);
    run(50);
    EXPECT_EQ(comforts().overlay, Overlay::None);
}

TEST_F(ComfortsTest, TheTextHookHearsEachPieceOfTextOnceItIsShown)
{
    platform::StringOutput hook;
    start(".tsw\nひとつめ\\c\nつづき\\t\nふたつめ\n.slt add はい :a\n.slt exec\n:a\n.end\n");
    comforts().text_hook = &hook;
    run_until(State::TextClickWait);
    EXPECT_EQ(hook.text(), "ひとつめ\n\n");
    click();
    run_until(State::TextClearWait);
    click();
    run_until(State::ChoiceWait);
    EXPECT_EQ(hook.text(), "ひとつめ\n\nつづき\n\nふたつめ\nはい\n\n");
}

TEST_F(ComfortsTest, CtrlCCopiesThePageToTheClipboard)
{
    start(".tsw\nひとつめ\\n２行め\\c\n.end\n");
    run_until(State::TextClickWait);
    key(Key::C, EventType::KeyDown, true);
    run(50);
    EXPECT_EQ(m_game.window().clipboard_text(), "ひとつめ\n２行め");
    // Not a click.
    EXPECT_EQ(state(), State::TextClickWait);
}

class RecordingHost final : public FrameHooks {
public:
    void before_events(Engine&) override { }
    void settings_changed(Engine& engine) override { changes.push_back(engine.comforts.settings); }
    std::vector<PlayerSettings> changes;
};

TEST_F(ComfortsTest, TheSettingsMenuChangesSettingsWithKeysAndClicks)
{
    start(".tsw\nあ\\c\n.end\n");
    RecordingHost host;
    auto const pass = [&] { (void)frame_loop(engine(), { 50, std::nullopt }, &host); };
    run_until(State::TextClickWait);
    key(Key::F1);
    pass();
    ASSERT_EQ(comforts().overlay, Overlay::Settings);
    EXPECT_TRUE(window_shows(comforts().overlay_picture));
    // Text speed: right, a step up.
    key(Key::Right);
    pass();
    ASSERT_EQ(host.changes.size(), 1u);
    EXPECT_EQ(host.changes.back().text_speed, 150);
    // Down to the music volume, left: a step down.
    for (int i = 0; i < 4; ++i)
        key(Key::Down);
    key(Key::Left);
    pass();
    EXPECT_EQ(comforts().settings.music_volume, 90);
    // A click on a row's line steps it; the right button steps back.
    click(MouseButton::Left, kMenuLeft + 10, kMenuTop + 3 * kMenuRowHeight + 5);
    pass();
    EXPECT_EQ(comforts().settings.skip, SkipMode::All);
    click(MouseButton::Right, kMenuLeft + 10, kMenuTop + 11 * kMenuRowHeight + 5);
    pass();
    EXPECT_TRUE(comforts().settings.confirm_quit);
    EXPECT_EQ(host.changes.size(), 4u);
    // Enter is the menu's: no export, no beep, and the game's wait goes on.
    EXPECT_TRUE(m_game.audio().log().empty());
    EXPECT_EQ(state(), State::TextClickWait);
    key(Key::F1);
    pass();
    EXPECT_EQ(comforts().overlay, Overlay::None);
    EXPECT_TRUE(window_shows(engine().graphics.display_surface));
}

TEST_F(ComfortsTest, EveryRowStepsWithinItsRangeAndBack)
{
    start(".end\n");
    auto const rows = settings_menu_rows(engine());
    ASSERT_EQ(rows.size(), 13u);
    PlayerSettings const defaults;
    for (int row = 0; row + 1 < static_cast<int>(rows.size()); ++row) {
        for (int i = 0; i < 40; ++i)
            EXPECT_TRUE(step_setting(engine(), row, +1));
        PlayerSettings const& s = comforts().settings;
        EXPECT_LE(s.music_volume, 100);
        EXPECT_LE(s.text_speed, 1000);
        for (int i = 0; i < 40; ++i)
            EXPECT_TRUE(step_setting(engine(), row, -1));
        EXPECT_GE(s.music_volume, 0);
        EXPECT_GE(s.text_speed, 50);
        EXPECT_GE(s.auto_base_delay, 0);
    }
    EXPECT_FALSE(step_setting(engine(), 12, +1));
}

TEST_F(ComfortsTest, EscapeAsksFirstOnlyWhenThePlayerWantsIt)
{
    start(".wat 100000\n.end\n");
    comforts().settings.confirm_quit = true;
    key(Key::Escape);
    EXPECT_EQ(frame_loop(engine(), { 500, std::nullopt }), RunEnd::TimeLimit);
    EXPECT_NE(m_game.messages().find("ゲームを終了しますか？"), std::string::npos);

    testing::TestGame yes(platform::MessageBoxAnswer::Yes);
    yes.write_script("start", ".wat 100000\n.end\n");
    ASSERT_TRUE(yes.load_and_start());
    yes.engine().comforts.settings.confirm_quit = true;
    Event escape { EventType::KeyDown, Key::Escape };
    yes.window().post_event(escape);
    EXPECT_EQ(frame_loop(yes.engine(), { 500, std::nullopt }), RunEnd::Closed);
}

TEST_F(ComfortsTest, TheTextSpeedScalesTheScriptsDelays)
{
    constexpr std::string_view kLine = ".tsw\nあいうえお\n.end\n";
    start(kLine);
    std::uint32_t const usual = m_game.run();
    testing::TestGame faster;
    faster.write_script("start", kLine);
    ASSERT_TRUE(faster.load_and_start());
    faster.engine().comforts.settings.text_speed = 200;
    std::uint32_t const doubled = faster.run();
    EXPECT_EQ(usual, 500u);
    EXPECT_EQ(doubled, 250u);
}

TEST_F(ComfortsTest, EnterNeedNotExportOrBeep)
{
    start(".tsw\nあ\\c\n.wat 1000\n.end\n");
    comforts().settings.enter_exports = false;
    run_until(State::TextClickWait);
    key(Key::Enter);
    run(50);
    EXPECT_TRUE(m_game.audio().log().empty());
    EXPECT_FALSE(std::filesystem::exists(m_game.folder().path() / "mordax.scn"));
    // Still the left button.
    EXPECT_NE(state(), State::TextClickWait);
}

TEST(ReadRecord, ParsingKeepsOnlyWellFormedLines)
{
    testing::TestGame game;
    game.write_script("start", ".end\n");
    ASSERT_TRUE(game.load_and_start());
    constexpr char kRecord[] = "start:3\r\nstart:x\n:4\nno colon\nsub\\dir:12\n\0\0:1\nlast:7";
    parse_read_record(game.engine(), std::string(kRecord, sizeof kRecord - 1));
    std::unordered_set<std::string> const expected { "start:3", "sub\\dir:12", std::string("\0\0:1", 4),
        "last:7" };
    EXPECT_EQ(game.engine().comforts.read.lines, expected);
    EXPECT_FALSE(game.engine().comforts.read.changed);
    constexpr char kSorted[] = "\0\0:1\nlast:7\nstart:3\nsub\\dir:12\n";
    EXPECT_EQ(format_read_record(game.engine()), std::string(kSorted, sizeof kSorted - 1));
}

TEST(AutoDelay, GrowsWithThePageAndNeverOverflows)
{
    PlayerSettings settings;
    settings.auto_base_delay = 1500;
    settings.auto_character_delay = 80;
    EXPECT_EQ(auto_delay(settings, 0), 1500u);
    EXPECT_EQ(auto_delay(settings, 10), 2300u);
    settings.auto_character_delay = 0x7FFFFFFF;
    EXPECT_EQ(auto_delay(settings, 0x7FFFFFFF), 0x7FFFFFFFu);
    settings.auto_base_delay = -5;
    settings.auto_character_delay = -5;
    EXPECT_EQ(auto_delay(settings, 3), 0u);
}

} // namespace
} // namespace advplay::app
