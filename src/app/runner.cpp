// Running a game: builds the platform backend (the SDL window or the headless one), starts the
// engine and runs the frame loop; replays scripted input and writes screenshots.
#include "app/runner.h"

#include "app/command_table.h"
#include "app/frame_loop.h"
#include "app/scripted_input.h"
#include "app/startup.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "graphics/color.h"
#include "platform/codecs/host_image_codecs.h"
#include "platform/fonts/freetype_fonts.h"
#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/recording_audio.h"
#include "platform/headless/recording_media_player.h"
#include "platform/headless/recording_midi_out.h"
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_timer.h"
#include "platform/posix/host_files.h"
#include "platform/posix/instance_lock.h"
#include "platform/posix/png_writer.h"
#include "platform/sdl/alsa_midi_out.h"
#include "platform/sdl/steady_clock.h"
#include "platform/sdl/thread_timer.h"
#include "platform/text_output.h"
#if ADVPLAY_HAVE_SDL
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_library.h"
#include "platform/sdl/sdl_media_player.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/sdl/sdl_mixer.h"
#include "platform/sdl/sdl_synth_out.h"
#include "platform/sdl/sdl_window.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace advplay::app {

namespace {

enum class Headless {
    No,
    Yes,
};

void say(const std::string& text)
{
    std::fprintf(stderr, "advplay: %s\n", text.c_str());
}

bool has_extension(std::string_view name, std::string_view extension)
{
    return name.size() > extension.size()
        && lower_ascii(name.substr(name.size() - extension.size())) == extension;
}

// The game's ini file: the one named on the command line, else the one named after the game's only
// executable, else the only one there is. Defaults apply without one.
std::optional<std::string> choose_ini(platform::Files& files, const CommandLine& line, std::string& error)
{
    if (line.ini_name)
        return *line.ini_name;
    auto entries = files.list_folder(".");
    if (!entries)
        return std::nullopt;
    std::vector<std::string> executables;
    std::vector<std::string> inis;
    for (auto const& entry : *entries) {
        if (entry.is_folder)
            continue;
        if (has_extension(entry.name, ".exe"))
            executables.push_back(entry.name);
        if (has_extension(entry.name, ".ini"))
            inis.push_back(entry.name);
    }
    if (executables.size() == 1) {
        std::string const& exe = executables.front();
        return exe.substr(0, exe.size() - 4) + ".ini";
    }
    if (inis.size() == 1)
        return inis.front();
    if (inis.size() > 1) {
        error = "the game folder has several ini files; choose one with --ini:";
        for (auto const& name : inis)
            error += " " + name;
    }
    return std::nullopt;
}

// What the window shows, as 24-bit RGB with each channel widened as the engine widens colours.
bool write_screenshot(const std::string& host_path, const std::uint16_t* pixels, std::ptrdiff_t pitch)
{
    constexpr int kWidth = 640;
    constexpr int kHeight = 480;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::uint16_t const pixel = pixels[y * pitch + x];
            std::uint8_t* out = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
            out[0] = static_cast<std::uint8_t>(graphics::kExpandTable[(pixel >> 10) & 31]);
            out[1] = static_cast<std::uint8_t>(graphics::kExpandTable[(pixel >> 5) & 31]);
            out[2] = static_cast<std::uint8_t>(graphics::kExpandTable[pixel & 31]);
        }
    }
    return platform::write_png_rgb(host_path, kWidth, kHeight, rgb);
}

// Whether the game waits for what only a player gives: a click, a choice, or the click that ends a
// movie playing over and over. A movie that ends by itself, or that never started, moves it on.
bool waits_for_player_only(const Engine& engine)
{
    using script::State;
    switch (engine.interpreter.state) {
    case State::TextClickWait:
    case State::TextClearWait:
    case State::ClickWait:
    case State::ClearWait:
    case State::ChoiceWait:
        return true;
    case State::MoviePlaying:
        return engine.media.movie.IsPlaying() && engine.media.movie.repeating();
    default:
        return false;
    }
}

// The loop's additions for one run: the replay of --input, and calls from other copies.
class RunHooks final : public FrameHooks {
public:
    RunHooks(std::optional<InputPlayer> input, platform::InstanceLock* lock,
        std::function<void(const std::string&)> shot, Headless headless)
        : m_input(std::move(input))
        , m_lock(lock)
        , m_shot(std::move(shot))
        , m_headless(headless)
    {
    }

