// Audio: the sound output, as far as the shell needs it.
#pragma once

#include <cstdint>

namespace advplay::platform {

class Audio {
public:
    virtual ~Audio() = default;
    // A plain tone, played in the background; the call returns at once.
    virtual void beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) = 0;
};

} // namespace advplay::platform
