// PeriodicTimer: millisecond events on a thread of their own (a real timer thread, or headless, the
// virtual clock as it passes each millisecond).
#pragma once

#include <cstdint>

namespace advplay::platform {

using TimerId = std::uint32_t;

// What receives a timer's events; the user data of a system timer.
class TimerClient {
public:
    // `id` is the timer the event belongs to: one that was killed may still deliver an event that had
    // already begun on the timer thread, and the client tells them apart by the id.
    // Returns how many of the timer's following periods the client has nothing to do in: the timer
    // may leave them out, so that an idle client costs no wake-ups. A timer may still deliver them
    // (the client then finds nothing to do), and a late event is not repeated either way.
    virtual std::uint32_t timer_event(TimerId id) = 0;

protected:
    ~TimerClient() = default;
};

class PeriodicTimer {
public:
    virtual ~PeriodicTimer() = default;
    // The shortest period the timer keeps, in milliseconds.
    virtual std::uint32_t resolution() const = 0;
    // Starts a timer: client.timer_event(id) every `period_ms` but for the periods it asks to leave
    // out, the first one `period_ms` after the call, all on the timer's thread and never two at
    // once. Returns the timer's id, never 0; 0 when no timer could be started. May be called from
    // within an event.
    [[nodiscard]] virtual TimerId start(std::uint32_t period_ms, TimerClient& client) = 0;
    // Stops a timer; an id that is not running is ignored. Called from another thread it returns only
    // once an event of that timer in progress has returned; called from within the timer's own event,
    // that event runs on to its end and no other follows.
    virtual void kill(TimerId id) = 0;
    // Stops every timer of `client`, with the guarantee of kill: afterwards no event reaches it, so it
    // may be destroyed.
    virtual void kill_all(TimerClient& client) = 0;
};

} // namespace advplay::platform
