// The comforts' handling of window events, and what skip, auto, the backlog and the text hook do
// around each interpreter pass.
#include "app/comforts.h"

#include "app/input.h"
#include "app/overlays.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "graphics/graphics_state.h"
#include "platform/clock.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"
#include "text/message_window.h"

#include <algorithm>

namespace advplay::app {

namespace {

using script::State;

// The oldest pages go once the backlog holds this many.
constexpr std::size_t kBacklogPages = 1000;
// What the title adds while skip or auto is on, so that the player knows (Shift-JIS).
constexpr char kSkipTitle[] = " [\x83X\x83L\x83"
                              "b\x83v]"; // " [スキップ]"
constexpr char kAutoTitle[] = " [\x83I\x81[\x83g]"; // " [オート]"

bool waits_for_player(const Engine& engine)
{
    return script::waits_for_click(engine.interpreter.state);
}

bool is_click_wait(State state)
{
    return state == State::TextClickWait || state == State::TextClearWait || state == State::ClickWait
        || state == State::ClearWait;
}

// The screen surface is the picture as the scripts composed it, without the message text, which is
// drawn on the display surface only.
void hide_text(Engine& engine)
{
    engine.comforts.hidden = true;
    graphics::Surface const& screen = engine.graphics.screen_surface;
    engine.platform.window.present({ screen.pixels(), static_cast<std::int32_t>(screen.pitch()), 0, 0,
        screen.width(), screen.height() });
}

// The whole display comes back with the next present, and with it whatever the game drew meanwhile.
void show_text(Engine& engine)
{
    engine.comforts.hidden = false;
    graphics::Surface const& display = engine.graphics.display_surface;
    graphics::mark_dirty(engine.graphics, 0, 0, display.width(), display.height());
}

// A left click would end this wait and do nothing else: the button is accepted and arms no jump.
// Skip and auto end only such waits; any other waits for something a click of theirs would not give.
bool plain_click_ends(const Engine& engine)
{
    InputState const& input = engine.input;
    return input.left_accept && input.left_jump.target.empty() && !input.left_down && !input.right_down;
}

void click(Engine& engine)
{
    platform::CursorPosition const at = engine.platform.window.cursor_position();
    button_down(engine, platform::MouseButton::Left, at.x, at.y);
    button_up(engine, platform::MouseButton::Left);
}

// The page on the message layer, without the empty lines a new line or the choices leave at its end.
BacklogPage snapshot_page(const Engine& engine)
{
    text::TextLayer const& layer = engine.text.message_layer;
    BacklogPage page;
    page.window_x = layer.window_x;
    page.window_y = layer.window_y;
    page.font_name = layer.font_name();
    page.font_size = layer.font_size();
    page.weight = layer.weight();
    for (std::int32_t i = 0; i <= layer.current_line(); ++i) {
        text::LineRecord const& line = layer.lines()[static_cast<std::size_t>(i)];
        page.lines.push_back({ line.text, line.start_x, line.start_y });
    }
    while (!page.lines.empty() && page.lines.back().text.empty())
        page.lines.pop_back();
    return page;
}

std::string page_text(const BacklogPage& page)
{
    std::string text;
    for (auto const& line : page.lines) {
        if (!text.empty())
            text += '\n';
        text += line.text;
    }
    return text;
}

// What `page` shows beyond `before`, the same page as an earlier wait showed it.
std::string added_text(const BacklogPage& before, const BacklogPage& page)
{
    std::string const had = page_text(before);
    std::string added = page_text(page);
    if (!had.empty() && added.starts_with(had)) {
        added.erase(0, had.size());
        if (!added.empty() && added.front() == '\n')
            added.erase(0, 1);
    }
    return added;
}

std::int32_t count_characters(std::string_view text)
{
    std::int32_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            continue;
        if (is_lead_byte(text[i]) && i + 1 < text.size())
            ++i;
        ++count;
    }
    return count;
}

// A wait has begun with the page on screen: the backlog keeps it, the text hook hears what is new,
// and auto mode counts from now.
void page_shown(Engine& engine)
{
    Comforts& comforts = engine.comforts;
    comforts.wait_began = engine.platform.clock.now();
    BacklogPage page = snapshot_page(engine);
    bool const same_page = !comforts.last_page.lines.empty();
    std::string const added = added_text(same_page ? comforts.last_page : BacklogPage {}, page);
    comforts.wait_characters = count_characters(added);
    if (page.lines.empty())
        return;
    if (same_page && !comforts.backlog.empty())
        comforts.backlog.back() = page;
    else
        comforts.backlog.push_back(page);
    if (comforts.backlog.size() > kBacklogPages)
        comforts.backlog.pop_front();
    comforts.last_page = std::move(page);
    if (comforts.text_hook && !added.empty())
        comforts.text_hook->write(engine.platform.encoding.to_utf8(added) + "\n\n");
}

// A new message line: whether the player has seen it before decides what read skipping may skip.
void line_begun(Engine& engine)
{
    auto const& position = engine.store.position();
    std::string id = position.file_name + ":" + std::to_string(position.line_index);
    ReadRecord& read = engine.comforts.read;
    engine.comforts.line_unread = read.lines.insert(std::move(id)).second;
    read.changed = read.changed || engine.comforts.line_unread;
}

void show_modes(Engine& engine)
{
    engine.platform.window.set_title(window_title(engine));
}

void stop_skip(Engine& engine)
{
    if (!engine.comforts.skip_on)
        return;
    engine.comforts.skip_on = false;
    show_modes(engine);
}

bool toggle_key(const platform::Event& event)
{
    return !event.repeat && !event.alt && !event.ctrl;
}

} // namespace

