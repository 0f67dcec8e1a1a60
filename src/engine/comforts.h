// What the player's comforts keep between two window events; the original had none of them, and
// a player who uses none leaves this as it starts.
#pragma once

#include "platform/window.h"

#include <optional>

namespace advplay {

struct Comforts {
    // The message text is out of the window (H or the middle button) until the next key or click.
    bool hidden { false };
    // The key or button that brought the text back, or hid it: its repeats and its release are the
    // comfort's too, and the game never sees them.
    std::optional<platform::Key> swallowed_key;
    std::optional<platform::MouseButton> swallowed_button;
};

} // namespace advplay
