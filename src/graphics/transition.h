// Transitions: the sixteen patterns by which the picture on the staging surface replaces the display
// a step at a time, and the interpreter pass that runs one step.
#pragma once

#include "graphics/box.h"
#include "graphics/polygon_region.h"
#include "graphics/surface.h"

#include <cstdint>

namespace advplay::graphics {

struct GraphicsState;

// What a picture command hands over when it starts a transition. The values stay after the end.
struct TransitionState {
    // 0..15; any other number acts as 0 after one empty step.
    std::int32_t kind { 0 };
    // 0 at the start, one more after each step that did not finish the transition.
    std::int32_t step { 0 };
    // Milliseconds between steps.
    std::int32_t wait { 0 };
    // The rectangle the picture command changed: each step marks only what lies inside it dirty,
    // since outside it the staging surface equals the display.
    Box rect;
};

struct TransitionStepResult {
    // This was the kind's last step.
    bool done { false };
    // Bounds every pixel the step copied; empty when it copied nothing. It may reach beyond the screen,
    // because it is the union of the pattern's rectangles before they were clipped.
    Rect area;

    bool operator==(const TransitionStepResult&) const = default;
};

// The step at which a transition of this kind is done: 0 for kind 0, 1 for a number outside 0..15.
std::int32_t transition_last_step(std::int32_t kind);

// One step: copies the part of `staging` that the kind's pattern gives to `step` onto `display`, at
// the same place. Step 0 copies nothing unless the kind is 0 (the first pass only schedules the next),
// nor does a step beyond the last one or below 0; a step from the last one on is done. Only the
// 640 x 480 screen is drawn, and of it only what both surfaces hold.
TransitionStepResult transition_step(
    Surface& display, const Surface& staging, std::int32_t kind, std::int32_t step);

// The fixed-point angles of the clock wipe and the double wedge: an angle is 1/4096 of a turn, taken
// modulo 4096; angle_sin is 65536 times the sine, truncated towards 0.
std::int32_t angle_sin(std::int32_t angle);
std::int32_t angle_cos(std::int32_t angle);
// The point 440 pixels from the screen's centre at `angle`: angle 0 points straight up, angles grow
// clockwise. Coordinates are rounded down.
Point angle_point(std::int32_t angle);

// Sets the transition going: `kind` with `wait` ms between steps, for the rectangle `changed`, from
// step 0. The caller then puts the interpreter in its Transition state.
void start_transition(GraphicsState& state, std::int32_t kind, std::int32_t wait, const Rect& changed);

struct TransitionPass {
    bool done { false };
    // The wait to add after the step; a negative wait counts as none.
    std::uint32_t wait { 0 };
};

// The graphics half of one pass of the interpreter's Transition state: runs the current step from the
// staging surface onto the display, marks dirty what it copied inside the transition's rectangle, and
// moves to the next step unless this one was the last. The interpreter then ends the command's timing
// interval, adds `wait` to the pending wait, and goes back to fetching lines when `done`.
TransitionPass run_transition_pass(GraphicsState& state);

} // namespace advplay::graphics
