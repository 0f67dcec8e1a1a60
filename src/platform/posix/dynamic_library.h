// Shared libraries loaded with the system's dynamic loader.
#pragma once

#include "platform/plugin_library.h"

#include <memory>
#include <string>

namespace advplay::platform {

// Loads the library at `host_path` with its symbols kept to itself, so that two plug-ins exporting
// the same names never see each other's. Null when it cannot be loaded.
std::unique_ptr<PluginLibrary> open_dynamic_library(const std::string& host_path);

} // namespace advplay::platform