bool comfort_event(Engine& engine, const platform::Event& event, ComfortHost* host)
{
    Comforts& comforts = engine.comforts;
    switch (event.type) {
    case platform::EventType::KeyDown:
        if (event.key == platform::Key::Ctrl) {
            comforts.ctrl_held = true;
            return true;
        }
        if (comforts.swallowed_key == event.key && event.repeat)
            return true;
        if (comforts.hidden) {
            show_text(engine);
            comforts.swallowed_key = event.key;
            return true;
        }
        if (comforts.overlay != Overlay::None) {
            if (!overlay_key(engine, event, host))
                return false;
            comforts.swallowed_key = event.key;
            return true;
        }
        if (event.key == platform::Key::C && event.ctrl && !event.repeat) {
            engine.platform.window.set_clipboard_text(
                engine.platform.encoding.to_utf8(current_page_text(engine)));
            return true;
        }
        if (!toggle_key(event))
            return false;
        switch (event.key) {
        case platform::Key::H:
            if (!waits_for_player(engine))
                return false;
            hide_text(engine);
            break;
        case platform::Key::Tab:
            comforts.skip_on = !comforts.skip_on;
            show_modes(engine);
            break;
        case platform::Key::A:
            comforts.auto_on = !comforts.auto_on;
            // A wait already under way counts from now.
            comforts.wait_began = engine.platform.clock.now();
            show_modes(engine);
            break;
        case platform::Key::PageUp:
            if (!open_backlog(engine))
                return false;
            break;
        case platform::Key::F1:
            open_settings_menu(engine);
            break;
        default:
            return false;
        }
        comforts.swallowed_key = event.key;
        return true;
    case platform::EventType::KeyUp:
        if (event.key == platform::Key::Ctrl) {
            comforts.ctrl_held = false;
            return true;
        }
        if (comforts.swallowed_key != event.key)
            return false;
        comforts.swallowed_key.reset();
        return true;
    case platform::EventType::ButtonDown:
        if (comforts.hidden) {
            show_text(engine);
            comforts.swallowed_button = event.button;
            return true;
        }
        if (comforts.overlay != Overlay::None) {
            overlay_click(engine, event, host);
            comforts.swallowed_button = event.button;
            return true;
        }
        if (event.button == platform::MouseButton::Middle && waits_for_player(engine)) {
            hide_text(engine);
            comforts.swallowed_button = event.button;
            return true;
        }
        return false;
    case platform::EventType::ButtonUp:
        if (comforts.swallowed_button != event.button)
            return false;
        comforts.swallowed_button.reset();
        return true;
    case platform::EventType::Wheel:
        if (comforts.hidden)
            return true;
        if (comforts.overlay != Overlay::None)
            overlay_wheel(engine, event.wheel);
        else if (event.wheel > 0)
            (void)open_backlog(engine);
        return true;
    case platform::EventType::FocusLost:
        // The Ctrl key's release goes to whichever window has the focus then.
        comforts.ctrl_held = false;
        return false;
    default:
        return false;
    }
}

bool text_hidden(const Engine& engine)
{
    return engine.comforts.hidden || engine.comforts.overlay != Overlay::None;
}

