// Input: button flags and capture, click jumps, the keys that stand for buttons, and the cursor
// commands, driven through the same window events a player makes.
#include "app/input.h"

#include "app/frame_loop.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <fstream>

namespace advplay::app {
namespace {

using platform::Event;
using platform::EventType;
using platform::Key;
using platform::MouseButton;
using script::State;

class InputTest : public ::testing::Test {
protected:
    void start(std::string_view script = ".end\n")
    {
        m_game.write_script("config", ".int cx cy\n");
        m_game.write_script("start", script);
        ASSERT_TRUE(m_game.load_and_start());
    }
    Engine& engine() { return m_game.engine(); }
    InputState& input() { return engine().input; }
    // Runs the events the handlers posted, as the frame loop would between two passes.
    void drain()
    {
        Event event;
        while (m_game.window().poll_event(event)) {
            if (event.type == EventType::ButtonDown)
                button_down(engine(), event.button, event.x, event.y);
            else if (event.type == EventType::ButtonUp)
                button_up(engine(), event.button);
            else
                m_unhandled.push_back(event);
        }
    }

    testing::TestGame m_game;
    std::vector<Event> m_unhandled;
};

TEST_F(InputTest, TheMouseIsCapturedWhileAnyButtonIsDown)
{
    start();
    button_down(engine(), MouseButton::Left, 1, 2);
    EXPECT_TRUE(input().left_down);
    EXPECT_TRUE(m_game.window().captured());
    button_down(engine(), MouseButton::Right, 1, 2);
    button_up(engine(), MouseButton::Left);
    EXPECT_FALSE(input().left_down);
    EXPECT_TRUE(m_game.window().captured());
    button_up(engine(), MouseButton::Right);
    EXPECT_FALSE(m_game.window().captured());
}

TEST_F(InputTest, PressesInWaitsAreRememberedUntilReleased)
{
    start();
    for (State state : { State::TextClickWait, State::TextClearWait, State::MoviePlaying, State::ClickWait,
             State::ClearWait, State::ChoiceWait }) {
        engine().interpreter.state = state;
        button_down(engine(), MouseButton::Left, 0, 0);
        button_down(engine(), MouseButton::Right, 0, 0);
        EXPECT_TRUE(input().left_pressed_in_wait) << script::state_name(state);
        // The right button has nothing to do in a choice.
        EXPECT_EQ(input().right_pressed_in_wait, state != State::ChoiceWait) << script::state_name(state);
        button_up(engine(), MouseButton::Left);
        button_up(engine(), MouseButton::Right);
        EXPECT_FALSE(input().left_pressed_in_wait);
        EXPECT_FALSE(input().right_pressed_in_wait);
    }
    engine().interpreter.state = State::ShowText;
    button_down(engine(), MouseButton::Left, 0, 0);
    EXPECT_FALSE(input().left_pressed_in_wait);
}

TEST_F(InputTest, ClickJumpWithoutAnyStateFiresOnlyInWaits)
{
    start("a\n:menu\nmenu\n");
    engine().interpreter.current_line.assign(":menu 0");
    left_click_jump_command(engine());
    for (State state : { State::Fetch, State::ShowText }) {
        engine().interpreter.state = state;
        button_down(engine(), MouseButton::Left, 5, 6);
        button_up(engine(), MouseButton::Left);
        EXPECT_EQ(input().left_jump.target, ":menu");
    }
    engine().interpreter.state = State::ClickWait;
    engine().call_stack.push_back({ "start", 1, false, {} });
    button_down(engine(), MouseButton::Left, 5, 6);
    EXPECT_EQ(engine().interpreter.state, State::Fetch);
    EXPECT_TRUE(input().left_jump.target.empty());
    EXPECT_TRUE(engine().call_stack.empty());
    EXPECT_EQ(input().click_x, 5);
    EXPECT_EQ(input().click_y, 6);
    EXPECT_EQ(engine().store.position().line_index, 1);
}

TEST_F(InputTest, ClickJumpWithAnyStateFiresOnceInAnyState)
{
    start("a\n:menu\nmenu\n");
    engine().interpreter.current_line.assign("start:menu 1");
    right_click_jump_command(engine());
    engine().interpreter.state = State::ShowText;
    button_down(engine(), MouseButton::Right, 7, 8);
    EXPECT_EQ(engine().interpreter.state, State::Fetch);
    EXPECT_EQ(input().click_x, 7);
    button_up(engine(), MouseButton::Right);
    // Fired once: the next click does nothing until the script arms it again.
    engine().interpreter.state = State::ShowText;
    button_down(engine(), MouseButton::Right, 9, 9);
    EXPECT_EQ(engine().interpreter.state, State::ShowText);
    EXPECT_EQ(input().click_x, 7);
}

TEST_F(InputTest, ClickJumpToAMissingLabelEndsTheGame)
{
    start();
    engine().interpreter.current_line.assign(":nowhere 1");
    left_click_jump_command(engine());
    button_down(engine(), MouseButton::Left, 0, 0);
    EXPECT_EQ(engine().interpreter.state, State::Quit);
    EXPECT_NE(m_game.messages().find("「.jmp」に失敗しました"), std::string::npos);
}

TEST_F(InputTest, DeleteDisarmsAClickJump)
{
    start();
    engine().interpreter.current_line.assign(":x 1");
    left_click_jump_command(engine());
    engine().interpreter.current_line.assign("delete");
    left_click_jump_command(engine());
    EXPECT_TRUE(input().left_jump.target.empty());
    EXPECT_EQ(input().left_jump.any_state, 1);
}

TEST_F(InputTest, EnterExportsBeepsAndPressesTheLeftButtonOnce)
{
    start();
    m_game.window().warp_cursor({ 30, 40 });
    key_down(engine(), Key::Enter, false);
    key_down(engine(), Key::Enter, true);
    key_down(engine(), Key::Enter, true);
    key_up(engine(), Key::Enter);
    std::vector<Event> posted;
    Event event;
    while (m_game.window().poll_event(event))
        posted.push_back(event);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].type, EventType::ButtonDown);
    EXPECT_EQ(posted[0].button, MouseButton::Left);
    EXPECT_EQ(posted[0].x, 30);
    EXPECT_EQ(posted[0].y, 40);
    EXPECT_EQ(posted[1].type, EventType::ButtonUp);
    EXPECT_EQ(m_game.audio().log(), std::vector<std::string>(3, "beep 100 Hz 100 ms"));
    EXPECT_EQ(m_game.folder().read("mordax.scn"), std::string(engine().store.build_pack().view()));
}

