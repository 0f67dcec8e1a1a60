// ThreadTimer: the real periodic timer, a thread of its own that wakes at every millisecond tick of
// the steady clock on which a timer is due.
#pragma once

#include "platform/periodic_timer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace advplay::platform {

// The thread starts with the first timer and waits on a condition until the next event is due, or
// for good while no timer runs. Events are
// aligned to the millisecond ticks of the steady clock that SteadyClock reads, so an event reads the
// millisecond it was due in. An event that comes too late for one or more of its periods is not
// repeated: the next one is due at the next tick of the period after the late one ran.
class ThreadTimer final : public PeriodicTimer {
public:
    ThreadTimer() = default;
    // Stops every timer and the thread. Never from within an event.
    ~ThreadTimer() override;
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    std::uint32_t resolution() const override { return 1; }
    [[nodiscard]] TimerId start(std::uint32_t period_ms, TimerClient& client) override;
    void kill(TimerId id) override;
    void kill_all(TimerClient& client) override;

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Timer {
        TimerId id;
        std::chrono::milliseconds period;
        TimePoint due;
        TimerClient* client;
    };

    void run();
    // Waits until no event of a timer that `matches` runs, unless the caller is that event.
    template<typename Matches> void wait_for_event_end(std::unique_lock<std::mutex>& lock, Matches matches);

    std::mutex m_mutex;
    // Signalled when a timer starts and when the thread is to end.
    std::condition_variable m_changed;
    // Signalled when an event returns, if a kill waits for it (m_waiting of them).
    std::condition_variable m_event_done;
    int m_waiting { 0 };
    std::vector<Timer> m_timers;
    TimerId m_next_id { 1 };
    // The event running on the thread now: its timer and client (0 and null between events).
    TimerId m_running_id { 0 };
    TimerClient* m_running_client { nullptr };
    bool m_quit { false };
    std::thread m_thread;
};

} // namespace advplay::platform
