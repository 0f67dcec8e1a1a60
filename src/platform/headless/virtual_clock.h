// VirtualClock: headless time that starts at 0 and moves only when the engine sleeps.
#pragma once

#include "platform/clock.h"

#include <optional>
#include <string_view>

namespace advplay::platform {

class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint32_t start = 0)
        : m_now(start)
    {
    }
    std::uint32_t now() override { return m_now; }
    void sleep(std::uint32_t ms) override { m_now += ms; }
    void sleep_to_next_tick() override { ++m_now; }
    // The calendar set with set_calendar, run on by the milliseconds slept since; without one, the
    // host's local time.
    LocalTime local_time() override;

    // Fixes the calendar at this moment of the clock.
    void set_calendar(const LocalTime& at);

private:
    std::uint32_t m_now;
    std::optional<LocalTime> m_calendar;
    std::uint32_t m_calendar_origin { 0 };
};

// "YYYY-MM-DD HH:MM:SS" as a local time with its weekday, or nothing for another form or an
// impossible date.
std::optional<LocalTime> parse_date_time(std::string_view text);

} // namespace advplay::platform
