// The engine's command table and state actions.
#pragma once

#include "script/command_set.h"

namespace advplay::app {

// Every command word of the scenario language with its kind and handler. Built once; never changes.
const script::CommandSet& standard_commands();

} // namespace advplay::app