    void before_events(Engine& engine) override
    {
        if (m_lock && m_lock->raise_requested())
            engine.platform.window.raise();
        if (!m_input)
            return;
        for (auto const& action : m_input->due(engine.platform.clock.now(), engine.interpreter.state))
            perform(engine, action);
    }

    // Only a headless run: in a window the player is there to click. Its clock moves on while the
    // game waits, so without this it would wait for ever, a core busy with it.
    bool stalled(const Engine& engine) override
    {
        return m_headless == Headless::Yes && !(m_input && m_input->can_go_on())
            && waits_for_player_only(engine);
    }

private:
    void perform(Engine& engine, const InputAction& action)
    {
        platform::Window& window = engine.platform.window;
        platform::Event event;
        event.button = action.button;
        event.x = action.x;
        event.y = action.y;
        switch (action.kind) {
        case InputAction::Kind::Click:
        case InputAction::Kind::Press:
            window.warp_cursor({ action.x, action.y });
            event.type = platform::EventType::ButtonDown;
            window.post_event(event);
            if (action.kind == InputAction::Kind::Click) {
                event.type = platform::EventType::ButtonUp;
                window.post_event(event);
            }
            break;
        case InputAction::Kind::Release:
            event.type = platform::EventType::ButtonUp;
            window.post_event(event);
            break;
        case InputAction::Kind::Move:
            window.warp_cursor({ action.x, action.y });
            break;
        case InputAction::Kind::Key:
            event.key = action.key;
            event.alt = action.alt;
            if (action.phase != KeyPhase::Up) {
                event.type = platform::EventType::KeyDown;
                event.repeat = action.phase == KeyPhase::Repeat;
                window.post_event(event);
            }
            if (action.phase == KeyPhase::Tap || action.phase == KeyPhase::Up) {
                event.type = platform::EventType::KeyUp;
                event.repeat = false;
                window.post_event(event);
            }
            break;
        case InputAction::Kind::Shot:
            m_shot(action.file);
            break;
        case InputAction::Kind::Close:
            window.post_close_request();
            break;
        }
    }

    std::optional<InputPlayer> m_input;
    platform::InstanceLock* m_lock;
    std::function<void(const std::string&)> m_shot;
    Headless m_headless;
};

// The line that ends a stalled run: the wait and the script line that began it.
std::string stall_report(const Engine& engine, bool has_input)
{
    std::string report = has_input ? "waiting for input that the --input file does not give: "
                                   : "waiting for input, and a headless run without --input gets none: ";
    report += script::state_name(engine.interpreter.state);
    report += " at ";
    report += engine.platform.encoding.to_utf8(engine.store.position().file_name);
    report += ':';
    report += std::to_string(engine.store.position().line_index);
    return report;
}

// The window, boxes and sound of a run, real or headless.
struct Backend {
#if ADVPLAY_HAVE_SDL
    // First, so that it is destroyed after everything else that uses SDL.
    std::unique_ptr<platform::SdlLibrary> sdl;
    // The sound device, which the music, the media and the beep play through.
    std::unique_ptr<platform::SdlMixer> mixer;
#endif
    std::unique_ptr<platform::Clock> clock;
    std::unique_ptr<platform::Window> window;
    std::unique_ptr<platform::MessageBox> message_box;
    std::unique_ptr<platform::Audio> audio;
    // The headless window, when this is a headless run: screenshots come from what it shows.
    platform::HeadlessWindow* headless_window { nullptr };
    // Movies, music, CD tracks and sound effects; after the window and the clock, which it uses.
    std::unique_ptr<platform::MediaPlayer> media;
    // The MIDI sequencer's timer (after the clock, which a virtual timer listens to) and output.
    std::unique_ptr<platform::PeriodicTimer> midi_timer;
    std::unique_ptr<platform::MidiOut> midi_out;
};