TEST_F(InputTest, SpaceIsTheRightButtonAndArrowsMoveTheCursor)
{
    start();
    m_game.window().warp_cursor({ 100, 100 });
    key_down(engine(), Key::Space, false);
    key_down(engine(), Key::Space, true);
    drain();
    EXPECT_TRUE(input().right_down);
    key_up(engine(), Key::Space);
    drain();
    EXPECT_FALSE(input().right_down);
    key_down(engine(), Key::Left, false);
    key_down(engine(), Key::Up, true);
    key_down(engine(), Key::Down, false);
    key_down(engine(), Key::Down, false);
    EXPECT_EQ(m_game.window().cursor_position().x, 84);
    EXPECT_EQ(m_game.window().cursor_position().y, 116);
}

TEST_F(InputTest, ShowAndHideCallTheSystemOnlyOnAChange)
{
    start();
    engine().interpreter.current_line.assign("show");
    cursor_command(engine());
    EXPECT_EQ(m_game.window().show_calls(), 0);
    for (int i = 0; i < 2; ++i) {
        engine().interpreter.current_line.assign("hide");
        cursor_command(engine());
    }
    EXPECT_EQ(m_game.window().show_calls(), 1);
    EXPECT_FALSE(m_game.window().cursor_shown());
}

TEST_F(InputTest, CursorFilesLoadFromTheDataFolder)
{
    start();
    std::ifstream file(std::string(ADVPLAY_TESTDATA_DIR) + "/cur/deerstalker.cur", std::ios::binary);
    std::string const bytes((std::istreambuf_iterator<char>(file)), {});
    ASSERT_FALSE(bytes.empty());
    m_game.folder().write("data/Hat.CUR", bytes);
    engine().interpreter.current_line.assign("hat");
    cursor_command(engine());
    EXPECT_TRUE(m_game.window().custom_cursor());
    EXPECT_TRUE(m_game.messages().empty());
    engine().interpreter.current_line.assign("normal");
    cursor_command(engine());
    EXPECT_FALSE(m_game.window().custom_cursor());
    engine().interpreter.current_line.assign("missing");
    cursor_command(engine());
    EXPECT_NE(m_game.messages().find("カーソルファイルが読み込めませんでした"), std::string::npos);
}

TEST_F(InputTest, GlideTakes32StepsOf5MsAndEndsOnTheTarget)
{
    start();
    m_game.window().warp_cursor({ 10, 300 });
    std::size_t const before = m_game.window().cursor_moves().size();
    std::uint32_t const started = m_game.clock().now();
    engine().interpreter.current_line.assign("43 -20");
    move_cursor_command(engine());
    EXPECT_EQ(m_game.clock().now() - started, 160u);
    auto const& moves = m_game.window().cursor_moves();
    ASSERT_EQ(moves.size() - before, 32u);
    // Step i is start + (target - start) * i >> 5, rounded down; y runs toward negative values.
    EXPECT_EQ(moves[before].x, 10 + (33 * 1 >> 5));
    EXPECT_EQ(moves[before].y, 300 + (-320 * 1 >> 5));
    EXPECT_EQ(moves[before + 15].x, 10 + (33 * 16 >> 5));
    EXPECT_EQ(moves.back().x, 43);
    // The headless screen is the window: the cursor stops at its edge.
    EXPECT_EQ(moves.back().y, 0);
}

