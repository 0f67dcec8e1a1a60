// SdlLibrary: the lifetime of SDL itself in a windowed run.
#pragma once

namespace advplay::platform {

// The window and the audio each start and stop their own subsystem, but what SDL sets up for all of
// them is released only by SDL_Quit. One of these outlives every other SDL object of the run and
// calls it last.
class SdlLibrary {
public:
    SdlLibrary() = default;
    ~SdlLibrary();
    SdlLibrary(const SdlLibrary&) = delete;
    SdlLibrary& operator=(const SdlLibrary&) = delete;
};

} // namespace advplay::platform
