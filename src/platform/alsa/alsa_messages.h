// The ALSA library's own messages: it writes them to stderr when it finds no sound card, which a
// player need not read. They are kept for debug output.
#pragma once

namespace advplay::platform {

// Silences the library's messages unless `debug` is set, for the whole process: SDL's sound
// driver and the sequencer port share the one library.
void keep_alsa_messages_for_debug(bool debug);

} // namespace advplay::platform
