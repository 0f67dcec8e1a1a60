// Flow control: case blocks, jumps, subroutine calls and returns.
#pragma once

#include <cstddef>
#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::script {

// Frames beyond this many report an error and end the game instead of exhausting memory.
constexpr std::size_t kMaxCallDepth = 100'000;

// The four handlers; each returns success, and the interpreter ends the game on failure.
bool case_command(Engine& engine);
bool skip_command(Engine& engine);
bool jump_command(Engine& engine);
bool sub_command(Engine& engine);

// Jumps to `target` as .jmp does, for the handler and for the click jumps and choices that jump
// without a script line: inside a subroutine the target may not leave the current script. False,
// after the report, when it is refused or does not exist.
bool jump_to(Engine& engine, std::string_view target);

// Moves to a jump target (":label", "script:label", ";n", "script;n", "script", or "" for the
// start of the current script) without reporting anything; false when it does not exist.
bool goto_target(Engine& engine, std::string_view target);

// A subroutine call from the middle of a message-text line: the rest of the line is shown again
// when the subroutine returns. False (after the report) when the target does not exist.
bool call_with_resume(Engine& engine, std::string_view target, std::string_view resume_text);

} // namespace advplay::script
