// The comforts' handling of window events.
#include "app/comforts.h"

#include "engine/engine.h"
#include "graphics/graphics_state.h"
#include "script/interpreter.h"

namespace advplay::app {

namespace {

bool waits_for_player(const Engine& engine)
{
    return script::waits_for_click(engine.interpreter.state);
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

} // namespace

bool comfort_event(Engine& engine, const platform::Event& event)
{
    Comforts& comforts = engine.comforts;
    switch (event.type) {
    case platform::EventType::KeyDown:
        if (comforts.swallowed_key == event.key && event.repeat)
            return true;
        if (comforts.hidden) {
            show_text(engine);
            comforts.swallowed_key = event.key;
            return true;
        }
        if (event.key == platform::Key::H && !event.alt && !event.ctrl && waits_for_player(engine)) {
            hide_text(engine);
            comforts.swallowed_key = event.key;
            return true;
        }
        return false;
    case platform::EventType::KeyUp:
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
    default:
        return false;
    }
}

bool text_hidden(const Engine& engine)
{
    return engine.comforts.hidden;
}

} // namespace advplay::app
