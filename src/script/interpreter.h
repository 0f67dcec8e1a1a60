// Interpreter state, the wait clock and the step that runs one pass of the scenario.
#pragma once

#include "script/script_string.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::script {

// The numbers are shared with the input handling, which tests them by value and by range.
enum class State : std::uint8_t {
    Fetch = 0,
    ShowText = 1,
    Transition = 2,
    TextClickSetup = 3,
    TextClearSetup = 4,
    ClickSetup = 5,
    ClearSetup = 6,
    TextClickWait = 7,
    TextClearWait = 8,
    MovieStart = 9,
    MoviePlaying = 10,
    ClickWait = 11,
    ClearWait = 12,
    ChoiceWait = 13,
    PendingMcm = 14,
    PendingTct = 15,
    PendingTsp = 16,
    PendingWav = 17,
    PendingMid = 18,
    PendingMp3 = 19,
    PendingCda = 20,
    PendingNow = 21,
    PendingCap = 22,
    PendingCur = 23,
    PendingLcl = 24,
    PendingRcl = 25,
    Quit = 26,
};

constexpr int kStateCount = 27;

std::string_view state_name(State state);
// A state by its number ("13") or its name ("ChoiceWait").
std::optional<State> parse_state(std::string_view text);

constexpr bool is_pending_state(State state)
{
    return state >= State::PendingMcm && state <= State::PendingRcl;
}

// The click waits and the choice wait: states that only the player's click or key ends.
constexpr bool waits_for_click(State state)
{
    switch (state) {
    case State::TextClickWait:
    case State::TextClearWait:
    case State::ClickWait:
    case State::ClearWait:
    case State::ChoiceWait:
        return true;
    default:
        return false;
    }
}

// States that wait for the player or a device and sleep 2 ms per pass so as not to spin.
constexpr bool is_polling_state(State state)
{
    switch (state) {
    case State::TextClickWait:
    case State::TextClearWait:
    case State::MoviePlaying:
    case State::ClickWait:
    case State::ClearWait:
    case State::ChoiceWait:
        return true;
    default:
        return false;
    }
}

// Milliseconds of the engine clock, compared as unsigned numbers with wrap-around.
struct WaitClock {
    // Waits requested since the last finish_command.
    std::uint32_t pending_wait { 0 };
    // Where pending_wait is measured from: the start of the pass that began the timing interval.
    std::uint32_t wait_origin { 0 };
    // What is left of the wait when finish_command served it; 0 lets the next pass follow at once.
    std::uint32_t frame_delay { 0 };
    // When the next pass is due, while frame_delay is not 0: wait_origin plus the waits served.
    std::uint32_t deadline { 0 };
    // Start of the current frame-loop pass.
    std::uint32_t frame_start { 0 };
    // The next step starts a new timing interval.
    bool step_begin { true };
};

struct Interpreter {
    State state { State::Fetch };
    // The rest of the line being executed; handlers consume their arguments from its front.
    ScriptString current_line;
    // The last token fetched; the command word right after dispatch.
    ScriptString token;
    WaitClock wait;
};

// Back to the state of a fresh start: Fetch, no pending wait, a new timing interval.
void reset_interpreter(Engine& engine);

// One pass of the interpreter; the frame loop calls it once per pass.
void interpreter_step(Engine& engine);

// Ends the timing interval of the current command: the frame loop will hold the next pass for what
// is left of the pending wait.
void finish_command(Engine& engine);
// What finish_command would set frame_delay to now.
std::uint32_t remaining_wait(Engine& engine);
void add_wait(Engine& engine, std::uint32_t ms);

// Reports a script error in a message box naming the current script and line.
// `detail` (Shift-JIS) names what the box's text leaves out for the script's author, such as the
// file that could not be opened or the label that was not found; it goes to the author notes, after
// the script's file and line.
void script_error(Engine& engine, std::string_view message, std::string_view detail = {});

} // namespace advplay::script
