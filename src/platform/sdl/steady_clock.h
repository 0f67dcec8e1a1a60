// SteadyClock: the real millisecond clock, counted from the start of the run.
#pragma once

#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace advplay::platform {

class SteadyClock final : public Clock {
public:
    SteadyClock()
        : m_origin(std::chrono::steady_clock::now())
    {
    }
    std::uint32_t now() override
    {
        auto const elapsed = std::chrono::steady_clock::now() - m_origin;
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }
    void sleep(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    std::chrono::steady_clock::time_point m_origin;
};

} // namespace advplay::platform
