// The scenario path as start-up examines it, and the existence test of data files.
#pragma once

#include <string_view>

namespace advplay::platform {
class Files;
}

namespace advplay::app {

enum class ScenarioPathKind {
    Missing = 0,
    File = 1,
    Folder = 2,
};
ScenarioPathKind check_scenario_path(platform::Files& files, std::string_view path);
bool file_exists(platform::Files& files, std::string_view path);

} // namespace advplay::app
