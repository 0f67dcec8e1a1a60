// The picture commands.
#include "graphics/picture_commands.h"

#include "common/data_path.h"
#include "common/engine_texts.h"
#include "engine/engine.h"
#include "graphics/compose.h"
#include "graphics/transition.h"
#include "script/interpreter.h"
#include "script/line_reader.h"

#include <limits>
#include <string>

namespace advplay::graphics {

namespace {

using script::next_int;
using script::next_string;
using script::script_error;

// With less than this much of the pending wait left, a change goes to the display at once; with
// more, it is staged and shown when the wait has run out.
constexpr std::uint32_t kImmediateLimit = 100;

Surface* offscreen(Engine& engine, std::string_view text)
{
    std::int64_t const index = offscreen_index(text);
    auto& surfaces = engine.graphics.offscreen_surfaces;
    if (index < 0 || index >= static_cast<std::int64_t>(surfaces.size()))
        return nullptr;
    return &surfaces[static_cast<std::size_t>(index)];
}

// A negative time would wrap into a wait of weeks; the scripts give it no meaning, so it is none.
void wait_after(Engine& engine, std::int32_t ms)
{
    if (ms > 0)
        script::add_wait(engine, static_cast<std::uint32_t>(ms));
}

PictureSources sources(Engine& engine)
{
    return { engine.platform.files, engine.platform.images, engine.settings.plugin_path };
}

// The source of a picture command: a surface, or a colour when `surface` is null.
struct Source {
    const Surface* surface { nullptr };
    ColorRef color { 0 };
};

// Reads the twelve arguments' numbers after destination and source.
struct Numbers {
    std::int32_t transition;
    std::int32_t time;
    std::int32_t method;
    std::int32_t parameter;
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
    std::int32_t source_x;
    std::int32_t source_y;
};

Numbers read_numbers(Engine& engine, const Source& source)
{
    Numbers numbers {};
    numbers.transition = next_int(engine);
    numbers.time = next_int(engine);
    numbers.method = next_int(engine);
    numbers.parameter = next_int(engine);
    numbers.x = next_int(engine);
    numbers.y = next_int(engine);
    // Only an absent argument takes the default; one that evaluates to 0 means 0.
    numbers.width = next_int(engine);
    if (engine.interpreter.token.empty())
        numbers.width = source.surface ? source.surface->width() : kScreenWidth;
    numbers.height = next_int(engine);
    if (engine.interpreter.token.empty())
        numbers.height = source.surface ? source.surface->height() : kScreenHeight;
    numbers.source_x = next_int(engine);
    numbers.source_y = next_int(engine);
    return numbers;
}

void compose_sprite(
    Engine& engine, Surface& destination, const Rect& rect, const Source& source, const Numbers& n)
{
    if (!source.surface) {
        script_error(engine, texts::kSpriteColorSource.sjis);
        return;
    }
    switch (n.method) {
    case 2:
        script_error(engine, texts::kSpriteMethod2.sjis);
        return;
    case 3:
        script_error(engine, texts::kSpriteMethod3.sjis);
        return;
    case 6:
        script_error(engine, texts::kSpriteMethod6.sjis);
        return;
    default:
        break;
    }
    ColorRef const key = source.surface->pixel_color(0, 0);
    (void)compose_keyed(
        n.method, destination, rect, *source.surface, n.source_x, n.source_y, key, n.parameter);
}

void compose_picture(
    Engine& engine, Surface& destination, const Rect& rect, const Source& source, const Numbers& n)
{
    if (!source.surface) {
        if (n.method == 6) {
            script_error(engine, texts::kColorMethod6.sjis);
            return;
        }
        (void)compose_color(n.method, destination, rect, source.color, n.parameter);
        return;
    }
    (void)compose(n.method, destination, rect, *source.surface, n.source_x, n.source_y, n.parameter);
}

// Brings the rectangle changed on the screen surface to the display: at once, staged behind the
// pending wait, or through a transition.
void show_on_display(Engine& engine, const Rect& rect, const Numbers& n)
{
    GraphicsState& graphics = engine.graphics;
    if (script::remaining_wait(engine) < kImmediateLimit && n.transition == 0) {
        (void)copy(graphics.display_surface, rect, graphics.screen_surface, rect.x, rect.y);
        mark_dirty(graphics, rect.x, rect.y, rect.w, rect.h);
        script::finish_command(engine);
        wait_after(engine, n.time);
        return;
    }
    (void)copy(
        graphics.staging_surface, Rect { 0, 0, kScreenWidth, kScreenHeight }, graphics.display_surface, 0, 0);
    (void)copy(graphics.staging_surface, rect, graphics.screen_surface, rect.x, rect.y);
    if (n.transition == 0) {
        mark_dirty(graphics, rect.x, rect.y, rect.w, rect.h);
        request_swap(graphics);
        script::finish_command(engine);
        wait_after(engine, n.time);
        return;
    }
    start_transition(graphics, n.transition, n.time, rect);
    engine.interpreter.state = script::State::Transition;
}

} // namespace

std::int64_t offscreen_index(std::string_view text)
{
    text.remove_prefix(std::min<std::size_t>(3, text.size()));
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value
            = std::min<std::int64_t>(value * 10 + (text[at] - '0'), std::numeric_limits<std::int32_t>::max());
    return negative ? -value : value;
}

void picture_command(Engine& engine, bool is_sprite)
{
    GraphicsState& graphics = engine.graphics;
    next_string(engine);
    std::string const destination_text(engine.interpreter.token.view());
    next_string(engine);
    std::string const source_text(engine.interpreter.token.view());

    Surface* destination = nullptr;
    bool const to_screen = destination_text == "screen";
    if (to_screen) {
        destination = &graphics.screen_surface;
    } else if (destination_text.starts_with("off")) {
        destination = offscreen(engine, destination_text);
        if (!destination) {
            script_error(engine, texts::kMissingDestinationOffscreen.sjis);
            return;
        }
    } else {
        script_error(engine, texts::kInvalidDestination.sjis);
        return;
    }

    Source source;
    if (source_text == "screen") {
        source.surface = &graphics.screen_surface;
    } else if (source_text.starts_with("off")) {
        source.surface = offscreen(engine, source_text);
        if (!source.surface) {
            script_error(engine, texts::kMissingSourceOffscreen.sjis);
            return;
        }
    } else if (!source_text.empty() && source_text[0] == '#') {
        source.color = parse_color(source_text);
    } else {
        auto const path = resolve_data_path(source_text, engine.settings.data_path, ".bmp");
        source.surface = path ? graphics.picture_cache.get(sources(engine), *path) : nullptr;
        if (!source.surface) {
            script_error(engine, texts::kSourceFileUnreadable.sjis,
                "cannot open the picture \"" + (path ? *path : std::string(source_text)) + "\"");
            return;
        }
    }

    Numbers numbers = read_numbers(engine, source);
    if (!to_screen && numbers.transition != 0) {
        script_error(engine, texts::kTransitionNeedsScreen.sjis);
        numbers.transition = 0;
    }
    Rect const rect { numbers.x, numbers.y, numbers.width, numbers.height };
    if (is_sprite)
        compose_sprite(engine, *destination, rect, source, numbers);
    else
        compose_picture(engine, *destination, rect, source, numbers);

    if (!to_screen) {
        wait_after(engine, numbers.time);
        return;
    }
    show_on_display(engine, rect, numbers);
}

void transition_action(Engine& engine)
{
    TransitionPass const pass = run_transition_pass(engine.graphics);
    script::finish_command(engine);
    script::add_wait(engine, pass.wait);
    if (pass.done)
        engine.interpreter.state = script::State::Fetch;
}

void pic_command(Engine& engine)
{
    picture_command(engine, false);
}

void spr_command(Engine& engine)
{
    picture_command(engine, true);
}

void mark_command(Engine& engine)
{
    ClickWaitMark& mark = engine.click_wait_mark;
    next_string(engine);
    std::string const first(engine.interpreter.token.view());
    if (first == "delete") {
        mark.defined = false;
        return;
    }
    mark.defined = true;
    // A mark picture that does not load is not reported; its surface keeps what it held.
    auto load = [&engine](Surface& surface, std::string_view name) {
        if (auto const path = resolve_data_path(name, engine.settings.data_path, ".bmp"))
            (void)load_picture(surface, sources(engine), *path);
    };
    load(mark.pictures[0], first);
    next_string(engine);
    load(mark.pictures[1], engine.interpreter.token.view());
    mark.mode = next_int(engine);
    mark.x_offset = next_int(engine);
    mark.y_offset = next_int(engine);
    mark.interval = next_int(engine);
}

} // namespace advplay::graphics
