// Line reader: the current line, its tokens, and the argument fetchers every command handler uses.
#pragma once

#include "script/script_string.h"

#include <cstdint>
#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::script {

// Reads the next line of the current script into current_line; false at the end of the script.
bool read_next_line(Engine& engine);

// The next raw token of current_line into token (empty at the end of the line, again and again).
void next_token(Engine& engine);
// next_token, then bracket references expanded.
void next_string(Engine& engine);
// next_string, then its integer value.
std::int32_t next_int(Engine& engine);

// An optional sign followed by one or more decimal digits and nothing else.
bool is_number(std::string_view text);
// Empty text is 0; a number is converted (values beyond 32 bits stop at the nearest limit); anything
// else is an integer variable's value, or 0 after a missing-variable report.
std::int32_t int_value(Engine& engine, std::string_view text);
// Replaces bracket references in place, innermost first, left to right. False, after a script error,
// when a replacement would outgrow the engine's strings: the text keeps what was expanded before.
bool expand_brackets(Engine& engine, ScriptString& text);

} // namespace advplay::script
