// Start-up: from the ini file to the interpreter standing at the script "start".
#pragma once

#include "app/ini_file.h"

namespace advplay {
class Engine;
}

namespace advplay::app {

enum class StartupResult {
    Ready,
    // A message box has told the player why; the process ends.
    Failed,
};

// Reads the settings, loads the scenario and positions the interpreter at "start".
StartupResult start_up(Engine& engine, const IniFile& ini);

} // namespace advplay::app
