// The command table's shape, and the per-state actions that other subsystems supply.
#pragma once

#include "script/interpreter.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace advplay::script {

using Handler = void (*)(Engine&);
using CheckedHandler = bool (*)(Engine&);

enum class CommandKind : std::uint8_t {
    // Runs in the step that reads it.
    Immediate,
    // Sets its state and ends the timing interval; the state's action runs after the pending wait.
    Deferred,
    // .jmp, .sub, .cas, .skp: runs at once and returns success; failure ends the game.
    FlowControl,
    // .slt: runs at once and tells whether it has shown choices.
    Choice,
    // The comparison words of a case block: met in normal flow they do nothing.
    CaseLabel,
};

struct Command {
    std::string_view word;
    CommandKind kind;
    // The state a Deferred command enters.
    State state;
    // Immediate and Deferred commands.
    Handler handler;
    // FlowControl and Choice commands.
    CheckedHandler checked;
};

// What a pass does in a state other than Fetch and Quit.
struct StateAction {
    State state;
    Handler action;
};

// The command table with a lookup that costs a few integer comparisons, and the action of every
// state. A pending state without an action of its own runs the handler of the deferred command that
// entered it and returns to Fetch.
class CommandSet {
public:
    CommandSet(std::span<const Command> commands, std::span<const StateAction> actions);

    // Exact, case-sensitive match of the whole word.
    const Command* find(std::string_view word) const;
    Handler action(State state) const { return m_actions[static_cast<int>(state)]; }
    // Whether a state's action is the deferred handler of a command (the state then returns to Fetch
    // before the handler runs, so that a handler may still choose another state).
    bool returns_to_fetch(State state) const { return m_returns_to_fetch[static_cast<int>(state)]; }
    std::span<const Command> commands() const { return m_commands; }

private:
    std::span<const Command> m_commands;
    // Words of up to 8 bytes packed into integers; longer words are never in the table.
    std::vector<std::uint64_t> m_packed;
    std::array<Handler, kStateCount> m_actions {};
    std::array<bool, kStateCount> m_returns_to_fetch {};
};

} // namespace advplay::script
