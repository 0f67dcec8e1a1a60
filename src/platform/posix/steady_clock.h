// SteadyClock: the real millisecond clock.
#pragma once

#include "platform/clock.h"

namespace advplay::platform {

// Milliseconds since the system started, wrapping at 32 bits, as the original engine's timer read.
class SteadyClock final : public Clock {
public:
    std::uint32_t now() override;
    void sleep(std::uint32_t ms) override;
    void sleep_to_next_tick() override;
    LocalTime local_time() override { return host_local_time(); }
};

} // namespace advplay::platform
