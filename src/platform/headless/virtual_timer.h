// VirtualTimer: the periodic timer of headless runs, driven by the virtual clock, so that songs play
// the same way on every run.
#pragma once

#include "platform/headless/virtual_clock.h"
#include "platform/periodic_timer.h"

#include <vector>

namespace advplay::platform {

// Events fire on the thread that sleeps on the clock, while it sleeps: a timer started at time t
// with period p fires at t + p, t + 2p, ..., each in the millisecond the clock reaches it, timers in
// the order they were started. Milliseconds that pass while an event runs (an event that sleeps on
// the clock) bring no events, as a timer thread that is busy brings none. The periods an event asks
// to leave out bring none either.
class VirtualTimer final : public PeriodicTimer, private ClockListener {
public:
    explicit VirtualTimer(VirtualClock& clock);
    ~VirtualTimer() override;
    VirtualTimer(const VirtualTimer&) = delete;
    VirtualTimer& operator=(const VirtualTimer&) = delete;

    std::uint32_t resolution() const override { return 1; }
    [[nodiscard]] TimerId start(std::uint32_t period_ms, TimerClient& client) override;
    void kill(TimerId id) override;
    void kill_all(TimerClient& client) override;

    // Timers running now.
    std::size_t running() const { return m_timers.size(); }

private:
    struct Timer {
        TimerId id;
        std::uint32_t period;
        // The clock reading of the next event.
        std::uint32_t due;
        TimerClient* client;
    };

    void millisecond_passed(std::uint32_t now) override;

    VirtualClock& m_clock;
    std::vector<Timer> m_timers;
    // The timers due in the millisecond being announced.
    std::vector<TimerId> m_due;
    TimerId m_next_id { 1 };
    bool m_in_event { false };
};

} // namespace advplay::platform
