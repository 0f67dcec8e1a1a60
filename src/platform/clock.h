// Clock: the millisecond clock that every wait and timestamp of the engine reads.
#pragma once

#include <cstdint>

namespace advplay::platform {

// Milliseconds as a 32-bit count that wraps around, compared by unsigned differences.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t now() = 0;
    // Lets `ms` milliseconds pass. A virtual clock moves forward by exactly that much.
    virtual void sleep(std::uint32_t ms) = 0;
};

} // namespace advplay::platform
