// Start-up: from the ini file to the interpreter standing at the script "start".
#pragma once

#include "app/ini_file.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace advplay {
class Engine;
}

namespace advplay::app {

enum class StartupResult {
    Ready,
    // A message box has told the player why; the process ends.
    Failed,
    // Another copy of the game runs and was brought to the front; this one ends quietly.
    AlreadyRunning,
};

struct StartupOptions {
    // Seeds the random generator instead of the clock, so that runs repeat.
    std::optional<std::uint32_t> seed;
    // Claims the game for this copy; false when another copy runs, which this copy has then asked
    // to come to the front. Without it every copy runs.
    std::function<bool()> claim_single_instance;
    // The ini file's folders may lie outside the game folder; without it such a folder is refused
    // and `say` is told.
    bool allow_outside_paths { false };
    std::function<void(const std::string&)> say;
};

// Reads the settings, loads the scenario, runs the config script and positions the interpreter at
// "start".
StartupResult start_up(Engine& engine, const IniFile& ini, const StartupOptions& options = {});

} // namespace advplay::app
