// Scripted input for headless runs: a file of timed mouse and keyboard actions.
#pragma once

#include "platform/window.h"
#include "script/interpreter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::app {

enum class KeyPhase : std::uint8_t {
    // Pressed and released.
    Tap,
    Down,
    Up,
    // An auto-repeated key-down.
    Repeat,
};

struct InputAction {
    enum class Kind : std::uint8_t {
        Click,
        Press,
        Release,
        Move,
        Key,
        Wheel,
        Shot,
        Close,
    };
    Kind kind { Kind::Close };
    platform::MouseButton button { platform::MouseButton::Left };
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    platform::Key key { platform::Key::Other };
    bool alt { false };
    bool ctrl { false };
    KeyPhase phase { KeyPhase::Tap };
    // Wheel: notches, up positive.
    std::int32_t wheel { 0 };
    // Shot: where to write the picture.
    std::string file;
};

struct InputStep {
    enum class Kind : std::uint8_t {
        // At the virtual time `ms`.
        At,
        // `ms` after the previous action ran, or the previous wait was met.
        After,
        // Hold the following steps until the interpreter is in one of `states`.
        Wait,
    };
    Kind kind { Kind::At };
    std::uint32_t ms { 0 };
    std::vector<script::State> states;
    InputAction action;
    // Line of the input file, for messages.
    int line { 0 };
};

struct InputScript {
    std::vector<InputStep> steps;
};

struct InputParseResult {
    std::optional<InputScript> script;
    // "LINE: what is wrong", when the script was refused.
    std::string error;
};

// Lines of `at MS ACTION`, `after MS ACTION` or `wait STATE[,STATE..]`; "#" starts a comment.
InputParseResult parse_input_script(std::string_view text);

// Plays an input script: steps whose time and condition have come are handed out in order.
class InputPlayer {
public:
    explicit InputPlayer(InputScript script)
        : m_script(std::move(script))
    {
    }
    // The actions due at `now` with the interpreter in `state`, in order; each later step waits
    // for the earlier ones.
    std::vector<InputAction> due(std::uint32_t now, script::State state);
    bool finished() const { return m_next >= m_script.steps.size(); }
    // Whether a step is left that can come due while the interpreter stays in the state that `due`
    // was last given: false once every step has run, or when the next one waits for another state
    // (`due` has passed over a wait that the state meets).
    bool can_go_on() const { return !finished() && m_script.steps[m_next].kind != InputStep::Kind::Wait; }
    // When the next step comes due, if it waits for a time rather than a state.
    std::optional<std::uint32_t> next_time() const;

private:
    InputScript m_script;
    std::size_t m_next { 0 };
    std::uint32_t m_last_action { 0 };
};

} // namespace advplay::app
