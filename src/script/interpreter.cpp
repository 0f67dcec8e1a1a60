// The interpreter loop: one pass per frame, the dispatch of a line, the wait clock, script errors.
#include "script/interpreter.h"

#include "common/engine_texts.h"
#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"
#include "platform/window.h"
#include "script/command_set.h"
#include "script/line_reader.h"

#include <string>

namespace advplay::script {

namespace {

constexpr std::string_view kStateNames[kStateCount] = {
    "Fetch",
    "ShowText",
    "Transition",
    "TextClickSetup",
    "TextClearSetup",
    "ClickSetup",
    "ClearSetup",
    "TextClickWait",
    "TextClearWait",
    "MovieStart",
    "MoviePlaying",
    "ClickWait",
    "ClearWait",
    "ChoiceWait",
    "PendingMcm",
    "PendingTct",
    "PendingTsp",
    "PendingWav",
    "PendingMid",
    "PendingMp3",
    "PendingCda",
    "PendingNow",
    "PendingCap",
    "PendingCur",
    "PendingLcl",
    "PendingRcl",
    "Quit",
};

constexpr std::uint32_t kPollingSleep = 2;

void trace_line(Engine& engine, std::uint32_t at, const std::string& file, std::int32_t line, std::string_view text)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    std::string out = std::to_string(at);
    out += ' ';
    out += engine.platform.encoding.to_utf8(file);
    out += ':';
    out += std::to_string(line);
    out += ' ';
    out += state_name(engine.interpreter.state);
    out += ' ';
    out += engine.platform.encoding.to_utf8(text);
    out += '\n';
    engine.trace->write(out);
}

void quit(Engine& engine)
{
    engine.interpreter.state = State::Quit;
    finish_command(engine);
}

void dispatch(Engine& engine)
{
    Interpreter& interpreter = engine.interpreter;
    // Leading tabs are gone already; a line that begins with a space is message text.
    if (interpreter.current_line[0] != '.') {
        expand_brackets(engine, interpreter.current_line);
        interpreter.state = State::ShowText;
        return;
    }
    next_token(engine);
    Command const* command = engine.commands.find(interpreter.token.view());
    if (!command) {
        script_error(engine, texts::kUnknownCommand.sjis);
        return;
    }
    switch (command->kind) {
    case CommandKind::Immediate:
        command->handler(engine);
        break;
    case CommandKind::Deferred:
        interpreter.state = command->state;
        finish_command(engine);
        break;
    case CommandKind::FlowControl:
        if (!command->checked(engine))
            quit(engine);
        break;
    case CommandKind::Choice:
        if (command->checked(engine)) {
            interpreter.state = State::ChoiceWait;
            finish_command(engine);
        }
        break;
    case CommandKind::CaseLabel:
        break;
    }
}

void fetch(Engine& engine)
{
    Interpreter& interpreter = engine.interpreter;
    std::uint32_t const at = engine.trace ? engine.platform.clock.now() : 0;
    if (!read_next_line(engine)) {
        if (engine.call_stack.empty()) {
            quit(engine);
            return;
        }
        // The end of a called script returns to its caller.
        interpreter.current_line.assign(".sub exit");
    }
    if (!engine.trace) {
        dispatch(engine);
        return;
    }
    std::string const file = engine.store.position().file_name;
    std::int32_t const line = engine.store.position().line_index;
    std::string const text(interpreter.current_line.view());
    dispatch(engine);
    trace_line(engine, at, file, line, text);
}

} // namespace

std::string_view state_name(State state) { return kStateNames[static_cast<int>(state)]; }

std::optional<State> parse_state(std::string_view text)
{
    for (int i = 0; i < kStateCount; ++i) {
        if (text == kStateNames[i] || text == std::to_string(i))
            return static_cast<State>(i);
    }
    return std::nullopt;
}

void reset_interpreter(Engine& engine)
{
    Interpreter& interpreter = engine.interpreter;
    interpreter.state = State::Fetch;
    interpreter.current_line.clear();
    interpreter.token.clear();
    interpreter.wait.pending_wait = 0;
    interpreter.wait.frame_delay = 0;
    interpreter.wait.step_begin = true;
}

void interpreter_step(Engine& engine)
{
    Interpreter& interpreter = engine.interpreter;
    WaitClock& wait = interpreter.wait;
    if (wait.step_begin) {
        wait.step_begin = false;
        wait.frame_delay = 0;
        wait.wait_origin = wait.frame_start;
    }
    State const state = interpreter.state;
    if (state == State::Fetch) {
        fetch(engine);
        return;
    }
    if (state == State::Quit) {
        // Repeated every pass until the frame loop has handled the request.
        engine.platform.window.post_close_request();
        return;
    }
    if (is_polling_state(state))
        engine.platform.clock.sleep(kPollingSleep);
    Handler const action = engine.commands.action(state);
    if (engine.commands.returns_to_fetch(state))
        interpreter.state = State::Fetch;
    if (action)
        action(engine);
    else
        interpreter.state = State::Fetch;
}

void finish_command(Engine& engine)
{
    WaitClock& wait = engine.interpreter.wait;
    wait.step_begin = true;
    wait.frame_delay = remaining_wait(engine);
    wait.deadline = wait.wait_origin + wait.pending_wait;
    wait.pending_wait = 0;
}

std::uint32_t remaining_wait(Engine& engine)
{
    WaitClock const& wait = engine.interpreter.wait;
    std::uint32_t const elapsed = engine.platform.clock.now() - wait.wait_origin;
    return elapsed < wait.pending_wait ? wait.pending_wait - elapsed : 0;
}

void add_wait(Engine& engine, std::uint32_t ms) { engine.interpreter.wait.pending_wait += ms; }

void script_error(Engine& engine, std::string_view message, std::string_view detail)
{
    auto const& position = engine.store.position();
    if (engine.author_notes && !detail.empty()) {
        std::string note
            = "advplay: " + position.file_name + ":" + std::to_string(position.line_index) + ": ";
        note += detail;
        note += '\n';
        engine.author_notes->write(engine.platform.encoding.to_utf8(note));
    }
    std::string text = "FILE : ";
    text += position.file_name;
    text += "\nLINE : ";
    text += std::to_string(position.line_index);
    text += "\n\n";
    text += message;
    engine.platform.message_box.show(text, {}, platform::MessageBoxButtons::Ok);
}

} // namespace advplay::script
