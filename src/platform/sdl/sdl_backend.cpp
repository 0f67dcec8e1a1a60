// The SDL backend's services.
#include "platform/sdl/sdl_backend.h"

#include "platform/alsa/alsa_messages.h"
#include "platform/alsa/alsa_midi_out.h"
#include "platform/fluidsynth/fluid_synthesizer.h"
#include "platform/host_services.h"
#include "platform/posix/instance_lock.h"
#include "platform/posix/steady_clock.h"
#include "platform/posix/thread_timer.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_library.h"
#include "platform/sdl/sdl_media_player.h"
#include "platform/sdl/sdl_mixer.h"
#include "platform/sdl/sdl_synth_out.h"
#include "platform/sdl/sdl_window_services.h"

namespace advplay::platform {

namespace {

// SDL itself and the sound device that the music, the media and the beep play through. The library
// is shut down last, after everything that used it.
struct SdlFoundation {
    SdlLibrary library;
    SdlMixer mixer;
};

// The music's output: the ALSA port asked for, else the synthesiser with the SoundFont asked for or
// the installed one. One that cannot sound is still made, so the music plays silently, and the
// player is told why.
std::unique_ptr<MidiOut> make_midi_out(const BackendOptions& options, SdlMixer& mixer)
{
    if (options.midi_port) {
        auto port = std::make_unique<AlsaMidiOut>(*options.midi_port);
        if (!port->error().empty())
            options.say(port->error() + "; the music is silent");
        return port;
    }
    auto synthesizer = std::make_unique<SdlSynthOut>(
        options.soundfont ? *options.soundfont : std::string(kDefaultSoundFont), mixer);
    // Without a sound device the player has been told already.
    if (!synthesizer->error().empty() && synthesizer->error() != mixer.error())
        options.say(synthesizer->error() + "; the music is silent");
    return synthesizer;
}

} // namespace

std::optional<Services> make_sdl_backend(const BackendOptions& options)
{
    if (options.date)
        options.say("--date applies to --headless runs only; the real calendar is used");
    keep_alsa_messages_for_debug(options.debug);
    Services services;
    add_host_services(options, services);
    auto foundation = std::make_shared<SdlFoundation>();
    SdlMixer& mixer = foundation->mixer;
    services.foundation = foundation;
    if (!mixer.is_open())
        options.say(mixer.error() + "; the game plays without sound");
    services.clock = std::make_unique<SteadyClock>();
    services.midi_timer = std::make_unique<ThreadTimer>();
    services.midi_out = make_midi_out(options, mixer);
    add_sdl_window_services(options, services);
    services.audio = std::make_unique<SdlAudio>(mixer);
    services.media = std::make_unique<SdlMediaPlayer>(*services.clock, mixer);
    services.single_instance = std::make_unique<InstanceLock>(options.game_folder);
    return services;
}

} // namespace advplay::platform
