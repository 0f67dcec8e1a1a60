// The SDL backend: the game window, its message boxes and the sound device, with the music of a
// FluidSynth synthesiser or an ALSA sequencer port and the movies of FFmpeg.
#pragma once

#include "platform/backend.h"

namespace advplay::platform {

std::optional<Services> make_sdl_backend(const BackendOptions& options);

} // namespace advplay::platform
