// VirtualClock: headless time that starts at 0 and moves only when the engine sleeps.
#pragma once

#include "platform/clock.h"

namespace advplay::platform {

class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint32_t start = 0)
        : m_now(start)
    {
    }
    std::uint32_t now() override { return m_now; }
    void sleep(std::uint32_t ms) override { m_now += ms; }

private:
    std::uint32_t m_now;
};

} // namespace advplay::platform
