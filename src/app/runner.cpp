// Running a game: has the chosen backend build its services, starts the engine on them and runs the
// frame loop; replays scripted input and writes screenshots.
#include "app/runner.h"

#include "app/command_table.h"
#include "app/frame_loop.h"
#include "app/player_settings.h"
#include "app/scripted_input.h"
#include "app/startup.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "graphics/color.h"
#include "media/midi_sequencer.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/fonts/freetype_fonts.h"
#include "platform/media_player.h"
#include "platform/message_box.h"
#include "platform/midi_out.h"
#include "platform/posix/png_writer.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"
#include "platform/window.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <tuple>

namespace advplay::app {

namespace {

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
    if (script::waits_for_click(engine.interpreter.state))
        return true;
    return engine.interpreter.state == script::State::MoviePlaying && engine.media.movie.IsPlaying()
        && engine.media.movie.repeating();
}

// Where F9 puts its pictures: $XDG_PICTURES_DIR/advplay, else ~/Pictures/advplay.
std::filesystem::path screenshot_folder()
{
    if (char const* pictures = std::getenv("XDG_PICTURES_DIR"); pictures && *pictures)
        return std::filesystem::path(pictures) / "advplay";
    char const* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / "Pictures" / "advplay";
}

// "GAME-YYYYMMDD-HHMMSS.png", with "-2", "-3", ... when more than one is taken in a second.
std::filesystem::path screenshot_path(
    const std::filesystem::path& folder, const std::string& game, const platform::LocalTime& time)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", time.year, time.month, time.day,
        time.hour, time.minute, time.second);
    std::string const stem = game + "-" + stamp;
    std::filesystem::path path = folder / (stem + ".png");
    for (int n = 2; std::filesystem::exists(path); ++n)
        path = folder / (stem + "-" + std::to_string(n) + ".png");
    return path;
}

// How long the window title says where a screenshot went.
constexpr std::uint32_t kScreenshotNotice = 2000;
// How often, at most, the record of read lines is written while the game runs; it is written at the
// end as well.
constexpr std::uint32_t kReadRecordInterval = 30000;

