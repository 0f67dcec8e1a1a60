// The headless backend: a window nobody sees, a virtual clock that moves only as the game runs,
// recording sound and media players. For tests and batch runs.
#pragma once

#include "platform/backend.h"

namespace advplay::platform {

std::optional<Services> make_headless_backend(const BackendOptions& options);

} // namespace advplay::platform