TEST_F(InputTest, EscapeF12AndAltEnterThroughTheFrameLoop)
{
    start(":loop\n.wat 10\n.cap x\n.jmp :loop\n");
    Event escape;
    escape.type = EventType::KeyDown;
    escape.key = Key::Escape;
    Event alt_enter;
    alt_enter.type = EventType::KeyDown;
    alt_enter.key = Key::Enter;
    alt_enter.alt = true;
    m_game.window().post_event(alt_enter);
    m_game.window().post_event(escape);
    EXPECT_EQ(frame_loop(engine(), { 1000, std::nullopt }), RunEnd::Closed);
    EXPECT_TRUE(m_game.window().full_screen());
    // Alt+Enter is not Enter: no export, no beep.
    EXPECT_TRUE(m_game.audio().log().empty());
}

TEST_F(InputTest, TheKeysAndButtonsTheOriginalLeftAloneChangeNothing)
{
    start(".lcl :clicked 1\n.clk 0 0\n.end\n:clicked\n.let cx = 1\n.end\n");
    for (Key key : { Key::Ctrl, Key::Tab, Key::A, Key::C, Key::H, Key::F1, Key::F9, Key::PageUp,
             Key::PageDown, Key::Backspace }) {
        Event event { EventType::KeyDown, key };
        event.ctrl = key == Key::C;
        m_game.window().post_event(event);
        event.type = EventType::KeyUp;
        m_game.window().post_event(event);
    }
    Event middle { EventType::ButtonDown };
    middle.button = MouseButton::Middle;
    m_game.window().post_event(middle);
    middle.type = EventType::ButtonUp;
    m_game.window().post_event(middle);
    Event wheel { EventType::Wheel };
    wheel.wheel = -2;
    m_game.window().post_event(wheel);
    EXPECT_EQ(frame_loop(engine(), { 500, std::nullopt }), RunEnd::TimeLimit);
    EXPECT_EQ(engine().interpreter.state, State::ClickWait);
    EXPECT_FALSE(input().left_down || input().right_down);
    EXPECT_FALSE(m_game.window().full_screen());
    EXPECT_TRUE(m_game.audio().log().empty());
    EXPECT_FALSE(std::ifstream((m_game.folder().path() / "mordax.scn").string()).good());
}

// Whether the window shows exactly `surface`.
bool window_shows(testing::TestGame& game, const graphics::Surface& surface)
{
    platform::PictureArea const shown = game.window().shown_picture();
    for (std::int32_t y = 0; y < surface.height(); ++y)
        for (std::int32_t x = 0; x < surface.width(); ++x)
            if (shown.pixels[static_cast<std::ptrdiff_t>(y) * shown.pitch + x] != surface.at(x, y))
                return false;
    return true;
}

TEST_F(InputTest, HOrTheMiddleButtonHideTheTextUntilTheNextKeyOrClick)
{
    start(".tsw\nあいう\n.clk 0 0\n.let cx = 1\n.end\n");
    platform::Window& window = m_game.window();
    auto const run = [this] { (void)frame_loop(engine(), { 200, std::nullopt }); };
    auto const post = [&window](EventType type, Key key, MouseButton button) {
        Event event { type, key };
        event.button = button;
        window.post_event(event);
    };
    // Outside a wait for the player, H is the game's.
    post(EventType::KeyDown, Key::H, MouseButton::Left);
    run();
    EXPECT_FALSE(engine().comforts.hidden);
    for (int i = 0; i < 20 && engine().interpreter.state != State::ClickWait; ++i)
        run();
    ASSERT_EQ(engine().interpreter.state, State::ClickWait);
    graphics::GraphicsState const& graphics = engine().graphics;
    ASSERT_TRUE(window_shows(m_game, graphics.display_surface));
    ASSERT_FALSE(window_shows(m_game, graphics.screen_surface));

    post(EventType::KeyDown, Key::H, MouseButton::Left);
    post(EventType::KeyUp, Key::H, MouseButton::Left);
    run();
    EXPECT_TRUE(window_shows(m_game, graphics.screen_surface));
    // The click only brings the text back: the wait goes on.
    post(EventType::ButtonDown, Key::Other, MouseButton::Left);
    post(EventType::ButtonUp, Key::Other, MouseButton::Left);
    run();
    EXPECT_TRUE(window_shows(m_game, graphics.display_surface));
    EXPECT_EQ(engine().interpreter.state, State::ClickWait);
    EXPECT_FALSE(input().left_down);

    post(EventType::ButtonDown, Key::Other, MouseButton::Middle);
    post(EventType::ButtonUp, Key::Other, MouseButton::Middle);
    run();
    EXPECT_TRUE(window_shows(m_game, graphics.screen_surface));
    // Enter brings it back too, and is not Enter for the game: no export, no beep, no click.
    post(EventType::KeyDown, Key::Enter, MouseButton::Left);
    post(EventType::KeyUp, Key::Enter, MouseButton::Left);
    run();
    EXPECT_TRUE(window_shows(m_game, graphics.display_surface));
    EXPECT_EQ(engine().interpreter.state, State::ClickWait);
    EXPECT_TRUE(m_game.audio().log().empty());

    post(EventType::ButtonDown, Key::Other, MouseButton::Left);
    post(EventType::ButtonUp, Key::Other, MouseButton::Left);
    run();
    EXPECT_NE(engine().interpreter.state, State::ClickWait);
}

} // namespace
} // namespace advplay::app
