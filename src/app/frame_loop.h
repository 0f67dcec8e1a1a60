// The frame loop: one interpreter pass, the wait it asked for, then the screen.
#pragma once

#include "app/comforts.h"

#include <cstdint>
#include <optional>

namespace advplay {
class Engine;
}

namespace advplay::app {

struct RunLimits {
    // Stop once this many milliseconds have passed since the loop began.
    std::optional<std::uint32_t> max_time;
    // Stop after this many passes (for runs whose scripts never wait, which a virtual clock
    // would otherwise never end).
    std::optional<std::uint64_t> max_passes;
};

enum class RunEnd {
    // The window closed: the game ended or the player closed it.
    Closed,
    TimeLimit,
    PassLimit,
    // The hooks found that nothing can end the wait the game is in.
    Stalled,
};

// What a run adds to the loop: a replay's actions, requests from other copies of the game.
class FrameHooks : public ComfortHost {
public:
    virtual ~FrameHooks() = default;
    // Called each time the loop is about to take the window's events.
    virtual void before_events(Engine& engine) = 0;
    // Called once the events are handled: true ends the run with RunEnd::Stalled.
    virtual bool stalled(const Engine&) { return false; }
    // F9: the player asked for a picture of what the window shows.
    virtual void take_screenshot(Engine&) { }
    // The clock time by which before_events wants to be called again while the game rests, if any.
    virtual std::optional<std::uint32_t> next_call(const Engine&) { return std::nullopt; }
};

RunEnd frame_loop(Engine& engine, const RunLimits& limits, FrameHooks* hooks = nullptr);

// F4 and Alt+Enter: between the window and the full screen; a refused switch is explained in a box
// and the game stays in its window.
void toggle_display_mode(Engine& engine);

// Copies what changed on the display surface to the window (after the swap, if one was asked for).
void present_display(Engine& engine);

// How long a game waiting for the player may rest before its next pass, in milliseconds from `now`:
// until the click-wait mark blinks next, at most `longest`; nothing when the pass has work to do
// whatever the player does (it is not waiting for them, or a movie plays).
std::optional<std::uint32_t> rest_time(Engine& engine, std::uint32_t now, std::uint32_t longest);

} // namespace advplay::app
