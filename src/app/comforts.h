// The player's comforts that act on window events before the game sees them: for now, hiding the
// message text to look at the picture.
#pragma once

#include "platform/window.h"

namespace advplay {
class Engine;
}

namespace advplay::app {

// Takes the event when it is a comfort's; false leaves it to the game. While the game waits for
// the player, H or the middle button shows the picture without the message text; the next key or
// click only brings the text back.
bool comfort_event(Engine& engine, const platform::Event& event);

// Whether the window shows the picture without the text, so that the game's own presents wait.
bool text_hidden(const Engine& engine);

} // namespace advplay::app
