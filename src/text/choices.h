// Choices: registering them with .slt, showing them as lines of the message window, highlighting
// the one under the cursor, and taking it on a left click.
#pragma once

#include <optional>
#include <string>

namespace advplay {
class Engine;
}

namespace advplay::text {

// .slt add text target | delete | exec. True only when exec has shown choices; the text is then
// refreshed and hurrying stops, and the interpreter waits in ChoiceWait.
bool slt_command(Engine& engine);

// One pass of ChoiceWait: finds the choice under the cursor and draws every choice line again, the
// hovered choice in the selected colours and the others in the not-selected ones.
void highlight_choices(Engine& engine);

// A left click in ChoiceWait: nothing, changing nothing, when no choice with a target is hovered.
// Otherwise the table is emptied and the chosen target returned, for the jump.
std::optional<std::string> take_choice(Engine& engine);

} // namespace advplay::text