// The music's output: the ALSA port of --midi-port, else the synthesiser with --soundfont or the
// installed SoundFont. One that cannot sound is still made, so the music plays silently, and the
// player is told why.
std::unique_ptr<platform::MidiOut> make_midi_out(const CommandLine& line, [[maybe_unused]] Backend& backend)
{
    if (line.midi_port) {
        auto port = std::make_unique<platform::AlsaMidiOut>(*line.midi_port);
        if (!port->error().empty())
            say(port->error() + "; the music is silent");
        return port;
    }
#if ADVPLAY_HAVE_SDL
    auto synthesizer = std::make_unique<platform::SdlSynthOut>(
        line.soundfont ? *line.soundfont : std::string(platform::kDefaultSoundFont), *backend.mixer);
    // Without a sound device the player has been told already.
    if (!synthesizer->error().empty() && synthesizer->error() != backend.mixer->error())
        say(synthesizer->error() + "; the music is silent");
    return synthesizer;
#else
    return nullptr;
#endif
}

std::optional<Backend> make_backend(
    const CommandLine& line, const platform::TextEncoding& encoding, platform::TextOutput& error_output)
{
    Backend backend;
    if (line.headless) {
        auto clock = std::make_unique<platform::VirtualClock>();
        if (line.date) {
            auto const start = platform::parse_date_time(*line.date);
            if (!start) {
                say("--date wants \"YYYY-MM-DD HH:MM:SS\" with a real date, not \"" + *line.date + "\"");
                return std::nullopt;
            }
            clock->set_calendar(*start);
        }
        backend.midi_timer = std::make_unique<platform::VirtualTimer>(*clock);
        backend.midi_out = std::make_unique<platform::RecordingMidiOut>(*clock);
        backend.clock = std::move(clock);
        auto window = std::make_unique<platform::HeadlessWindow>();
        backend.headless_window = window.get();
        backend.window = std::move(window);
        backend.message_box = std::make_unique<platform::HeadlessMessageBox>(error_output, encoding,
            line.answer == YesNo::Yes ? platform::MessageBoxAnswer::Yes : platform::MessageBoxAnswer::No);
        backend.audio = std::make_unique<platform::RecordingAudio>();
        backend.media = std::make_unique<platform::RecordingMediaPlayer>(*backend.clock);
        return backend;
    }
    if (line.date)
        say("--date applies to --headless runs only; the real calendar is used");
#if ADVPLAY_HAVE_SDL
    backend.sdl = std::make_unique<platform::SdlLibrary>();
    backend.mixer = std::make_unique<platform::SdlMixer>();
    if (!backend.mixer->is_open())
        say(backend.mixer->error() + "; the game plays without sound");
    backend.clock = std::make_unique<platform::SteadyClock>();
    backend.midi_timer = std::make_unique<platform::ThreadTimer>();
    backend.midi_out = make_midi_out(line, backend);
    auto window = std::make_unique<platform::SdlWindow>(
        encoding, platform::SdlWindowOptions { line.scale, line.linear_filter });
    backend.message_box = std::make_unique<platform::SdlMessageBox>(encoding, *window);
    backend.window = std::move(window);
    backend.audio = std::make_unique<platform::SdlAudio>(*backend.mixer);
    backend.media = std::make_unique<platform::SdlMediaPlayer>(*backend.clock, *backend.mixer);
    return backend;
#else
    say("this advplay was built without SDL2: only --headless runs are possible");
    return std::nullopt;
#endif
}

// The user's additions to the font table: --font-map, else ADVPLAY_FONT_MAP. Nothing, after saying
// why, when the file cannot be read or has a line of another form.
std::optional<platform::FontMap> load_font_map(const CommandLine& line)
{
    char const* variable = std::getenv("ADVPLAY_FONT_MAP");
    std::string const path = line.font_map ? *line.font_map : (variable ? variable : "");
    if (path.empty())
        return platform::FontMap {};
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        say("cannot read the font map " + path);
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string error;
    auto map = platform::parse_font_map(text.str(), error);
    if (!map)
        say(path + ": " + error);
    return map;
}

std::optional<InputPlayer> load_input(const CommandLine& line, bool& failed)
{
    failed = false;
    if (!line.input)
        return std::nullopt;
    std::ifstream file(*line.input, std::ios::binary);
    if (!file) {
        say("cannot read the input file " + *line.input);
        failed = true;
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    auto parsed = parse_input_script(text.str());
    if (!parsed.script) {
        say(*line.input + ":" + parsed.error);
        failed = true;
        return std::nullopt;
    }
    return InputPlayer(std::move(*parsed.script));
}

} // namespace

