// Flow control: case blocks, jumps, subroutine calls and returns.
#include "script/flow_control.h"

#include "common/engine_texts.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "script/interpreter.h"
#include "script/line_reader.h"
#include "script/variable_commands.h"

#include <limits>
#include <string>

namespace advplay::script {

namespace {

bool is_case_word(std::string_view word)
{
    return word == ".==" || word == ".=" || word == ".<" || word == ".>" || word == ".<=" || word == ".>="
        || word == ".!=" || word == ".<>";
}

// Whether the branch of a case word is taken for the selector and the case value.
bool case_holds(std::string_view word, std::int32_t selector, std::int32_t value)
{
    if (word == ".<")
        return selector < value;
    if (word == ".>")
        return selector > value;
    if (word == ".<=")
        return selector <= value;
    if (word == ".>=")
        return selector >= value;
    if (word == ".!=" || word == ".<>")
        return selector != value;
    return selector == value;
}

// Reads the next command line of the script into current_line and its word into token; false at
// the end of the script. Message-text lines are passed over.
bool next_command_line(Engine& engine)
{
    while (read_next_line(engine)) {
        if (engine.interpreter.current_line[0] == '.') {
            next_token(engine);
            return true;
        }
    }
    return false;
}

// Skips to the "." that closes the current block, passing over nested blocks whole. A counter
// stands in for the recursion, so a script nested thousands deep cannot exhaust the stack.
bool skip_to_block_end(Engine& engine)
{
    std::size_t depth = 1;
    while (next_command_line(engine)) {
        std::string_view const word = engine.interpreter.token.view();
        if (word == ".cas") {
            ++depth;
        } else if (word == "." && --depth == 0) {
            return true;
        }
    }
    script_error(engine, texts::kSkipWithoutEnd.sjis);
    return false;
}

// The leading decimal digits of a line number; none give 0, and too many stop at the largest int.
std::int32_t line_number(std::string_view text)
{
    std::int64_t value = 0;
    for (char digit : text) {
        if (digit < '0' || digit > '9')
            break;
        value = std::min<std::int64_t>(value * 10 + (digit - '0'), std::numeric_limits<std::int32_t>::max());
    }
    return static_cast<std::int32_t>(value);
}

struct Target {
    // The script the target names, or empty for the current script.
    std::string_view script;
    enum class Kind {
        Label,
        Line,
        Start,
    } kind;
    std::string_view label;
    std::int32_t line { 0 };
};

Target parse_target(std::string_view target)
{
    std::size_t const colon = find_last_sjis(target, ':');
    if (colon != kNotFound)
        return { target.substr(0, colon), Target::Kind::Label, target.substr(colon + 1) };
    std::size_t const semicolon = find_last_sjis(target, ';');
    if (semicolon != kNotFound)
        return { target.substr(0, semicolon), Target::Kind::Line, {}, line_number(target.substr(semicolon + 1)) };
    return { target, Target::Kind::Start, {} };
}

bool push_frame(Engine& engine, bool resume, std::string_view resume_text)
{
    if (engine.call_stack.size() >= kMaxCallDepth) {
        script_error(engine, texts::kCallsTooDeep.sjis);
        return false;
    }
    auto const& position = engine.store.position();
    engine.call_stack.push_back({ position.file_name, position.line_index, resume, ScriptString(resume_text) });
    return true;
}

} // namespace

namespace {

// Why goto_target could not find a target, for the script's author.
std::string missing_target(Engine& engine, std::string_view target_text)
{
    Target const target = parse_target(target_text);
    std::string const script
        = target.script.empty() ? engine.store.position().file_name : std::string(target.script);
    bool const script_there = engine.store.index().contains(lower_ascii(script));
    if (!script_there)
        return "no script \"" + script + "\" in the scenario (jump to \"" + std::string(target_text) + "\")";
    switch (target.kind) {
    case Target::Kind::Label:
        return "no label \":" + std::string(target.label) + "\" in the script \"" + script + "\"";
    case Target::Kind::Line:
        return "the script \"" + script + "\" has no line " + std::to_string(target.line);
    case Target::Kind::Start:
        break;
    }
    return "the script \"" + script + "\" cannot be started";
}

} // namespace

bool goto_target(Engine& engine, std::string_view target_text)
{
    Target const target = parse_target(target_text);
    std::string const script
        = target.script.empty() ? engine.store.position().file_name : std::string(target.script);
    switch (target.kind) {
    case Target::Kind::Label:
        return engine.store.goto_name(script + ":" + std::string(target.label));
    case Target::Kind::Line:
        return engine.store.goto_line(script, target.line);
    case Target::Kind::Start:
        return engine.store.goto_name(script);
    }
    return false;
}

bool case_command(Engine& engine)
{
    std::int32_t const selector = evaluate(engine);
    while (next_command_line(engine)) {
        std::string_view const word = engine.interpreter.token.view();
        if (word == ".cas") {
            if (!skip_to_block_end(engine))
                return false;
            continue;
        }
        if (word == ".els" || word == ".")
            return true;
        // Case values are evaluated only when the scan reaches them.
        if (is_case_word(word)) {
            std::string const case_word(word);
            if (case_holds(case_word, selector, evaluate(engine)))
                return true;
        }
    }
    script_error(engine, texts::kCaseWithoutEnd.sjis);
    return false;
}

bool skip_command(Engine& engine) { return skip_to_block_end(engine); }

bool jump_command(Engine& engine)
{
    next_string(engine);
    return jump_to(engine, std::string(engine.interpreter.token.view()));
}

bool jump_to(Engine& engine, std::string_view target)
{
    if (!engine.call_stack.empty()) {
        // Inside a subroutine a jump may not leave the current script; the name is compared as
        // written with the lower-cased current name.
        std::string_view const script = parse_target(target).script;
        if (!script.empty() && script != engine.store.position().file_name) {
            script_error(engine, texts::kJumpOutOfSubroutine.sjis,
                "a subroutine of the script \"" + engine.store.position().file_name + "\" jumps to \""
                    + std::string(target) + "\"");
            return false;
        }
    }
    if (!goto_target(engine, target)) {
        script_error(engine, texts::kJumpFailed.sjis, missing_target(engine, target));
        return false;
    }
    return true;
}

bool sub_command(Engine& engine)
{
    next_string(engine);
    std::string const argument(engine.interpreter.token.view());
    if (argument == "exit") {
        if (engine.call_stack.empty()) {
            script_error(engine, texts::kInvalidSubExit.sjis);
            return false;
        }
        CallFrame& frame = engine.call_stack.back();
        if (!engine.store.goto_line(frame.file_name, frame.line_index)) {
            script_error(engine, texts::kSubExitFailed.sjis);
            return false;
        }
        if (frame.resume && !frame.resume_text.empty()) {
            engine.interpreter.current_line = frame.resume_text;
            engine.interpreter.state = State::ShowText;
        }
        engine.call_stack.pop_back();
        return true;
    }
    if (argument == "delete") {
        engine.call_stack.clear();
        return true;
    }
    if (!push_frame(engine, false, {}))
        return false;
    if (!goto_target(engine, argument)) {
        script_error(engine, texts::kSubFailed.sjis, missing_target(engine, argument));
        return false;
    }
    return true;
}

bool call_with_resume(Engine& engine, std::string_view target, std::string_view resume_text)
{
    if (!push_frame(engine, true, resume_text))
        return false;
    if (!goto_target(engine, target)) {
        script_error(engine, texts::kSubFailed.sjis, missing_target(engine, target));
        return false;
    }
    return true;
}

} // namespace advplay::script
