// The headless backend's services.
#include "platform/headless/headless_backend.h"

#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/recording_audio.h"
#include "platform/headless/recording_media_player.h"
#include "platform/headless/recording_midi_out.h"
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_timer.h"
#include "platform/host_services.h"

namespace advplay::platform {

std::optional<Services> make_headless_backend(const BackendOptions& options)
{
    Services services;
    auto clock = std::make_unique<VirtualClock>();
    if (options.date) {
        auto const start = parse_date_time(*options.date);
        if (!start) {
            options.say(
                "--date wants \"YYYY-MM-DD HH:MM:SS\" with a real date, not \"" + *options.date + "\"");
            return std::nullopt;
        }
        clock->set_calendar(*start);
    }
    add_host_services(options, services);
    services.midi_timer = std::make_unique<VirtualTimer>(*clock);
    services.midi_out = std::make_unique<RecordingMidiOut>(*clock);
    services.clock = std::move(clock);
    auto window = std::make_unique<HeadlessWindow>();
    window->set_linear_filter(options.linear_filter);
    services.window = std::move(window);
    services.message_box = std::make_unique<HeadlessMessageBox>(
        *options.error_output, *services.encoding, options.answer, options.english_messages);
    services.audio = std::make_unique<RecordingAudio>();
    services.media = std::make_unique<RecordingMediaPlayer>(*services.clock);
    return services;
}

} // namespace advplay::platform
