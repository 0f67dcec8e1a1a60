// VirtualClock: headless time that starts at 0 and moves only when the engine sleeps.
#pragma once

#include "platform/calendar.h"
#include "platform/clock.h"

#include <optional>
#include <string_view>
#include <vector>

namespace advplay::platform {

// What has to see every millisecond that a virtual clock passes, as a timer thread would: the virtual
// timer registers itself, so that its events fire in order while the engine sleeps.
class ClockListener {
public:
    // The clock has just moved on to `now`.
    virtual void millisecond_passed(std::uint32_t now) = 0;

protected:
    ~ClockListener() = default;
};

class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint32_t start = 0)
        : m_now(start)
    {
    }
    std::uint32_t now() override { return m_now; }
    // One millisecond at a time, each announced to the listeners before the next begins.
    void sleep(std::uint32_t ms) override;
    void sleep_to_next_tick() override { sleep(1); }
    // The calendar set with set_calendar, run on by the milliseconds slept since; without one, the
    // host's local time.
    LocalTime local_time() override;

    // Fixes the calendar at this moment of the clock.
    void set_calendar(const LocalTime& at);

    // A listener stays registered until it is removed, and must be removed before it dies.
    void add_listener(ClockListener& listener);
    void remove_listener(ClockListener& listener);

private:
    std::uint32_t m_now;
    std::vector<ClockListener*> m_listeners;
    std::optional<LocalTime> m_calendar;
    std::uint32_t m_calendar_origin { 0 };
};

} // namespace advplay::platform
