// Input: what the mouse buttons and keys do to the game, and the cursor commands.
#pragma once

#include "platform/window.h"

namespace advplay {
class Engine;
}

namespace advplay::app {

// Window events, in the order the window delivers them. Enter and Space stand for the left and
// right button: they post button events at the cursor, which then take the buttons' own way.
void key_down(Engine& engine, platform::Key key, bool repeat);
void key_up(Engine& engine, platform::Key key);
void button_down(Engine& engine, platform::MouseButton button, std::int32_t x, std::int32_t y);
void button_up(Engine& engine, platform::MouseButton button);

// .cur name | show | hide | normal
void cursor_command(Engine& engine);
// .mcm x y: glides the cursor to (x, y) in 32 steps of 5 ms.
void move_cursor_command(Engine& engine);
// .lcl target mode / .rcl target mode, or "delete".
void left_click_jump_command(Engine& engine);
void right_click_jump_command(Engine& engine);

// The name Enter exports the loaded scenario under, in the game folder.
inline constexpr char kExportName[] = "mordax.scn";

} // namespace advplay::app
