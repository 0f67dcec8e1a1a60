// The SDL window and its message boxes.
#include "platform/sdl/sdl_window_services.h"

#include "platform/drawn_message_box.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/sdl/sdl_window.h"

namespace advplay::platform {

void add_sdl_window_services(const BackendOptions& options, Services& services)
{
    auto window = std::make_unique<SdlWindow>(
        *services.encoding, SdlWindowOptions { options.scale, options.linear_filter, options.say });
    services.message_box = std::make_unique<DrawnMessageBox>(*window, services.fonts.get(),
        *services.encoding, DrawnMessageBoxOptions { options.english_messages, options.error_output },
        std::make_unique<SdlMessageBox>(*services.encoding, *window));
    services.window = std::move(window);
}

} // namespace advplay::platform
