// Choices: the ChoiceTable, .slt, and the choice wait's passes and clicks.
#include "text/choices.h"

#include "common/engine_texts.h"
#include "engine/engine.h"
#include "graphics/compose.h"
#include "graphics/graphics_state.h"
#include "platform/window.h"
#include "script/interpreter.h"
#include "script/line_reader.h"
#include "text/message_window.h"

#include <string>

namespace advplay::text {

namespace {

void empty_table(ChoiceTable& choices)
{
    for (std::int32_t i = 1; i <= choices.count; ++i)
        choices.records[static_cast<std::size_t>(i)] = {};
    choices.count = 0;
}

bool contains(const graphics::Box& box, platform::CursorPosition at)
{
    return at.x >= box.left && at.x < box.right && at.y >= box.top && at.y < box.bottom;
}

bool show_choices(Engine& engine)
{
    ChoiceTable& choices = engine.text.choices;
    if (choices.count == 0) {
        script::script_error(engine, texts::kNoChoicesRegistered.sjis);
        return false;
    }
    TextLayer& layer = engine.text.message_layer;
    // The first choice starts on a line of its own.
    if (!layer.lines()[static_cast<std::size_t>(layer.current_line())].text.empty())
        layer.new_line();
    for (std::int32_t i = 1; i <= choices.count; ++i) {
        Choice& choice = choices.records[static_cast<std::size_t>(i)];
        choice.first_line = layer.current_line();
        (void)layer.draw_text(choice.text, Flush::No);
        choice.last_line = layer.current_line();
        layer.new_line();
    }
    // Nothing has been hit-tested against the new choices yet.
    choices.hovered_choice = 0;
    return true;
}

} // namespace

bool slt_command(Engine& engine)
{
    script::next_string(engine);
    std::string const form(engine.interpreter.token.view());
    ChoiceTable& choices = engine.text.choices;
    if (form == "add") {
        script::next_string(engine);
        std::string text(engine.interpreter.token.view());
        script::next_string(engine);
        std::string target(engine.interpreter.token.view());
        // Record 0 is never used, so the table holds 19; a twentieth would write past its end.
        if (choices.count >= ChoiceTable::kCapacity - 1) {
            script::script_error(engine, texts::kTooManyChoices.sjis);
            return false;
        }
        ++choices.count;
        Choice& choice = choices.records[static_cast<std::size_t>(choices.count)];
        choice.text = std::move(text);
        choice.target = std::move(target);
        return false;
    }
    if (form == "delete") {
        empty_table(choices);
        return false;
    }
    if (form == "exec") {
        if (!show_choices(engine))
            return false;
        refresh_text(engine);
        engine.text.window.skip_rest = false;
        return true;
    }
    return false;
}

void highlight_choices(Engine& engine)
{
    ChoiceTable& choices = engine.text.choices;
    TextLayer& layer = engine.text.message_layer;
    MessageWindow const& window = engine.text.window;
    graphics::GraphicsState& graphics = engine.graphics;
    platform::CursorPosition const cursor = engine.platform.window.cursor_position();
    choices.hovered_choice = 0;
    layer.set_destination(&graphics.display_surface);
    for (std::int32_t i = 1; i <= choices.count; ++i) {
        Choice const& choice = choices.records[static_cast<std::size_t>(i)];
        for (std::int32_t j = choice.first_line; j <= choice.last_line; ++j) {
            LineRecord const* line = layer.line_info(j);
            if (!line)
                continue;
            graphics::Box const box = line->box.moved(layer.window_x, layer.window_y);
            // QUIRK: the test and the drawing go line by line, so a line of a choice is selected
            // when the cursor is in it or in an earlier line of the same choice.
            if (choices.hovered_choice == 0 && contains(box, cursor))
                choices.hovered_choice = i;
            if (!window.window_shown)
                continue;
            graphics::Rect const rect = box.rect();
            (void)graphics::copy(graphics.display_surface, rect, graphics.screen_surface, box.left, box.top);
            bool const selected = i == choices.hovered_choice;
            layer.text_color = selected ? window.colors.selected : window.colors.not_selected;
            layer.shadow_color = selected ? window.colors.selected_shadow : window.colors.not_selected_shadow;
            layer.redraw_line(j, Flush::Yes);
            graphics::mark_dirty(graphics, rect.x, rect.y, rect.w, rect.h);
        }
    }
    layer.text_color = window.colors.usual;
    layer.shadow_color = window.colors.usual_shadow;
}

std::optional<std::string> take_choice(Engine& engine)
{
    ChoiceTable& choices = engine.text.choices;
    std::int32_t const hovered = choices.hovered_choice;
    if (hovered <= 0 || hovered > choices.count)
        return std::nullopt;
    std::string target = choices.records[static_cast<std::size_t>(hovered)].target;
    if (target.empty())
        return std::nullopt;
    empty_table(choices);
    choices.hovered_choice = 0;
    return target;
}

} // namespace advplay::text
