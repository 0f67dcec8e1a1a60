// SteadyClock: the real millisecond clock.
#include "platform/posix/steady_clock.h"

#include <chrono>
#include <thread>

namespace advplay::platform {

std::uint32_t SteadyClock::now()
{
    // The steady clock counts from the system's start on Linux, like the timer games seed with.
    auto const since_start = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
}

void SteadyClock::sleep(std::uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SteadyClock::sleep_to_next_tick()
{
    auto const since_start = std::chrono::steady_clock::now().time_since_epoch();
    auto const next
        = std::chrono::duration_cast<std::chrono::milliseconds>(since_start) + std::chrono::milliseconds(1);
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(next));
}

} // namespace advplay::platform