bool comforts_pause(const Engine& engine)
{
    return engine.comforts.overlay != Overlay::None;
}

bool skipping(const Engine& engine)
{
    Comforts const& comforts = engine.comforts;
    if (!comforts.ctrl_held && !comforts.skip_on)
        return false;
    return comforts.settings.skip == SkipMode::All || !comforts.line_unread;
}

void comforts_before_pass(Engine& engine)
{
    Comforts& comforts = engine.comforts;
    // The player is looking at the picture: nothing moves on behind their back.
    if (comforts.hidden)
        return;
    // A click that ends a clearing wait empties the page between two passes.
    if (engine.text.message_layer.empty())
        comforts.last_page = {};
    State const state = engine.interpreter.state;
    // Read skipping stops at the first line the player has not seen, Tab's as well as Ctrl's.
    if (comforts.skip_on && !skipping(engine))
        stop_skip(engine);
    if (comforts.skip_hastened && !skipping(engine)) {
        // Skip has stopped (at a new line, or Ctrl was let go): the rest types out as the script
        // says, after what skip laid out comes to the display.
        comforts.skip_hastened = false;
        engine.text.window.skip_rest = false;
        text::refresh_text(engine);
    }
    if (skipping(engine)) {
        if (state == State::ShowText) {
            comforts.skip_hastened = comforts.skip_hastened || !engine.text.window.skip_rest;
            engine.text.window.skip_rest = true;
        } else if (is_click_wait(state) || state == State::MoviePlaying) {
            if (plain_click_ends(engine))
                click(engine);
            else
                stop_skip(engine);
        } else if (state == State::ChoiceWait) {
            stop_skip(engine);
        }
        return;
    }
    if (comforts.auto_on && is_click_wait(state) && plain_click_ends(engine)
        && engine.platform.clock.now() - comforts.wait_began
            >= auto_delay(comforts.settings, comforts.wait_characters))
        click(engine);
}

void comforts_after_pass(Engine& engine, State state_before)
{
    State const state = engine.interpreter.state;
    if (engine.text.message_layer.empty())
        engine.comforts.last_page = {};
    if (state_before == State::Fetch && state == State::ShowText)
        line_begun(engine);
    if (state != state_before && script::waits_for_click(state))
        page_shown(engine);
}

bool comforts_answer_wait(const Engine& engine)
{
    State const state = engine.interpreter.state;
    if (engine.comforts.hidden)
        return false;
    if (skipping(engine))
        return (is_click_wait(state) || state == State::MoviePlaying) && plain_click_ends(engine);
    return engine.comforts.auto_on && is_click_wait(state) && plain_click_ends(engine);
}

std::optional<std::uint32_t> comforts_due(const Engine& engine)
{
    if (!comforts_answer_wait(engine))
        return std::nullopt;
    if (skipping(engine))
        return engine.platform.clock.now();
    Comforts const& comforts = engine.comforts;
    return comforts.wait_began + auto_delay(comforts.settings, comforts.wait_characters);
}

std::uint32_t auto_delay(const PlayerSettings& settings, std::int32_t characters)
{
    std::int64_t const delay = std::int64_t { std::max(settings.auto_base_delay, 0) }
        + std::int64_t { std::max(settings.auto_character_delay, 0) } * std::max(characters, 0);
    return static_cast<std::uint32_t>(std::min<std::int64_t>(delay, 0x7FFFFFFF));
}

std::string window_title(const Engine& engine)
{
    std::string title = engine.settings.caption;
    if (engine.comforts.skip_on)
        title += kSkipTitle;
    if (engine.comforts.auto_on)
        title += kAutoTitle;
    return title;
}

std::string current_page_text(const Engine& engine)
{
    return page_text(snapshot_page(engine));
}

std::string format_read_record(const Engine& engine)
{
    std::vector<std::string> lines(engine.comforts.read.lines.begin(), engine.comforts.read.lines.end());
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (auto const& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

void parse_read_record(Engine& engine, std::string_view bytes)
{
    while (!bytes.empty()) {
        std::size_t const end = std::min(bytes.find('\n'), bytes.size());
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        // Only what line_begun could have written: a file, a colon and a line number.
        std::size_t const colon = line.rfind(':');
        if (colon == std::string_view::npos || colon == 0 || colon + 1 == line.size()
            || line.find_first_not_of("0123456789", colon + 1) != std::string_view::npos)
            continue;
        engine.comforts.read.lines.emplace(line);
    }
}

} // namespace advplay::app
