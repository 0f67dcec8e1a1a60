// The "config" script.
#include "app/config_script.h"

#include "app/input.h"

#include "common/engine_texts.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "graphics/color.h"
#include "script/interpreter.h"
#include "script/line_reader.h"

#include <algorithm>
#include <string>

namespace advplay::app {

namespace {

// No game needs more members in one array; a count beyond it would only exhaust memory.
constexpr std::int32_t kMaxArraySize = 100'000;
// Each off-screen surface holds a 640 x 480 picture (600 KiB); this many is already 150 MiB.
constexpr std::int32_t kMaxOffscreenSurfaces = 256;

} // namespace

void declare_variables(Engine& engine, bool integers)
{
    // A name in use keeps its kind and value, silently. Beyond the budget the rest of the statement
    // is refused, with one report.
    auto declare = [&engine, integers](std::string_view name) {
        if (!engine.variables.has_room_for(script::VariableTable::cost(name))
            && engine.variables.kind(name) == script::VariableKind::None) {
            script::script_error(engine, texts::kTooManyVariables.sjis);
            return false;
        }
        if (integers)
            (void)engine.variables.declare_int(name);
        else
            (void)engine.variables.declare_string(name);
        return true;
    };
    for (;;) {
        script::next_token(engine);
        std::string const token(engine.interpreter.token.view());
        if (token.empty())
            return;
        std::size_t const bracket = find_first_sjis(token, '[');
        if (bracket == kNotFound) {
            if (!declare(token))
                return;
            continue;
        }
        script::ScriptString count_text(std::string_view(token).substr(bracket));
        script::expand_brackets(engine, count_text);
        std::int32_t const count = std::min(script::int_value(engine, count_text.view()), kMaxArraySize);
        std::string const base = token.substr(0, bracket);
        for (std::int32_t i = 0; i < count; ++i) {
            if (!declare(base + std::to_string(i)))
                return;
        }
    }
}

void run_config_script(Engine& engine)
{
    if (!engine.store.goto_name("config"))
        return;
    Settings& settings = engine.settings;
    while (script::read_next_line(engine)) {
        script::next_token(engine);
        std::string const word(engine.interpreter.token.view());
        if (word == ".int" || word == ".str") {
            declare_variables(engine, word == ".int");
        } else if (word == ".scr") {
            settings.offscreen_count = std::clamp(script::next_int(engine), 0, kMaxOffscreenSurfaces);
        } else if (word == ".bgc") {
            script::next_string(engine);
            settings.background = graphics::parse_color(engine.interpreter.token.view());
        } else if (word == ".cap") {
            script::next_string(engine);
            settings.caption = std::string(engine.interpreter.token.view());
        } else if (word == ".cur") {
            cursor_command(engine);
        }
    }
}

} // namespace advplay::app
