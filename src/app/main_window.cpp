// The main window: caption.
#include "app/main_window.h"

#include "app/comforts.h"
#include "engine/engine.h"
#include "platform/window.h"

namespace advplay::app {

bool set_caption(Engine& engine, std::string_view text)
{
    engine.settings.caption = std::string(text);
    return engine.platform.window.set_title(window_title(engine));
}

} // namespace advplay::app
