// The message window: typing out message text, its escapes, click waits and the click-wait mark.
#include "text/message_window.h"

#include "common/shift_jis.h"
#include "engine/engine.h"
#include "graphics/compose.h"
#include "graphics/graphics_state.h"
#include "platform/clock.h"
#include "script/flow_control.h"
#include "script/interpreter.h"
#include "script/line_reader.h"

#include <algorithm>

namespace advplay::text {

namespace {

using script::State;

constexpr graphics::Rect kWholeScreen { 0, 0, graphics::kScreenWidth, graphics::kScreenHeight };
constexpr std::int32_t kMessageWrapWidth = 600;

void mark_dirty(Engine& engine, const graphics::Box& box)
{
    graphics::Rect const rect = box.rect();
    graphics::mark_dirty(engine.graphics, rect.x, rect.y, rect.w, rect.h);
}

// Gives a screen area of `target` the screen surface's picture back.
void restore_screen(Engine& engine, graphics::Surface& target, const graphics::Box& area)
{
    (void)graphics::copy(target, area.rect(), engine.graphics.screen_surface, area.left, area.top);
}

// The button held to hasten the text, by the mode of that button.
bool hastens(std::int32_t mode, bool down, bool pressed_in_wait)
{
    return down && (mode == 2 || (mode == 1 && !pressed_in_wait));
}

// ---------------------------------------------------------------------------------------------------
// Typing out
// ---------------------------------------------------------------------------------------------------

// The script's delay at the player's text speed; at the usual speed exactly the script's.
std::int32_t player_delay(const Engine& engine, std::int32_t delay)
{
    std::int32_t const speed = engine.comforts.settings.text_speed;
    if (speed == 100 || speed <= 0 || delay <= 0)
        return delay;
    return static_cast<std::int32_t>(std::int64_t { delay } * 100 / speed);
}

// Draws one character and brings it to the display, straight or staged behind the pending wait.
void show_character(Engine& engine, std::string_view character, std::int32_t delay)
{
    TextLayer& layer = engine.text.message_layer;
    MessageWindow& window = engine.text.window;
    graphics::GraphicsState& graphics = engine.graphics;
    graphics::Box const box = layer.draw_text(character, Flush::No);
    graphics::Box const placed = box.moved(layer.window_x, layer.window_y);
    window.pending_text_rect.unite(placed);
    // Hurried text is only laid out; the next refresh brings the whole of it to the display.
    if (window.skip_rest)
        return;
    if (window.window_shown) {
        if (script::remaining_wait(engine) < kImmediateLimit) {
            restore_screen(engine, graphics.display_surface, placed);
            layer.copy_to(graphics.display_surface, box);
            mark_dirty(engine, window.pending_text_rect);
        } else {
            (void)graphics::copy(graphics.staging_surface, kWholeScreen, graphics.display_surface, 0, 0);
            restore_screen(engine, graphics.staging_surface, placed);
            layer.copy_to(graphics.staging_surface, box);
            mark_dirty(engine, window.pending_text_rect);
            graphics::request_swap(graphics);
        }
        window.pending_text_rect = {};
    }
    script::finish_command(engine);
    // A negative speed would wrap to a wait of weeks; it is taken as no wait.
    script::add_wait(engine, static_cast<std::uint32_t>(std::max(delay, 0)));
}

// Follows "\0".."\9": calls the subroutine and shows the rest of the line when it returns.
bool call_escape(Engine& engine, char digit)
{
    script::ScriptString& line = engine.interpreter.current_line;
    line.drop_front(line[2] == '\n' ? 3 : 2);
    engine.interpreter.state = State::Fetch;
    std::string const target = engine.text.window.sub_targets[static_cast<std::size_t>(digit - '0')];
    std::string const rest(line.view());
    return script::call_with_resume(engine, target, rest);
}

// "\C", "\c", "\T", "\t": the capital forms also take the line feed after them, so that the next
// script line goes on on the same window line.
void wait_escape(Engine& engine, State setup, bool capital)
{
    script::ScriptString& line = engine.interpreter.current_line;
    line.drop_front(capital && line[2] == '\n' ? 3 : 2);
    engine.interpreter.state = setup;
    script::finish_command(engine);
}

// ---------------------------------------------------------------------------------------------------
// Click waits
// ---------------------------------------------------------------------------------------------------

void setup_wait(Engine& engine, ClickModes modes, bool clears, bool from_text)
{
    InputState& input = engine.input;
    if ((modes.left == 1 && input.left_down) || (modes.right == 1 && input.right_down) || modes.left == 3
        || modes.right == 3) {
        if (clears)
            clear_window(engine);
        engine.interpreter.state = from_text ? State::ShowText : State::Fetch;
        return;
    }
    // Other modes keep the button's acceptance as it was.
    if (modes.left >= 0 && modes.left <= 2)
        input.left_accept = modes.left < 2;
    if (modes.right >= 0 && modes.right <= 2)
        input.right_accept = modes.right < 2;
    refresh_text(engine);
    engine.text.window.skip_rest = false;
    if (mark_in_use(engine))
        place_mark(engine, clears ? MarkVariant::Clear : MarkVariant::Click);
    if (clears)
        engine.interpreter.state = from_text ? State::TextClearWait : State::ClearWait;
    else
        engine.interpreter.state = from_text ? State::TextClickWait : State::ClickWait;
}

ClickModes modes_from_line(Engine& engine)
{
    ClickModes modes;
    modes.left = script::next_int(engine);
    modes.right = script::next_int(engine);
    return modes;
}

const graphics::Surface& mark_picture(const Engine& engine, MarkVariant variant)
{
    return engine.click_wait_mark.pictures[static_cast<std::size_t>(variant)];
}

graphics::Box mark_box(const Engine& engine, MarkVariant variant)
{
    graphics::Surface const& picture = mark_picture(engine, variant);
    MarkDisplay const& mark = engine.text.window.mark;
    return graphics::Box { 0, 0, picture.width(), picture.height() }.moved(mark.x, mark.y);
}

void draw_mark(Engine& engine, MarkVariant variant)
{
    graphics::Surface const& picture = mark_picture(engine, variant);
    graphics::Box const box = mark_box(engine, variant);
    // The picture's top-left pixel is its transparent colour.
    (void)graphics::copy_keyed(
        engine.graphics.display_surface, box.rect(), picture, 0, 0, picture.pixel_color(0, 0));
}

void restore_mark_background(Engine& engine, MarkVariant variant)
{
    graphics::Box const box = mark_box(engine, variant);
    (void)graphics::copy(
        engine.graphics.display_surface, box.rect(), engine.graphics.staging_surface, box.left, box.top);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Set-up and display
// ---------------------------------------------------------------------------------------------------

void init_text(Engine& engine)
{
    auto const report = [&engine](std::string_view note) {
        report_internal_error(engine.internal_errors, engine.platform.clock, note);
    };
    TextState& text = engine.text;
    text.message_layer.attach_fonts(engine.platform.fonts, report);
    text.print_layer.attach_fonts(engine.platform.fonts, report);
    (void)text.message_layer.init(&engine.graphics.display_surface, kMessageWrapWidth, graphics::kScreenWidth,
        graphics::kScreenHeight, 1);
    (void)text.print_layer.init(&engine.graphics.screen_surface, graphics::kScreenWidth,
        graphics::kScreenWidth, graphics::kScreenHeight, 1);
    text.message_layer.text_color = text.window.colors.usual;
    text.message_layer.shadow_color = text.window.colors.usual_shadow;
}

void refresh_text(Engine& engine)
{
    MessageWindow& window = engine.text.window;
    if (!window.window_shown)
        return;
    TextLayer& layer = engine.text.message_layer;
    graphics::Box const pending = window.pending_text_rect;
    restore_screen(engine, engine.graphics.display_surface, pending);
    layer.copy_to(engine.graphics.display_surface, pending.moved(-layer.window_x, -layer.window_y));
    mark_dirty(engine, pending);
    window.pending_text_rect = {};
}

void clear_window(Engine& engine)
{
    TextLayer& layer = engine.text.message_layer;
    engine.text.window.pending_text_rect = {};
    graphics::Box const used = layer.text_box().moved(layer.window_x, layer.window_y);
    layer.clear_all();
    mark_dirty(engine, used);
    restore_screen(engine, engine.graphics.display_surface, used);
}

// ---------------------------------------------------------------------------------------------------
// ShowText
// ---------------------------------------------------------------------------------------------------

bool show_step(Engine& engine)
{
    MessageWindow& window = engine.text.window;
    InputState const& input = engine.input;
    TextLayer& layer = engine.text.message_layer;
    script::ScriptString& line = engine.interpreter.current_line;

    bool const fast = hastens(window.left_text_mode, input.left_down, input.left_pressed_in_wait)
        || hastens(window.right_text_mode, input.right_down, input.right_pressed_in_wait);
    std::int32_t const delay = player_delay(engine, fast ? window.fast_delay : window.normal_delay);
    if (delay == 0)
        window.skip_rest = true;

    char const c = line[0];
    if (c == '\0') {
        engine.interpreter.state = State::Fetch;
        return true;
    }
    if (c == '\n') {
        line.drop_front(1);
        layer.new_line();
        return true;
    }
    std::size_t at = 0;
    if (c == '\\') {
        char const e = line[1];
        switch (e) {
        case '\0':
        case 'D':
        case 'd':
            engine.interpreter.state = State::Fetch;
            return true;
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9':
            return call_escape(engine, e);
        case 'C':
        case 'c':
            wait_escape(engine, State::TextClickSetup, e == 'C');
            return true;
        case 'T':
        case 't':
            wait_escape(engine, State::TextClearSetup, e == 'T');
            return true;
        case 'N':
            line.drop_front(line[2] == '\n' ? 3 : 2);
            layer.new_line();
            return true;
        case 'n':
        case '\n':
            line.drop_front(2);
            layer.new_line();
            return true;
        default:
            // Any other byte after a backslash is shown as itself; so is a backslash.
            at = 1;
            break;
        }
    }
    char const first = line[at];
    std::size_t length = is_lead_byte(first) ? 2 : 1;
    if (length == 2 && line[at + 1] == '\0') {
        // A lead byte cut off by the end of the line is no character: it is dropped unshown.
        line.drop_front(static_cast<std::ptrdiff_t>(at + 1));
        return true;
    }
    std::string const character(line.view().substr(at, length));
    line.drop_front(static_cast<std::ptrdiff_t>(at + length));
    show_character(engine, character, delay);
    return true;
}

void show_text_action(Engine& engine)
{
    if (show_step(engine))
        return;
    engine.interpreter.state = State::Quit;
    script::finish_command(engine);
}

void text_click_setup_action(Engine& engine)
{
    setup_wait(engine, engine.text.window.click_defaults, false, true);
}

void text_clear_setup_action(Engine& engine)
{
    setup_wait(engine, engine.text.window.clear_defaults, true, true);
}

void click_setup_action(Engine& engine)
{
    setup_wait(engine, modes_from_line(engine), false, false);
}

void clear_setup_action(Engine& engine)
{
    setup_wait(engine, modes_from_line(engine), true, false);
}

void click_wait_action(Engine& engine)
{
    if (mark_in_use(engine))
        animate_mark(engine, MarkVariant::Click);
}

void clear_wait_action(Engine& engine)
{
    if (mark_in_use(engine))
        animate_mark(engine, MarkVariant::Clear);
}

// ---------------------------------------------------------------------------------------------------
// The click-wait mark
// ---------------------------------------------------------------------------------------------------

bool mark_in_use(const Engine& engine)
{
    return engine.click_wait_mark.defined && engine.text.window.window_shown;
}

void place_mark(Engine& engine, MarkVariant variant)
{
    graphics::ClickWaitMark const& defined = engine.click_wait_mark;
    MarkDisplay& mark = engine.text.window.mark;
    TextLayer const& layer = engine.text.message_layer;
    auto const at = [](std::int32_t base, std::int32_t along, std::int32_t offset) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(
            std::int64_t { base } + along + offset, -kCoordinateLimit * 2, kCoordinateLimit * 2));
    };
    switch (defined.mode) {
    case 0:
        mark.x = defined.x_offset;
        mark.y = defined.y_offset;
        break;
    case 1:
        mark.x = at(layer.window_x, layer.pen_x(), defined.x_offset);
        mark.y = at(layer.window_y, layer.pen_y(), defined.y_offset);
        break;
    case 2:
        mark.x = at(layer.window_x, layer.last_end_x(), defined.x_offset);
        mark.y = at(layer.window_y, layer.last_end_y(), defined.y_offset);
        break;
    default:
        // QUIRK: other modes leave the mark where the last wait had it.
        break;
    }
    // The staging surface is idle while the game waits for a click; it keeps what the mark covers.
    graphics::Box const box = mark_box(engine, variant);
    (void)graphics::copy(
        engine.graphics.staging_surface, box.rect(), engine.graphics.display_surface, box.left, box.top);
    mark.last_toggle = engine.platform.clock.now();
}

void animate_mark(Engine& engine, MarkVariant variant)
{
    MarkDisplay& mark = engine.text.window.mark;
    std::int32_t const interval = engine.click_wait_mark.interval;
    if (interval <= 0) {
        if (mark.shown)
            return;
        draw_mark(engine, variant);
        mark.shown = true;
        mark_dirty(engine, mark_box(engine, variant));
        return;
    }
    std::uint32_t const now = engine.platform.clock.now();
    std::uint32_t const elapsed = now - mark.last_toggle;
    auto const period = static_cast<std::uint32_t>(interval);
    if (elapsed <= period)
        return;
    // Keep the rhythm unless the pass came more than a whole interval late.
    mark.last_toggle = elapsed - period > period ? now : mark.last_toggle + period;
    if (mark.shown) {
        restore_mark_background(engine, variant);
        mark.shown = false;
    } else {
        draw_mark(engine, variant);
        mark.shown = true;
    }
    mark_dirty(engine, mark_box(engine, variant));
}

std::optional<std::uint32_t> next_mark_change(const Engine& engine)
{
    if (!mark_in_use(engine))
        return std::nullopt;
    MarkDisplay const& mark = engine.text.window.mark;
    std::int32_t const interval = engine.click_wait_mark.interval;
    if (interval <= 0)
        return mark.shown ? std::nullopt : std::optional(engine.platform.clock.now());
    // animate_mark toggles once more than a whole interval has passed.
    return mark.last_toggle + static_cast<std::uint32_t>(interval) + 1;
}

void take_down_mark(Engine& engine, MarkVariant variant)
{
    MarkDisplay& mark = engine.text.window.mark;
    if (!mark.shown)
        return;
    mark.shown = false;
    restore_mark_background(engine, variant);
    mark_dirty(engine, mark_box(engine, variant));
}

} // namespace advplay::text
