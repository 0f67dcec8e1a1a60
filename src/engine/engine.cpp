// Engine: the parts that need the whole types of what it holds by pointer.
#include "engine/engine.h"

#include "media/midi_sequencer.h"

namespace advplay {

Engine::Engine(const Platform& services, const script::CommandSet& command_set)
    : platform(services)
    , commands(command_set)
{
}

Engine::~Engine() = default;

} // namespace advplay
