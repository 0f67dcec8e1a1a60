// The .mid command: plays a song with the MIDI sequencer, or stops it.
#pragma once

namespace advplay {
class Engine;
}

namespace advplay::media {

// ".mid NAME LOOP": loads NAME (in the data folder, ".mid" unless it has an extension), loops it
// when LOOP is not 0, and plays it; a song that cannot be read leaves the one loaded before to play
// again. ".mid stop" stops the music. Nothing is reported to the script.
void mid_command(Engine& engine);

} // namespace advplay::media
