// The web backend: the SDL window, sound device and media player as Emscripten's SDL2 gives them in
// a page, a clock that yields to the browser while the game waits, the music's timer on the
// browser's own timers, and the music synthesised by the page.
#pragma once

#include "platform/backend.h"

namespace advplay::platform {

std::optional<Services> make_web_backend(const BackendOptions& options);

} // namespace advplay::platform
