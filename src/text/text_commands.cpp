// The message-window commands.
#include "text/text_commands.h"

#include "common/engine_texts.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "graphics/compose.h"
#include "graphics/graphics_state.h"
#include "graphics/picture_commands.h"
#include "script/interpreter.h"
#include "script/line_reader.h"
#include "text/message_window.h"

#include <algorithm>
#include <limits>
#include <string>

namespace advplay::text {

namespace {

constexpr graphics::Rect kWholeScreen { 0, 0, graphics::kScreenWidth, graphics::kScreenHeight };

std::string next_word(Engine& engine)
{
    script::next_string(engine);
    return std::string(engine.interpreter.token.view());
}

graphics::ColorRef next_color(Engine& engine)
{
    script::next_string(engine);
    return graphics::parse_color(engine.interpreter.token.view());
}

void mark_dirty(Engine& engine, const graphics::Box& box)
{
    graphics::Rect const rect = box.rect();
    graphics::mark_dirty(engine.graphics, rect.x, rect.y, rect.w, rect.h);
}

// The font keywords that .txt and .tpr share. False for a keyword that is not one of them.
bool font_setting(Engine& engine, TextLayer& layer, std::string_view keyword)
{
    if (keyword == "name") {
        script::next_string(engine);
        (void)layer.set_font_name(engine.interpreter.token.view());
    } else if (keyword == "weight") {
        // A weight out of range is ignored without a word.
        (void)layer.set_weight(script::next_int(engine));
    } else if (keyword == "italic") {
        (void)layer.set_italic(script::next_int(engine) != 0);
    } else if (keyword == "underline") {
        (void)layer.set_underline(script::next_int(engine) != 0);
    } else if (keyword == "strikeout") {
        (void)layer.set_strikeout(script::next_int(engine) != 0);
    } else if (keyword == "edge") {
        layer.edge = script::next_int(engine) != 0;
    } else if (keyword == "spacing") {
        layer.set_spacing(script::next_int(engine));
    } else if (keyword == "size") {
        (void)layer.set_font_size(script::next_int(engine));
    } else if (keyword == "leading") {
        layer.set_leading(script::next_int(engine));
    } else if (keyword == "offset") {
        layer.shadow_offset = script::next_int(engine);
    } else {
        return false;
    }
    return true;
}

bool set_magnification(Engine& engine, TextLayer& layer)
{
    std::int32_t const m = script::next_int(engine);
    return layer.set_geometry(layer.wrap_width(), layer.surface_width(), layer.height(), m);
}

void txt_color(Engine& engine)
{
    std::string const which = next_word(engine);
    graphics::ColorRef const color = next_color(engine);
    ChoiceColors& colors = engine.text.window.colors;
    TextLayer& layer = engine.text.message_layer;
    if (which == "usual") {
        colors.usual = color;
        layer.text_color = color;
    } else if (which == "usualshadow") {
        colors.usual_shadow = color;
        layer.shadow_color = color;
    } else if (which == "selected") {
        colors.selected = color;
    } else if (which == "notselected") {
        colors.not_selected = color;
    } else if (which == "selectedshadow") {
        colors.selected_shadow = color;
    } else if (which == "notselectedshadow") {
        colors.not_selected_shadow = color;
    } else if (which == "shadow") {
        colors.usual_shadow = colors.selected_shadow = colors.not_selected_shadow = color;
        layer.shadow_color = color;
    } else if (which == "transparency") {
        // Refused in silence while text is on the layer.
        (void)layer.set_transparent(color);
    }
}

void txt_font(Engine& engine)
{
    std::string const keyword = next_word(engine);
    TextLayer& layer = engine.text.message_layer;
    if (keyword == "color") {
        txt_color(engine);
    } else if (keyword == "magnification") {
        if (!set_magnification(engine, layer))
            script::script_error(engine, texts::kTextMagnificationFailed.sjis);
    } else {
        (void)font_setting(engine, layer, keyword);
    }
}

void tpr_font(Engine& engine)
{
    std::string const keyword = next_word(engine);
    TextLayer& layer = engine.text.print_layer;
    if (keyword == "align") {
        std::int32_t const align = script::next_int(engine);
        if (align >= 0 && align <= 2)
            engine.text.window.align = static_cast<Align>(align);
    } else if (keyword == "color") {
        std::string const which = next_word(engine);
        graphics::ColorRef const color = next_color(engine);
        if (which == "usual")
            layer.text_color = color;
        else if (which == "shadow")
            layer.shadow_color = color;
        else if (which == "transparency")
            (void)layer.set_transparent(color);
    } else if (keyword == "magnification") {
        if (!set_magnification(engine, layer))
            script::script_error(engine, texts::kPrintMagnificationFailed.sjis);
    } else {
        (void)font_setting(engine, layer, keyword);
    }
}

// Prints the text, split into lines at each backslash-n, with each line placed by the alignment.
void print_lines(Engine& engine, std::int32_t x, std::int32_t y, std::string_view text)
{
    TextLayer& layer = engine.text.print_layer;
    Align const align = engine.text.window.align;
    layer.move_to(0, y);
    while (!text.empty()) {
        std::string segment;
        bool ended = false;
        while (!text.empty()) {
            std::size_t const n = character_length(text);
            if (n == 1 && text[0] == '\\' && text.size() >= 2 && text[1] == 'n') {
                text.remove_prefix(2);
                segment += '\n';
                ended = true;
                break;
            }
            segment.append(text.substr(0, n));
            text.remove_prefix(n);
        }
        std::int64_t const width = layer.measure(segment);
        std::int64_t left = x;
        if (align == Align::Centre)
            left = x - width / 2;
        else if (align == Align::Right)
            left = x - width;
        layer.move_to(
            static_cast<std::int32_t>(std::clamp<std::int64_t>(left, -kCoordinateLimit, kCoordinateLimit)),
            layer.pen_y());
        (void)layer.draw_text(segment, Flush::Yes);
        if (!ended)
            break;
    }
}

// Brings `area` of the screen to the display, with the message text on top while it is shown.
void show_printed(Engine& engine, const graphics::Box& area)
{
    graphics::GraphicsState& graphics = engine.graphics;
    TextLayer const& message = engine.text.message_layer;
    bool const staged = script::remaining_wait(engine) >= kImmediateLimit;
    graphics::Surface& target = staged ? graphics.staging_surface : graphics.display_surface;
    if (staged)
        (void)graphics::copy(graphics.staging_surface, kWholeScreen, graphics.display_surface, 0, 0);
    (void)graphics::copy(target, area.rect(), graphics.screen_surface, area.left, area.top);
    if (engine.text.window.window_shown)
        message.copy_to(target, area.moved(-message.window_x, -message.window_y));
    if (staged)
        graphics::request_swap(graphics);
    mark_dirty(engine, area);
    script::finish_command(engine);
}

} // namespace

void txt_command(Engine& engine)
{
    std::string const group = next_word(engine);
    TextLayer& layer = engine.text.message_layer;
    if (group == "space") {
        std::string const what = next_word(engine);
        if (what == "size") {
            std::int32_t const wrap = script::next_int(engine);
            std::int32_t const surface = script::next_int(engine);
            std::int32_t const height = script::next_int(engine);
            if (!layer.set_geometry(wrap, surface, height, layer.magnification()))
                script::script_error(engine, texts::kTextSpaceSizeFailed.sjis);
        } else if (what == "pos") {
            std::int32_t const x = script::next_int(engine);
            std::int32_t const y = script::next_int(engine);
            if (!layer.empty()) {
                script::script_error(engine, texts::kTextSpacePosFailed.sjis);
                return;
            }
            layer.window_x = x;
            layer.window_y = y;
        }
    } else if (group == "font") {
        txt_font(engine);
    }
}

void tpr_command(Engine& engine)
{
    std::string const target = next_word(engine);
    TextLayer& layer = engine.text.print_layer;
    bool const to_screen = target == "screen";
    if (target == "font") {
        tpr_font(engine);
        return;
    }
    if (to_screen) {
        layer.set_destination(&engine.graphics.screen_surface);
    } else if (target.starts_with("off")) {
        std::int64_t const index = graphics::offscreen_index(target);
        auto& surfaces = engine.graphics.offscreen_surfaces;
        if (index < 0 || index >= static_cast<std::int64_t>(surfaces.size())) {
            script::script_error(engine, texts::kMissingDestinationOffscreen.sjis);
            return;
        }
        layer.set_destination(&surfaces[static_cast<std::size_t>(index)]);
    } else {
        return;
    }
    std::int32_t const x = script::next_int(engine);
    std::int32_t const y = script::next_int(engine);
    script::next_string(engine);
    std::string const text(engine.interpreter.token.view());
    print_lines(engine, x, y, text);
    if (to_screen)
        show_printed(engine, layer.text_box().moved(layer.window_x, layer.window_y));
    layer.clear_all();
}

void tsp_command(Engine& engine)
{
    MessageWindow& window = engine.text.window;
    window.normal_delay = script::next_int(engine);
    window.fast_delay = script::next_int(engine);
}

void tct_command(Engine& engine)
{
    MessageWindow& window = engine.text.window;
    window.left_text_mode = script::next_int(engine);
    window.right_text_mode = script::next_int(engine);
}

void tsw_command(Engine& engine)
{
    MessageWindow& window = engine.text.window;
    if (window.window_shown) {
        refresh_text(engine);
        script::finish_command(engine);
        return;
    }
    window.window_shown = true;
    graphics::GraphicsState& graphics = engine.graphics;
    TextLayer& layer = engine.text.message_layer;
    if (script::remaining_wait(engine) < kImmediateLimit) {
        layer.copy_all();
    } else {
        (void)graphics::copy(graphics.staging_surface, kWholeScreen, graphics.display_surface, 0, 0);
        layer.copy_all_to(graphics.staging_surface);
        graphics::request_swap(graphics);
    }
    mark_dirty(engine, window.pending_text_rect);
    window.pending_text_rect = {};
    script::finish_command(engine);
}

void thd_command(Engine& engine)
{
    MessageWindow& window = engine.text.window;
    if (!window.window_shown)
        return;
    window.window_shown = false;
    TextLayer const& layer = engine.text.message_layer;
    graphics::Box const used = layer.text_box().moved(layer.window_x, layer.window_y);
    // A later .tsw brings back exactly the area hidden here.
    window.pending_text_rect = used;
    graphics::GraphicsState& graphics = engine.graphics;
    if (script::remaining_wait(engine) < kImmediateLimit) {
        (void)graphics::copy(
            graphics.display_surface, used.rect(), graphics.screen_surface, used.left, used.top);
    } else {
        (void)graphics::copy(graphics.staging_surface, kWholeScreen, graphics.display_surface, 0, 0);
        (void)graphics::copy(
            graphics.staging_surface, used.rect(), graphics.screen_surface, used.left, used.top);
        graphics::request_swap(graphics);
    }
    mark_dirty(engine, used);
    script::finish_command(engine);
}

void tps_command(Engine& engine)
{
    std::int32_t const mode = script::next_int(engine);
    std::int32_t const x = script::next_int(engine);
    std::int32_t const y = script::next_int(engine);
    TextLayer& layer = engine.text.message_layer;
    auto const relative = [](std::int32_t screen, std::int32_t origin) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t { screen } - origin, -kCoordinateLimit, kCoordinateLimit));
    };
    switch (mode) {
    case 0:
        layer.move_to(relative(x, layer.window_x), relative(y, layer.window_y));
        break;
    case 1:
        layer.move_by(x, y);
        break;
    case 2:
        layer.move_from_last(x, y);
        break;
    default:
        break;
    }
}

void def_command(Engine& engine)
{
    std::string const escape = next_word(engine);
    MessageWindow& window = engine.text.window;
    if (escape == "\\c" || escape == "\\C") {
        window.click_defaults.left = script::next_int(engine);
        window.click_defaults.right = script::next_int(engine);
    } else if (escape == "\\t" || escape == "\\T") {
        window.clear_defaults.left = script::next_int(engine);
        window.clear_defaults.right = script::next_int(engine);
    } else if (escape.size() == 2 && escape[0] == '\\' && escape[1] >= '0' && escape[1] <= '9') {
        std::string const target = next_word(engine);
        window.sub_targets[static_cast<std::size_t>(escape[1] - '0')] = target;
    }
}

} // namespace advplay::text
