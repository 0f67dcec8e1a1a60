// The "config" script: declarations and settings read once at start-up.
#pragma once

namespace advplay {
class Engine;
}

namespace advplay::app {

// Reads every line of the script "config", if there is one, whatever its first byte, and acts on
// ".int", ".str", ".scr", ".bgc", ".cap" and ".cur"; any other line is passed over in silence.
void run_config_script(Engine& engine);

// Declares the variables named by the rest of current_line. A name with "[" declares an array:
// the part before it followed by 0 .. count - 1, where the count is the rest of the token with its
// bracket references expanded (at most 100,000 members).
void declare_variables(Engine& engine, bool integers);

} // namespace advplay::app
