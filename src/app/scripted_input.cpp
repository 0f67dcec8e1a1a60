// Scripted input: parsing and playing.
#include "app/scripted_input.h"

#include <charconv>
#include <span>

namespace advplay::app {

namespace {

std::vector<std::string_view> words_of(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        std::size_t const begin = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t')
            ++at;
        if (at > begin)
            words.push_back(line.substr(begin, at - begin));
    }
    return words;
}

template<typename Number> std::optional<Number> number(std::string_view text)
{
    Number value {};
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<platform::MouseButton> button_of(std::string_view word)
{
    if (word == "left")
        return platform::MouseButton::Left;
    if (word == "right")
        return platform::MouseButton::Right;
    if (word == "middle")
        return platform::MouseButton::Middle;
    return std::nullopt;
}

struct KeyName {
    std::string_view name;
    platform::Key key;
    bool alt { false };
    bool ctrl { false };
};

constexpr KeyName kKeys[] = {
    { "enter", platform::Key::Enter },
    { "space", platform::Key::Space },
    { "escape", platform::Key::Escape },
    { "f4", platform::Key::F4 },
    { "f12", platform::Key::F12 },
    { "left", platform::Key::Left },
    { "up", platform::Key::Up },
    { "right", platform::Key::Right },
    { "down", platform::Key::Down },
    { "alt+enter", platform::Key::Enter, true },
    { "ctrl", platform::Key::Ctrl },
    { "tab", platform::Key::Tab },
    { "a", platform::Key::A },
    { "c", platform::Key::C },
    { "h", platform::Key::H },
    { "f1", platform::Key::F1 },
    { "f9", platform::Key::F9 },
    { "pageup", platform::Key::PageUp },
    { "pagedown", platform::Key::PageDown },
    { "backspace", platform::Key::Backspace },
    { "ctrl+c", platform::Key::C, false, true },
};

// The action in `words` (from its verb on), or a description of what is wrong.
std::optional<InputAction> parse_action(std::span<const std::string_view> words, std::string& error)
{
    if (words.empty()) {
        error = "an action is missing";
        return std::nullopt;
    }
    InputAction action;
    std::string_view const verb = words[0];
    auto point = [&](std::size_t at) {
        if (at + 1 >= words.size())
            return false;
        auto const x = number<std::int32_t>(words[at]);
        auto const y = number<std::int32_t>(words[at + 1]);
        if (!x || !y)
            return false;
        action.x = *x;
        action.y = *y;
        return true;
    };
    if (verb == "click" || verb == "press") {
        action.kind = verb == "click" ? InputAction::Kind::Click : InputAction::Kind::Press;
        auto button = words.size() > 1 ? button_of(words[1]) : std::nullopt;
        if (!button || !point(2) || words.size() != 4) {
            error = std::string(verb) + " wants left, right or middle and a point X Y";
            return std::nullopt;
        }
        action.button = *button;
        return action;
    }
    if (verb == "release") {
        action.kind = InputAction::Kind::Release;
        auto button = words.size() == 2 ? button_of(words[1]) : std::nullopt;
        if (!button) {
            error = "release wants left, right or middle";
            return std::nullopt;
        }
        action.button = *button;
        return action;
    }
    if (verb == "move") {
        action.kind = InputAction::Kind::Move;
        if (!point(1) || words.size() != 3) {
            error = "move wants a point X Y";
            return std::nullopt;
        }
        return action;
    }
    if (verb == "key") {
        action.kind = InputAction::Kind::Key;
        KeyName const* found = nullptr;
        for (auto const& key : kKeys) {
            if (words.size() > 1 && words[1] == key.name)
                found = &key;
        }
        if (!found || words.size() > 3) {
            error = "key wants one of";
            for (auto const& key : kKeys)
                error += std::string(&key == kKeys ? " " : ", ") + std::string(key.name);
            return std::nullopt;
        }
        action.key = found->key;
        action.alt = found->alt;
        action.ctrl = found->ctrl;
        if (words.size() == 3) {
            if (words[2] == "down")
                action.phase = KeyPhase::Down;
            else if (words[2] == "up")
                action.phase = KeyPhase::Up;
            else if (words[2] == "repeat")
                action.phase = KeyPhase::Repeat;
            else {
                error = "a key is pressed down, up or repeat";
                return std::nullopt;
            }
        }
        return action;
    }
    if (verb == "wheel") {
        action.kind = InputAction::Kind::Wheel;
        auto const notches
            = words.size() == 3 ? number<std::int32_t>(words[2]) : std::optional<std::int32_t>(1);
        if (words.size() < 2 || words.size() > 3 || (words[1] != "up" && words[1] != "down") || !notches
            || *notches <= 0) {
            error = "wheel wants up or down and how many notches (default 1)";
            return std::nullopt;
        }
        action.wheel = words[1] == "up" ? *notches : -*notches;
        return action;
    }
    if (verb == "shot") {
        action.kind = InputAction::Kind::Shot;
        if (words.size() != 2) {
            error = "shot wants a file name";
            return std::nullopt;
        }
        action.file = std::string(words[1]);
        return action;
    }
    if (verb == "close") {
        action.kind = InputAction::Kind::Close;
        if (words.size() != 1) {
            error = "close takes nothing more";
            return std::nullopt;
        }
        return action;
    }
    error = "unknown action \"" + std::string(verb) + "\"";
    return std::nullopt;
}

} // namespace

InputParseResult parse_input_script(std::string_view text)
{
    InputScript script;
    int line_number = 0;
    while (!text.empty()) {
        ++line_number;
        std::size_t const end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (std::size_t const comment = line.find('#'); comment != std::string_view::npos)
            line = line.substr(0, comment);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        auto const words = words_of(line);
        if (words.empty())
            continue;
        std::string error;
        InputStep step;
        step.line = line_number;
        std::string_view const first = words[0];
        if (first == "wait") {
            step.kind = InputStep::Kind::Wait;
            std::string_view list = words.size() == 2 ? words[1] : std::string_view();
            while (!list.empty()) {
                std::size_t const comma = list.find(',');
                auto const state = script::parse_state(list.substr(0, comma));
                if (!state) {
                    error = "unknown state \"" + std::string(list.substr(0, comma)) + "\"";
                    break;
                }
                step.states.push_back(*state);
                list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
            }
            if (error.empty() && step.states.empty())
                error = "wait wants states, such as 11 or ClickWait,ChoiceWait";
        } else if (first == "at" || first == "after") {
            step.kind = first == "at" ? InputStep::Kind::At : InputStep::Kind::After;
            auto const ms = words.size() > 1 ? number<std::uint32_t>(words[1]) : std::nullopt;
            if (!ms) {
                error = std::string(first) + " wants a time in milliseconds";
            } else if (auto action = parse_action(std::span(words).subspan(2), error)) {
                step.ms = *ms;
                step.action = std::move(*action);
            }
        } else {
            error = "a line begins with at, after or wait, not \"" + std::string(first) + "\"";
        }
        if (!error.empty())
            return { std::nullopt, std::to_string(line_number) + ": " + error };
        script.steps.push_back(std::move(step));
    }
    return { std::move(script), {} };
}

std::vector<InputAction> InputPlayer::due(std::uint32_t now, script::State state)
{
    std::vector<InputAction> actions;
    while (m_next < m_script.steps.size()) {
        InputStep const& step = m_script.steps[m_next];
        if (step.kind == InputStep::Kind::Wait) {
            bool held = true;
            for (script::State wanted : step.states)
                held = held && wanted != state;
            if (held)
                break;
            // "after" counts from the moment the wait was met, which is when a replay's author
            // saw the game reach that state.
            m_last_action = now;
            ++m_next;
            continue;
        }
        std::uint32_t const at = step.kind == InputStep::Kind::At ? step.ms : m_last_action + step.ms;
        if (static_cast<std::int32_t>(now - at) < 0)
            break;
        actions.push_back(step.action);
        m_last_action = now;
        ++m_next;
    }
    return actions;
}

std::optional<std::uint32_t> InputPlayer::next_time() const
{
    if (!can_go_on())
        return std::nullopt;
    InputStep const& step = m_script.steps[m_next];
    return step.kind == InputStep::Kind::At ? step.ms : m_last_action + step.ms;
}

} // namespace advplay::app
