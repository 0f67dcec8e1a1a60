// The main window as the engine sees it: caption and close requests.
#pragma once

#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::app {

// Keeps the Shift-JIS text as the caption and shows it as the window title; false if refused.
bool set_caption(Engine& engine, std::string_view text);

} // namespace advplay::app
