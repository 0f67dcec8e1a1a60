// The ALSA library's own messages.
#include "platform/alsa/alsa_messages.h"

#include <alsa/asoundlib.h>

namespace advplay::platform {

namespace {

void drop_message(const char*, int, const char*, int, const char*, ...) { }

} // namespace

void keep_alsa_messages_for_debug(bool debug)
{
    // A null handler restores the library's own, which writes to stderr.
    snd_lib_error_set_handler(debug ? nullptr : &drop_message);
}

} // namespace advplay::platform
