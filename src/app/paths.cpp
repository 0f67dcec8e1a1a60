// The scenario path as start-up examines it, and the existence test of data files.
#include "app/paths.h"

#include "platform/files.h"

namespace advplay::app {

ScenarioPathKind check_scenario_path(platform::Files& files, std::string_view path)
{
    switch (files.kind(path)) {
    case platform::PathKind::File:
        return ScenarioPathKind::File;
    case platform::PathKind::Folder:
        return ScenarioPathKind::Folder;
    case platform::PathKind::Missing:
        break;
    }
    return ScenarioPathKind::Missing;
}

bool file_exists(platform::Files& files, std::string_view path)
{
    return files.kind(path) != platform::PathKind::Missing;
}

} // namespace advplay::app
