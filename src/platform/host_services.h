// The services every backend on a POSIX host shares: the game's files, the text encoding, the fonts
// and the picture codecs.
#pragma once

#include "platform/backend.h"

namespace advplay::platform {

// Fills in `services`' encoding, files, fonts and picture codecs for the game of `options`.
void add_host_services(const BackendOptions& options, Services& services);

} // namespace advplay::platform
