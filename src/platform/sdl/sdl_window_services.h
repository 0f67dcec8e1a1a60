// The services an SDL window brings: the window itself and the message boxes drawn in it (the
// system's box standing in while the window has no picture). The SDL and web backends share them.
#pragma once

#include "platform/backend.h"

namespace advplay::platform {

// Needs the services' encoding and fonts.
void add_sdl_window_services(const BackendOptions& options, Services& services);

} // namespace advplay::platform
