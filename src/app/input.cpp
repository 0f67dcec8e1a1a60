// Input: button flags, mouse capture, the press handlers with their click jumps, the keys that
// stand for buttons, and the cursor commands.
#include "app/input.h"

#include "app/cursor_file.h"
#include "common/data_path.h"
#include "common/engine_texts.h"
#include "engine/engine.h"
#include "media/media_commands.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "script/flow_control.h"
#include "script/line_reader.h"
#include "text/choices.h"
#include "text/message_window.h"

namespace advplay::app {

namespace {

using script::State;

constexpr std::int32_t kArrowStep = 16;
constexpr std::uint32_t kBeepFrequency = 100;
constexpr std::uint32_t kBeepDuration = 100;
constexpr int kGlideSteps = 32;
constexpr std::uint32_t kGlideStepMs = 5;

// The click waits, the movie and the choice: the states a click can end.
bool is_wait_state(State state)
{
    switch (state) {
    case State::TextClickWait:
    case State::TextClearWait:
    case State::MoviePlaying:
    case State::ClickWait:
    case State::ClearWait:
    case State::ChoiceWait:
        return true;
    default:
        return false;
    }
}

// A click that ends a click wait takes its mark down first.
void take_down_wait_mark(Engine& engine, State state)
{
    if (!text::mark_in_use(engine))
        return;
    if (state == State::TextClickWait || state == State::ClickWait)
        text::take_down_mark(engine, text::MarkVariant::Click);
    else if (state == State::TextClearWait || state == State::ClearWait)
        text::take_down_mark(engine, text::MarkVariant::Clear);
}

// Abandons whatever runs and jumps to the armed target; false when the button has none armed for
// this state.
bool fire_click_jump(Engine& engine, ClickJump& jump, std::int32_t x, std::int32_t y)
{
    State const state = engine.interpreter.state;
    if (jump.target.empty() || (jump.any_state == 0 && !is_wait_state(state)))
        return false;
    take_down_wait_mark(engine, state);
    if (state == State::MoviePlaying)
        media::end_movie(engine);
    engine.call_stack.clear();
    // A click jump fires once; the script arms it again if it wants.
    std::string const target = std::move(jump.target);
    jump.target.clear();
    engine.input.click_x = x;
    engine.input.click_y = y;
    engine.interpreter.state = script::jump_to(engine, target) ? State::Fetch : State::Quit;
    return true;
}

// What a click without a jump does in the state it comes in: hurry the text, end a click wait the
// button is accepted for, or take the choice under the cursor.
void answer_click(Engine& engine, platform::MouseButton button, std::int32_t x, std::int32_t y)
{
    InputState& input = engine.input;
    text::MessageWindow& window = engine.text.window;
    bool const left = button == platform::MouseButton::Left;
    bool const accepted = left ? input.left_accept : input.right_accept;
    State& state = engine.interpreter.state;
    switch (state) {
    case State::ShowText: {
        std::int32_t const mode = left ? window.left_text_mode : window.right_text_mode;
        if ((mode == 1 || mode == 2) && window.fast_delay == 0)
            window.skip_rest = true;
        break;
    }
    case State::TextClickWait:
    case State::ClickWait:
        if (!accepted)
            break;
        take_down_wait_mark(engine, state);
        input.click_x = x;
        input.click_y = y;
        state = state == State::TextClickWait ? State::ShowText : State::Fetch;
        break;
    case State::TextClearWait:
    case State::ClearWait:
        if (!accepted)
            break;
        take_down_wait_mark(engine, state);
        text::clear_window(engine);
        input.click_x = x;
        input.click_y = y;
        state = state == State::TextClearWait ? State::ShowText : State::Fetch;
        break;
    case State::MoviePlaying:
        if (!accepted)
            break;
        media::end_movie(engine);
        input.click_x = x;
        input.click_y = y;
        state = State::Fetch;
        break;
    case State::ChoiceWait: {
        // The right button never picks a choice.
        if (!left)
            break;
        auto const target = text::take_choice(engine);
        if (!target)
            break;
        input.click_x = x;
        input.click_y = y;
        state = script::jump_to(engine, *target) ? State::Fetch : State::Quit;
        break;
    }
    default:
        break;
    }
}

void press(Engine& engine, platform::MouseButton button, std::int32_t x, std::int32_t y)
{
    InputState& input = engine.input;
    bool const left = button == platform::MouseButton::Left;
    State const state = engine.interpreter.state;
    if (is_wait_state(state)) {
        // A right press in a choice does not count: the right button never picks a choice.
        if (left)
            input.left_pressed_in_wait = true;
        else if (state != State::ChoiceWait)
            input.right_pressed_in_wait = true;
    }
    if (!fire_click_jump(engine, left ? input.left_jump : input.right_jump, x, y))
        answer_click(engine, button, x, y);
}

void post_button(Engine& engine, platform::EventType type, platform::MouseButton button)
{
    platform::CursorPosition const at = engine.platform.window.cursor_position();
    platform::Event event;
    event.type = type;
    event.button = button;
    event.x = at.x;
    event.y = at.y;
    engine.platform.window.post_event(event);
}

void set_click_jump(Engine& engine, ClickJump& jump)
{
    script::next_string(engine);
    std::string const target(engine.interpreter.token.view());
    if (target == "delete") {
        jump.target.clear();
        return;
    }
    jump.target = target;
    jump.any_state = script::next_int(engine);
}

} // namespace

void key_down(Engine& engine, platform::Key key, bool repeat)
{
    platform::Window& window = engine.platform.window;
    switch (key) {
    case platform::Key::Enter:
        // QUIRK: Enter writes the loaded scenario out as a pack, on auto-repeats too; a failed
        // write is silent. The player may turn this off.
        if (engine.comforts.settings.enter_exports) {
            (void)engine.store.export_pack(engine.platform.files, kExportName);
            if (engine.platform.audio)
                engine.platform.audio->beep(kBeepFrequency, kBeepDuration);
        }
        if (!repeat)
            post_button(engine, platform::EventType::ButtonDown, platform::MouseButton::Left);
        break;
    case platform::Key::Space:
        if (!repeat)
            post_button(engine, platform::EventType::ButtonDown, platform::MouseButton::Right);
        break;
    case platform::Key::Left:
    case platform::Key::Up:
    case platform::Key::Right:
    case platform::Key::Down: {
        platform::CursorPosition at = window.cursor_position();
        at.x += key == platform::Key::Left ? -kArrowStep : key == platform::Key::Right ? kArrowStep : 0;
        at.y += key == platform::Key::Up ? -kArrowStep : key == platform::Key::Down ? kArrowStep : 0;
        window.warp_cursor(at);
        break;
    }
    default:
        break;
    }
}

void key_up(Engine& engine, platform::Key key)
{
    if (key == platform::Key::Enter)
        post_button(engine, platform::EventType::ButtonUp, platform::MouseButton::Left);
    else if (key == platform::Key::Space)
        post_button(engine, platform::EventType::ButtonUp, platform::MouseButton::Right);
}

void button_down(Engine& engine, platform::MouseButton button, std::int32_t x, std::int32_t y)
{
    InputState& input = engine.input;
    bool const left = button == platform::MouseButton::Left;
    bool& down = left ? input.left_down : input.right_down;
    bool const other_down = left ? input.right_down : input.left_down;
    down = true;
    if (!other_down)
        engine.platform.window.capture_mouse(true);
    press(engine, button, x, y);
}

void button_up(Engine& engine, platform::MouseButton button)
{
    InputState& input = engine.input;
    bool const left = button == platform::MouseButton::Left;
    (left ? input.left_down : input.right_down) = false;
    if (!(left ? input.right_down : input.left_down))
        engine.platform.window.capture_mouse(false);
    (left ? input.left_pressed_in_wait : input.right_pressed_in_wait) = false;
}

void cursor_command(Engine& engine)
{
    script::next_string(engine);
    std::string const argument(engine.interpreter.token.view());
    platform::Window& window = engine.platform.window;
    InputState& input = engine.input;
    // The flag keeps the system's show count from drifting: show and hide act only on a change.
    if (argument == "show") {
        if (!input.cursor_visible) {
            input.cursor_visible = true;
            window.show_cursor(true);
        }
        return;
    }
    if (argument == "hide") {
        if (input.cursor_visible) {
            input.cursor_visible = false;
            window.show_cursor(false);
        }
        return;
    }
    if (argument == "normal") {
        (void)window.set_cursor(nullptr);
        return;
    }
    std::optional<platform::CursorImage> image;
    if (auto const path = resolve_data_path(argument, engine.settings.data_path, ".cur")) {
        persist::ByteBuffer bytes;
        if (bytes.load_file(engine.platform.files, *path))
            image = decode_cursor(bytes.bytes());
    }
    if (!image || !window.set_cursor(&*image))
        script::script_error(
            engine, texts::kCursorNotLoaded.sjis, "cannot load the cursor \"" + argument + "\"");
}

void move_cursor_command(Engine& engine)
{
    std::int32_t const x = script::next_int(engine);
    std::int32_t const y = script::next_int(engine);
    platform::Window& window = engine.platform.window;
    platform::CursorPosition const from = window.cursor_position();
    // 64-bit so that far targets cannot overflow; the shift rounds toward minus infinity, as the
    // original's arithmetic shift did, and the last step lands on the target exactly.
    for (int step = 1; step <= kGlideSteps; ++step) {
        auto along = [step](std::int32_t start, std::int32_t end) {
            return static_cast<std::int32_t>(start + ((std::int64_t { end } - start) * step >> 5));
        };
        window.warp_cursor({ along(from.x, x), along(from.y, y) });
        engine.platform.clock.sleep(kGlideStepMs);
    }
}

void left_click_jump_command(Engine& engine)
{
    set_click_jump(engine, engine.input.left_jump);
}

void right_click_jump_command(Engine& engine)
{
    set_click_jump(engine, engine.input.right_jump);
}

} // namespace advplay::app
