// WebClock and WebTimer: time in a page. The game's waits hand the browser its turn (Asyncify), so
// the page stays alive and draws; the timer's events come from the browser's timers, which run while
// the game waits.
#pragma once

#include "platform/clock.h"
#include "platform/periodic_timer.h"

#include <map>
#include <memory>
#include <optional>

namespace advplay::platform {

class WebClock final : public Clock {
public:
    // With `calendar`, the local time starts there and runs on with the clock (--date: a page under
    // test reads the same calendar as the run it is compared with); otherwise it is the host's.
    explicit WebClock(std::optional<LocalTime> calendar = std::nullopt);
    std::uint32_t now() override;
    void sleep(std::uint32_t ms) override;
    void sleep_to_next_tick() override;
    LocalTime local_time() override;

private:
    std::optional<LocalTime> m_calendar;
    std::uint32_t m_calendar_origin { 0 };
};

class WebTimer final : public PeriodicTimer {
public:
    WebTimer() = default;
    ~WebTimer() override;
    WebTimer(const WebTimer&) = delete;
    WebTimer& operator=(const WebTimer&) = delete;

    // The browser runs interval timers at 4 ms at best; the clients go by the clock, not by counting
    // events, so a coarser period only makes their events come later.
    std::uint32_t resolution() const override { return 1; }
    [[nodiscard]] TimerId start(std::uint32_t period_ms, TimerClient& client) override;
    void kill(TimerId id) override;
    void kill_all(TimerClient& client) override;

    // Called by the browser's interval timer.
    void fire(TimerId id);

private:
    // What the browser's timer hands back to fire().
    struct Firing {
        WebTimer* timer;
        TimerId id;
    };
    struct Running {
        TimerClient* client { nullptr };
        long interval { 0 };
        // Periods the client asked to leave out.
        std::uint32_t skip { 0 };
        std::unique_ptr<Firing> firing;
    };
    static void fire_timer(void* data);

    std::map<TimerId, Running> m_running;
    TimerId m_next { 1 };
};

} // namespace advplay::platform
