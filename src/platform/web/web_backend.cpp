// The web backend's services.
#include "platform/web/web_backend.h"

#include "platform/calendar.h"
#include "platform/host_services.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_library.h"
#include "platform/sdl/sdl_media_player.h"
#include "platform/sdl/sdl_mixer.h"
#include "platform/sdl/sdl_window_services.h"
#include "platform/web/web_clock.h"
#include "platform/web/web_midi_out.h"

#include <SDL.h>
#include <emscripten/emscripten.h>

// The page ends the game playing when the player chooses another, as closing its window would:
// SDL_QUIT is what the SDL window turns into the engine's close request. It may be called while the
// game sleeps, since it does not sleep itself.
extern "C" EMSCRIPTEN_KEEPALIVE void advplay_close_game()
{
    SDL_Event event {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

namespace advplay::platform {

namespace {

// SDL and the sound device, shut down after everything that used them.
struct WebFoundation {
    SdlLibrary library;
    SdlMixer mixer;
};

} // namespace

std::optional<Services> make_web_backend(const BackendOptions& options)
{
    Services services;
    add_host_services(options, services);
    auto foundation = std::make_shared<WebFoundation>();
    SdlMixer& mixer = foundation->mixer;
    services.foundation = foundation;
    if (!mixer.is_open())
        options.say(mixer.error() + "; the game plays without sound");
    std::optional<LocalTime> calendar;
    if (options.date) {
        calendar = parse_date_time(*options.date);
        if (!calendar)
            options.say("--date needs \"YYYY-MM-DD HH:MM:SS\"; the real calendar is used");
    }
    services.clock = std::make_unique<WebClock>(calendar);
    services.midi_timer = std::make_unique<WebTimer>();
    services.midi_out = std::make_unique<WebMidiOut>();
    add_sdl_window_services(options, services);
    services.audio = std::make_unique<SdlAudio>(mixer);
    services.media = std::make_unique<SdlMediaPlayer>(*services.clock, mixer);
    // One page is one copy of the game.
    return services;
}

} // namespace advplay::platform
