// The midi-render subcommand where no synthesiser is built in (the web build, whose music the page
// synthesises): it says so and fails.
#include "app/runner.h"

#include <cstdio>

namespace advplay::app {

int run_midi_render(const CommandLine&)
{
    std::fprintf(stderr, "advplay: midi-render needs FluidSynth, which this build of advplay does not have\n");
    return kExitUsage;
}

} // namespace advplay::app
