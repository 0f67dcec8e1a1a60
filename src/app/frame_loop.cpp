// The frame loop.
#include "app/frame_loop.h"

#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/window.h"

namespace advplay::app {

namespace {

// While at least this much of the delay is left, the loop sleeps in steps of kWaitStep.
constexpr std::uint32_t kLongWait = 8;
constexpr std::uint32_t kWaitStep = 4;
// Closer to the deadline the original spun; one millisecond is as close as a clock can tell.
constexpr std::uint32_t kShortStep = 1;

enum class Dispatch {
    Continue,
    Quit,
};

Dispatch dispatch_events(Engine& engine)
{
    platform::Event event;
    while (engine.platform.window.poll_event(event)) {
        switch (event.type) {
        case platform::EventType::CloseRequest:
            // Closing destroys the window, and that ends the loop.
            return Dispatch::Quit;
        case platform::EventType::KeyDown:
        case platform::EventType::KeyUp:
        case platform::EventType::ButtonDown:
        case platform::EventType::ButtonUp:
        case platform::EventType::FocusLost:
        case platform::EventType::FocusGained:
            break;
        }
    }
    return Dispatch::Continue;
}

bool time_is_up(Engine& engine, const RunLimits& limits)
{
    return limits.max_time && engine.platform.clock.now() >= *limits.max_time;
}

} // namespace

RunEnd frame_loop(Engine& engine, const RunLimits& limits)
{
    platform::Clock& clock = engine.platform.clock;
    script::WaitClock& wait = engine.interpreter.wait;
    wait.frame_start = clock.now();
    std::uint64_t passes = 0;
    for (;;) {
        if (limits.max_passes && passes++ >= *limits.max_passes)
            return RunEnd::PassLimit;
        script::interpreter_step(engine);
        for (;;) {
            if (dispatch_events(engine) == Dispatch::Quit)
                return RunEnd::Closed;
            if (time_is_up(engine, limits))
                return RunEnd::TimeLimit;
            std::uint32_t const elapsed = clock.now() - wait.frame_start;
            if (elapsed >= wait.frame_delay)
                break;
            clock.sleep(wait.frame_delay - elapsed >= kLongWait ? kWaitStep : kShortStep);
        }
        wait.frame_start = clock.now();
    }
}

} // namespace advplay::app