// $XDG_DATA_HOME/advplay/GAME/read.txt, else ~/.local/share/advplay/GAME/read.txt.
std::filesystem::path read_record_path(const std::string& game)
{
    std::filesystem::path base;
    if (char const* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        base = data;
    else if (char const* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = ".";
    return base / "advplay" / game / "read.txt";
}

std::optional<std::string> read_text_file(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The text hook's file: each page goes out whole at once, so a tool that follows the file never
// reads half of one.
class HookOutput final : public platform::TextOutput {
public:
    explicit HookOutput(std::FILE* file)
        : m_file(file)
    {
    }
    ~HookOutput() override
    {
        if (m_file && m_file != stdout)
            std::fclose(m_file);
    }
    HookOutput(const HookOutput&) = delete;
    HookOutput& operator=(const HookOutput&) = delete;
    void write(std::string_view text) override
    {
        std::fwrite(text.data(), 1, text.size(), m_file);
        std::fflush(m_file);
    }

private:
    std::FILE* m_file;
};

// Gives the services what the settings say; at the start only what differs from the defaults, so
// that a run with them leaves every recorded call as it was.
void apply_to_services(Engine& engine, platform::Services& services, const PlayerSettings& before,
    const PlayerSettings& settings)
{
    if (std::tie(before.music_volume, before.effects_volume, before.movie_volume)
            != std::tie(settings.music_volume, settings.effects_volume, settings.movie_volume)
        && services.media)
        services.media->set_volumes(settings.music_volume, settings.effects_volume, settings.movie_volume);
    if (before.music_volume != settings.music_volume && services.midi_out)
        services.midi_out->set_volume(settings.music_volume);
    if (before.linear_filter != settings.linear_filter)
        services.window->set_linear_filter(settings.linear_filter);
    if (before.english_messages != settings.english_messages)
        services.message_box->set_english(settings.english_messages);
    // The game may have asked the player about full screen at its start; only a change of the
    // setting switches.
    if (before.full_screen != settings.full_screen
        && settings.full_screen != services.window->full_screen()) {
        toggle_display_mode(engine);
        // What the switch gave, whether it worked or not.
        engine.comforts.settings.full_screen = services.window->full_screen();
    }
}

// The loop's additions for one run: the replay of --input, calls from other copies, and F9.
class RunHooks final : public FrameHooks {
public:
    RunHooks(std::optional<InputPlayer> input, platform::SingleInstance* lock,
        std::function<bool(const std::string&)> shot, bool unattended, std::string game,
        platform::Services& services)
        : m_input(std::move(input))
        , m_lock(lock)
        , m_shot(std::move(shot))
        , m_unattended(unattended)
        , m_game(std::move(game))
        , m_services(services)
    {
    }

    void settings_changed(Engine& engine) override
    {
        PlayerSettings const settings = engine.comforts.settings;
        apply_to_services(engine, m_services, m_applied, settings);
        m_applied = engine.comforts.settings;
        std::filesystem::path const path = settings_path();
        std::string const old = read_text_file(path).value_or("");
        std::string error;
        if (!write_file_atomically(path, with_game_settings(old, m_game, engine.comforts.settings), error))
            say("cannot write the settings file " + path.string() + ": " + error);
    }

    // The settings the services were given last.
    void settings_applied(const PlayerSettings& settings) { m_applied = settings; }

    void save_read_record(Engine& engine)
    {
        m_record_written = engine.platform.clock.now();
        if (!engine.comforts.read.changed)
            return;
        std::filesystem::path const path = read_record_path(m_game);
        std::string error;
        if (write_file_atomically(path, format_read_record(engine), error))
            engine.comforts.read.changed = false;
        else
            say("cannot write the record of read text " + path.string() + ": " + error);
    }

    void take_screenshot(Engine& engine) override
    {
        std::filesystem::path const folder = screenshot_folder();
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        std::filesystem::path const path
            = screenshot_path(folder, m_game, engine.platform.clock.local_time());
        if (!m_shot(path.string()))
            return;
        std::string const name = engine.platform.encoding.to_sjis(path.filename().string()).value_or("");
        engine.platform.window.set_title(engine.settings.caption + " - screenshot " + name);
        m_notice_until = engine.platform.clock.now() + kScreenshotNotice;
    }

    std::optional<std::uint32_t> next_call(const Engine&) override
    {
        if (m_notice_until)
            return m_notice_until;
        return m_input ? m_input->next_time() : std::nullopt;
    }

    void before_events(Engine& engine) override
    {
        if (engine.comforts.read.changed
            && engine.platform.clock.now() - m_record_written >= kReadRecordInterval)
            save_read_record(engine);
        if (m_notice_until && static_cast<std::int32_t>(engine.platform.clock.now() - *m_notice_until) >= 0) {
            m_notice_until.reset();
            engine.platform.window.set_title(window_title(engine));
        }
        if (m_lock && m_lock->raise_requested())
            engine.platform.window.raise();
        if (!m_input)
            return;
        for (auto const& action : m_input->due(engine.platform.clock.now(), engine.interpreter.state))
            perform(engine, action);
    }

    // Only a run nobody plays: in a window the player is there to click. Its clock moves on while
    // the game waits, so without this it would wait for ever, a core busy with it.
    bool stalled(const Engine& engine) override
    {
        return m_unattended && !(m_input && m_input->can_go_on())
            && ((waits_for_player_only(engine) && !comforts_answer_wait(engine)) || comforts_pause(engine));
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
            event.ctrl = action.ctrl;
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
        case InputAction::Kind::Wheel:
            event.type = platform::EventType::Wheel;
            event.wheel = action.wheel;
            window.post_event(event);
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
    platform::SingleInstance* m_lock;
    std::function<bool(const std::string&)> m_shot;
    bool m_unattended;
    std::string m_game;
    platform::Services& m_services;
    PlayerSettings m_applied;
    std::uint32_t m_record_written { 0 };
    // While the title says where the last screenshot went, when it goes back to the caption.
    std::optional<std::uint32_t> m_notice_until;
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

// The backend of the command line: --headless, --backend, else the first with a window. Nothing,
// after saying why, when there is no such backend.
const platform::BackendEntry* choose_backend(const CommandLine& line)
{
    if (line.headless)
        return platform::find_backend("headless");
    if (!line.backend) {
        auto const* entry = platform::default_backend();
        if (!entry)
            say("this advplay was built without a window backend: only --headless runs are possible");
        return entry;
    }
    auto const* entry = platform::find_backend(*line.backend);
    if (!entry) {
        std::string names;
        for (auto const& known : platform::backends())
            names += (names.empty() ? "" : ", ") + std::string(known.name);
        say("no backend called \"" + *line.backend + "\"; this advplay has: " + names);
    }
    return entry;
}

// The user's additions to the font table: --font-map, else ADVPLAY_FONT_MAP. Nothing, after saying
// why, when the file cannot be read or has a line of another form.
std::optional<platform::FontMap> load_font_map(const CommandLine& line)
{
    char const* variable = std::getenv("ADVPLAY_FONT_MAP");
    std::string const path = line.font_map ? *line.font_map : (variable ? variable : "");
    if (path.empty())
        return platform::FontMap {};
    auto const text = read_text_file(path);
    if (!text) {
        say("cannot read the font map " + path);
        return std::nullopt;
    }
    std::string error;
    auto map = platform::parse_font_map(*text, error);
    if (!map)
        say(path + ": " + error);
    return map;
}

std::optional<InputPlayer> load_input(const CommandLine& line, bool& failed)
{
    failed = false;
    if (!line.input)
        return std::nullopt;
    auto const text = read_text_file(*line.input);
    if (!text) {
        say("cannot read the input file " + *line.input);
        failed = true;
        return std::nullopt;
    }
    auto parsed = parse_input_script(*text);
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
    std::filesystem::path const game_path(root);
    std::string const game_name
        = (game_path.has_filename() ? game_path.filename() : game_path.parent_path().filename()).string();

    // The settings file, then the command line.
    PlayerSettings settings;
    {
        std::filesystem::path const path = settings_path();
        std::vector<std::string> problems;
        if (auto const text = read_text_file(path))
            settings = read_player_settings(*text, game_name, problems);
        for (auto const& problem : problems)
            say(problem + " (" + path.string() + ")");
        apply_overrides(settings, line.settings);
    }
    std::unique_ptr<HookOutput> text_hook;
    if (line.text_hook) {
        std::FILE* file = *line.text_hook == "-" ? stdout : std::fopen(line.text_hook->c_str(), "ab");
        if (!file) {
            say("cannot open the text hook file " + *line.text_hook);
            return kExitUsage;
        }
        text_hook = std::make_unique<HookOutput>(file);
    }

    bool input_failed = false;
    auto input = load_input(line, input_failed);
    if (input_failed)
        return kExitUsage;

    auto font_map = load_font_map(line);
    if (!font_map)
        return kExitUsage;

    auto const* backend = choose_backend(line);
    if (!backend)
        return line.backend || line.headless ? kExitUsage : kExitStartupFailed;

    char const* debug_variable = std::getenv("ADVPLAY_DEBUG");
    bool const debug = line.debug || (debug_variable && std::string_view(debug_variable) == "1");
    platform::FileOutput error_output(stderr);
    // Filled in once the services exist; the files report through it only once the game runs.
    const platform::TextEncoding* encoding = nullptr;
    platform::BackendOptions options;
    options.game_folder = root;
    options.font_map = std::move(*font_map);
    options.scale = line.scale;
    options.linear_filter = settings.linear_filter;
    options.answer
        = line.answer == YesNo::Yes ? platform::MessageBoxAnswer::Yes : platform::MessageBoxAnswer::No;
    options.english_messages = settings.english_messages;
    options.date = line.date;
    options.midi_port = line.midi_port;
    options.soundfont = line.soundfont;
    options.error_output = &error_output;
    options.debug = debug;
    options.say = [](const std::string& text) { say(text); };
    options.on_refused_path = [&encoding, debug](std::string_view path) {
        if (debug && encoding)
            say("refused a path that leads out of the game folder: " + encoding->to_utf8(path));
    };
    auto services = backend->make(options);
    if (!services)
        return backend->unattended ? kExitUsage : kExitStartupFailed;
    encoding = services->encoding.get();
    platform::Files& files = *services->files;

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
                bytes.view(), [encoding](const std::string& text) { return encoding->to_sjis(text); });
        else if (line.ini_name)
            say("cannot read the ini file " + *ini_name + "; using the defaults");
    }

    Engine engine({ *services->clock, *services->window, *services->message_box, files, *encoding,
                      services->audio.get(), services->images.get(), services->fonts.get() },
        standard_commands());
    if (line.trace)
        engine.trace = &error_output;
    engine.author_notes = &error_output;
    engine.comforts.settings = settings;
    engine.comforts.text_hook = text_hook.get();
    if (auto const record = read_text_file(read_record_path(game_name)))
        parse_read_record(engine, *record);
    engine.media.link.player = services->media.get();
    engine.midi = std::make_unique<media::MidiSequencer>(
        *services->clock, services->midi_timer.get(), services->midi_out.get());
    auto& internal_errors = engine.internal_errors;
    internal_errors.debug_output = debug;
    internal_errors.debug_sink = [encoding](std::string_view line_text) {
        std::string const utf8 = encoding->to_utf8(line_text);
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    };

    StartupOptions startup { line.seed, {}, line.allow_outside_paths, options.say };
    platform::SingleInstance* const lock = services->single_instance.get();
    if (lock)
        startup.claim_single_instance = [lock] { return lock->claim(); };

    auto const shot = [&engine, &services](const std::string& path) {
        platform::PictureArea shown = services->window->shown_picture();
        if (!shown.pixels) {
            shown.pixels = engine.graphics.display_surface.pixels();
            shown.pitch = static_cast<std::int32_t>(engine.graphics.display_surface.pitch());
        }
        if (!shown.pixels || !write_screenshot(path, shown.pixels, shown.pitch)) {
            say("cannot write the screenshot " + path);
            return false;
        }
        return true;
    };

    switch (start_up(engine, ini, startup)) {
    case StartupResult::Ready:
        break;
    case StartupResult::AlreadyRunning:
        say("this game is already running; its window was brought to the front");
        return kExitEnded;
    case StartupResult::Failed:
        if (std::string const why = services->window->open_error(); !why.empty())
            say(why);
        return kExitStartupFailed;
    }

    bool const has_input = input.has_value();
    RunHooks hooks(std::move(input), lock, shot, backend->unattended, game_name, *services);
    // The backend was made with the filter and the language already.
    PlayerSettings made_with;
    made_with.linear_filter = settings.linear_filter;
    made_with.english_messages = settings.english_messages;
    apply_to_services(engine, *services, made_with, settings);
    hooks.settings_applied(engine.comforts.settings);
    RunEnd const end = frame_loop(engine, { line.max_time, line.max_passes }, &hooks);
    hooks.save_read_record(engine);
    if (end == RunEnd::Stalled)
        say(stall_report(engine, has_input));
    if (line.screenshot)
        shot(*line.screenshot);
    return end == RunEnd::Closed ? kExitEnded : kExitLimit;
}

} // namespace advplay::app
