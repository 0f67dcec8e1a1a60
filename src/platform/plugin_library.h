// PluginLibrary: a shared library of the game's, loaded so that the engine can call the functions it
// exports by name.
#pragma once

#include <memory>
#include <string>

namespace advplay::platform {

// A loaded library; destroying the object unloads it, after which no address it gave out may be used.
class PluginLibrary {
public:
    virtual ~PluginLibrary() = default;
    // The address of the exported function `name`, or null when the library has none by that name.
    virtual void* function(const char* name) = 0;
};

} // namespace advplay::platform