int run_game(const CommandLine& line, const std::string& demo_folder)
{
    std::string const folder = line.operands.empty() ? demo_folder : line.operands.front();
    std::error_code status;
    if (!std::filesystem::is_directory(folder, status)) {
        say("no game folder at " + folder);
        return kExitStartupFailed;
    }
    std::string const root = std::filesystem::absolute(folder, status).lexically_normal().string();

    bool input_failed = false;
    auto input = load_input(line, input_failed);
    if (input_failed)
        return kExitUsage;

    auto font_map = load_font_map(line);
    if (!font_map)
        return kExitUsage;

    platform::TextEncoding encoding;
    platform::HostFiles files(root, encoding);
    platform::FreeTypeFonts fonts(encoding, std::move(*font_map));
    platform::FileOutput error_output(stderr);
    auto backend = make_backend(line, encoding, error_output);
    if (!backend)
        return line.headless ? kExitUsage : kExitStartupFailed;

    std::string error;
    auto const ini_name = choose_ini(files, line, error);
    if (!error.empty()) {
        say(error);
        return kExitStartupFailed;
    }
    IniFile ini;
    if (ini_name) {
        persist::ByteBuffer bytes;
        if (bytes.load_file(files, *ini_name))
            ini = IniFile::parse(
                bytes.view(), [&encoding](const std::string& text) { return encoding.to_sjis(text); });
        else if (line.ini_name)
            say("cannot read the ini file " + *ini_name + "; using the defaults");
    }

    platform::HostImageCodecs images;
    Engine engine({ *backend->clock, *backend->window, *backend->message_box, files, encoding,
                      backend->audio.get(), &images, &fonts },
        standard_commands());
    if (line.trace)
        engine.trace = &error_output;
    engine.media.link.player = backend->media.get();
    engine.midi = std::make_unique<media::MidiSequencer>(
        *backend->clock, backend->midi_timer.get(), backend->midi_out.get());
    auto& internal_errors = engine.graphics.internal_errors;
    char const* debug_variable = std::getenv("ADVPLAY_DEBUG");
    internal_errors.debug_output = line.debug || (debug_variable && std::string_view(debug_variable) == "1");
    internal_errors.debug_sink = [&encoding](std::string_view line_text) {
        std::string const utf8 = encoding.to_utf8(line_text);
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    };

    // A headless run is a test or a batch job: any number may run side by side.
    std::unique_ptr<platform::InstanceLock> lock;
    StartupOptions options { line.seed, {}, line.allow_outside_paths,
        [](const std::string& text) { say(text); } };
    files.on_refused([&encoding, &internal_errors](std::string_view path) {
        if (internal_errors.debug_output)
            say("refused a path that leads out of the game folder: " + encoding.to_utf8(path));
    });
    if (!line.headless) {
        lock = std::make_unique<platform::InstanceLock>(root);
        options.claim_single_instance = [&lock] { return lock->claim(); };
    }

    auto const shot = [&engine, &backend](const std::string& path) {
        bool written = false;
        if (backend->headless_window)
            written = write_screenshot(path, backend->headless_window->picture().data(), 640);
        else if (engine.graphics.display_surface.pixels())
            written = write_screenshot(
                path, engine.graphics.display_surface.pixels(), engine.graphics.display_surface.pitch());
        if (!written)
            say("cannot write the screenshot " + path);
    };

    switch (start_up(engine, ini, options)) {
    case StartupResult::Ready:
        break;
    case StartupResult::AlreadyRunning:
        return kExitEnded;
    case StartupResult::Failed:
#if ADVPLAY_HAVE_SDL
        if (!line.headless) {
            auto const* window = static_cast<const platform::SdlWindow*>(backend->window.get());
            if (!window->error().empty())
                say(window->error());
        }
#endif
        return kExitStartupFailed;
    }

    bool const has_input = input.has_value();
    RunHooks hooks(std::move(input), lock.get(), shot, line.headless ? Headless::Yes : Headless::No);
    RunEnd const end = frame_loop(engine, { line.max_time, line.max_passes }, &hooks);
    if (end == RunEnd::Stalled)
        say(stall_report(engine, has_input));
    if (line.screenshot)
        shot(*line.screenshot);
    return end == RunEnd::Closed ? kExitEnded : kExitLimit;
}

} // namespace advplay::app
