// Backends: each folder under platform/ that builds one registers a factory, and the factory builds
// the whole set of services a run needs. The application picks a factory by name and sees only the
// interfaces, so a new backend is a new folder and nothing else.
#pragma once

#include "platform/font_rasterizer.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace advplay::platform {

class Audio;
class Clock;
class Files;
class FontRasterizer;
class ImageCodecs;
class MediaPlayer;
class MidiOut;
class PeriodicTimer;
class TextEncoding;
class TextOutput;
class Window;

// What the player asked for that a backend may need. A backend ignores what it has no use for, and
// says so where a player would otherwise wonder.
struct BackendOptions {
    // The game folder, an absolute host path: the files the game may reach.
    std::string game_folder;
    // The player's additions to the font table.
    FontMap font_map;
    // The window: a whole-number scale (0 for the largest that fits) and smoothing for fractions.
    int scale { 0 };
    bool linear_filter { false };
    // What a Yes/No message box answers when nobody is there to click: Yes or No.
    MessageBoxAnswer answer { MessageBoxAnswer::No };
    // Message boxes add the English reading of each engine text under the Japanese one.
    bool english_messages { false };
    // "YYYY-MM-DD HH:MM:SS": the calendar at the start of a run on a virtual clock.
    std::optional<std::string> date;
    // The music's output: an ALSA sequencer port, else a synthesiser with this SoundFont.
    std::optional<std::string> midi_port;
    std::optional<std::string> soundfont;
    // Where message boxes without a screen are written, and the run's error output.
    TextOutput* error_output { nullptr };
    // The player asked for debug output: libraries' own chatter is kept rather than silenced.
    bool debug { false };
    // One line for the player on the error output.
    std::function<void(const std::string&)> say;
    // Told each path the files refused because it leads out of the game folder (Shift-JIS).
    std::function<void(std::string_view)> on_refused_path;
};

// The platform services of one run, owned together. Members are destroyed in reverse order, so each
// outlives what was built on it.
struct Services {
    Services();
    ~Services();
    Services(Services&&) noexcept;
    Services& operator=(Services&&) noexcept;

    // What the rest stands on (a library's start-up, the sound device); destroyed last.
    std::shared_ptr<void> foundation;
    std::unique_ptr<TextEncoding> encoding;
    std::unique_ptr<Files> files;
    std::unique_ptr<FontRasterizer> fonts;
    std::unique_ptr<ImageCodecs> images;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Window> window;
    std::unique_ptr<MessageBox> message_box;
    // The sound output; none leaves the beep silent.
    std::unique_ptr<Audio> audio;
    // Movies, music, CD tracks and sound effects.
    std::unique_ptr<MediaPlayer> media;
    // The MIDI sequencer's timer and output.
    std::unique_ptr<PeriodicTimer> midi_timer;
    std::unique_ptr<MidiOut> midi_out;
    // None where any number of copies may run side by side.
    std::unique_ptr<SingleInstance> single_instance;
};

struct BackendEntry {
    // What the player names it by.
    std::string_view name;
    // Nobody is there to play: the clock moves only as the game runs, so a wait for a click that
    // scripted input does not give ends the run instead of waiting for ever.
    bool unattended { false };
    // The services, or nothing after saying why. A failure of an unattended backend is a fault of
    // the command line; of any other, of the machine it runs on.
    std::optional<Services> (*make)(const BackendOptions& options) { nullptr };
};

// The backends built into this program, in the order of their folders.
std::span<const BackendEntry> backends();
// The backend called `name`, or nullptr.
const BackendEntry* find_backend(std::string_view name);
// The first backend with a player in front of it, or nullptr when none was built in.
const BackendEntry* default_backend();

} // namespace advplay::platform
