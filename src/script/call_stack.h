// CallStack: return positions of subroutine calls.
#pragma once

#include "script/script_string.h"

#include <cstdint>
#include <string>
#include <vector>

namespace advplay::script {

struct CallFrame {
    // Lower-cased name of the calling script.
    std::string file_name;
    // Number of the calling line; the return continues after it.
    std::int32_t line_index { 0 };
    // Pushed from the middle of a message-text line, whose rest is shown again on return.
    bool resume { false };
    ScriptString resume_text;
};

using CallStack = std::vector<CallFrame>;

} // namespace advplay::script
