// Command-line parsing.
#include "app/command_line.h"

#include <charconv>
#include <string_view>

namespace advplay::app {

namespace {

template<typename Number> std::optional<Number> parse_number(std::string_view text)
{
    Number value {};
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The option of each setting that takes a value is the settings file's key with dashes: the
// --music-volume of music_volume. full_screen is the exception, as --full-screen and --window.
std::string setting_key(std::string_view option)
{
    if (!option.starts_with("--") || option.find('_') != std::string_view::npos)
        return {};
    std::string key(option.substr(2));
    for (char& c : key) {
        if (c == '-')
            c = '_';
    }
    return key == "full_screen" || setting_values(key).empty() ? std::string() : key;
}

} // namespace

std::string help_text()
{
    return R"(usage: advplay [OPTIONS] [GAMEDIR]     play GAMEDIR (default: the demo game)
       advplay pack SCENARIO_DIR OUT.scn [--ext .txt]
       advplay unpack PACK OUT_DIR
       advplay savedump FILE.sav
       advplay gplp pack FILE [OUT.dpa] | advplay gplp unpack FILE.dpa OUT
       advplay midi-render SONG.mid OUT.wav [--soundfont FILE] [--loops N]

subcommands:
  pack SCENARIO_DIR OUT.scn  write the scripts of a folder (and its subfolders) as a scenario pack
  unpack PACK OUT_DIR        write the scripts of a scenario pack back out as files
  savedump FILE.sav          print the variables stored in a save file
  gplp pack FILE [OUT.dpa]   pack a data file into the GPLP form the engine unpacks as it reads
  gplp unpack FILE.dpa OUT   write out what the engine reads from a packed data file
  midi-render SONG.mid OUT.wav  play a song through the engine's sequencer and the synthesiser,
                             faster than it sounds, and write what a player hears as a WAV file

options:
  --headless          no window and no sound, on a virtual clock that moves only when the game waits
  --backend NAME      run on the built-in backend NAME (an unknown name lists them); the default
                      is the first with a window, and --headless is --backend headless
  --trace             one line on stderr per executed script line: <ms> <file>:<line> <state> <text>
  --max-time MS       stop after MS milliseconds of game time (exit status 3)
  --max-passes N      stop after N frame-loop passes (exit status 3)
  --answer yes|no     how --headless answers Yes/No message boxes (default no)
  --seed N            seed the random numbers of .rnd with N instead of the clock
  --date "YYYY-MM-DD HH:MM:SS"  the date and time .now reads at the start of a --headless run
  --ini NAME          the ini file to read, for game folders with several
  --input FILE        replay the mouse and key actions of FILE (at/after/wait lines)
  --screenshot FILE   at the end, write what the window shows as a PNG
  --scale N           window size as N times 640 x 480 (default: the largest that fits, at most 2)
  --debug             write the engine's internal errors to stderr (also ADVPLAY_DEBUG=1), and
                      every path the game was refused because it leads out of the game folder
  --allow-outside-paths  let the ini file's scenario, save, data and plug-in folders lie outside
                      the game folder (the game's own paths still stay inside those folders)
  --font-map FILE     more "Windows face name = installed font family" lines, ahead of the
                      built-in ones (also ADVPLAY_FONT_MAP=FILE)
  --soundfont FILE    the SoundFont that synthesises the music (default: the installed TimGM6mb)
  --midi-port C:P     send the music to ALSA sequencer port C:P (see aconnect -o) instead
  --text-speed PERCENT  the text's speed in percent of the game's own (default 100)
  --auto-delay MS     auto mode waits MS milliseconds on each page (default 1500)
  --auto-char-delay MS  and MS milliseconds more for each character on it (default 80)
  --skip read|all     skip only the text seen before (default), or all of it
  --music-volume N    the music at N percent of its volume, 0 to 100 (default 100)
  --effects-volume N  the sound effects at N percent (default 100)
  --movie-volume N    the movies' sound at N percent (default 100)
  --full-screen       start in full screen
  --window            start in a window (the default)
  --filter nearest|linear  how the picture is scaled in full screen (default nearest)
  --messages ja|ja+en the engine's messages in Japanese (default), or with the English reading
                      of each under the Japanese
  --enter-export yes|no  whether Enter writes the scenario pack and beeps (default yes)
  --confirm-quit yes|no  whether Escape and F12 ask before the game closes (default no)
  --text-hook FILE    write the game's text to FILE as UTF-8 as it appears (- for stdout)
  --loops N           (midi-render) play the song N times, from its loop point after the first
  --ext EXT           (pack) the extension of script files, with its dot (default .txt)
  --help              this text
  --version           the version

settings file: $XDG_CONFIG_HOME/advplay/settings.ini (default ~/.config/advplay/settings.ini)
holds the options from --text-speed to --confirm-quit as "music_volume = 80" lines, with the
dashes as underscores (full_screen = yes|no): [advplay] for every game, [game FOLDER] for one.
The options given here win over the file.

exit status: 0 the game ended, 1 wrong arguments or a failed subcommand, 2 the game could not start,
3 a --max-time or --max-passes limit was reached
)";
}

ParseResult parse_command_line(std::span<const std::string> arguments)
{
    CommandLine line;
    std::size_t i = 0;
    if (!arguments.empty()) {
        if (arguments[0] == "pack") {
            line.action = Action::Pack;
            i = 1;
        } else if (arguments[0] == "unpack") {
            line.action = Action::Unpack;
            i = 1;
        } else if (arguments[0] == "savedump") {
            line.action = Action::SaveDump;
            i = 1;
        } else if (arguments[0] == "gplp") {
            line.action = Action::Gplp;
            i = 1;
        } else if (arguments[0] == "midi-render") {
            line.action = Action::MidiRender;
            i = 1;
        }
    }
    auto next_value = [&]() -> std::optional<std::string> {
        if (i + 1 >= arguments.size())
            return std::nullopt;
        return arguments[++i];
    };
    for (; i < arguments.size(); ++i) {
        std::string const& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.action = Action::Help;
            return { line, {} };
        }
        if (argument == "--version") {
            line.action = Action::Version;
            return { line, {} };
        }
        if (argument == "--headless") {
            line.headless = true;
        } else if (argument == "--backend") {
            auto value = next_value();
            if (!value || value->empty())
                return { std::nullopt, "--backend needs the name of a backend" };
            line.backend = value;
        } else if (argument == "--trace") {
            line.trace = true;
        } else if (argument == "--max-time") {
            auto value = next_value();
            auto number = value ? parse_number<std::uint32_t>(*value) : std::nullopt;
            if (!number)
                return { std::nullopt, "--max-time needs a number of milliseconds" };
            line.max_time = number;
        } else if (argument == "--max-passes") {
            auto value = next_value();
            auto number = value ? parse_number<std::uint64_t>(*value) : std::nullopt;
            if (!number)
                return { std::nullopt, "--max-passes needs a number" };
            line.max_passes = number;
        } else if (argument == "--answer") {
            auto value = next_value();
            if (value && *value == "yes")
                line.answer = YesNo::Yes;
            else if (value && *value == "no")
                line.answer = YesNo::No;
            else
                return { std::nullopt, "--answer needs yes or no" };
        } else if (argument == "--seed") {
            auto value = next_value();
            auto number = value ? parse_number<std::uint32_t>(*value) : std::nullopt;
            if (!number)
                return { std::nullopt, "--seed needs a number from 0 to 4294967295" };
            line.seed = number;
        } else if (argument == "--date") {
            auto value = next_value();
            if (!value)
                return { std::nullopt, "--date needs \"YYYY-MM-DD HH:MM:SS\"" };
            line.date = value;
        } else if (argument == "--input" || argument == "--screenshot") {
            auto value = next_value();
            if (!value)
                return { std::nullopt, argument + " needs a file name" };
            (argument == "--input" ? line.input : line.screenshot) = value;
        } else if (argument == "--scale") {
            auto value = next_value();
            auto number = value ? parse_number<int>(*value) : std::nullopt;
            if (!number || *number < 1 || *number > 8)
                return { std::nullopt, "--scale needs a whole number from 1 to 8" };
            line.scale = *number;
        } else if (argument == "--full-screen" || argument == "--window") {
            line.settings.full_screen = argument == "--full-screen";
        } else if (std::string const key = setting_key(argument); !key.empty()) {
            auto value = next_value();
            if (!value || change_setting(line.settings, key, *value) != SettingChange::Made)
                return { std::nullopt, argument + " needs " + setting_values(key) };
        } else if (argument == "--text-hook") {
            auto value = next_value();
            if (!value || value->empty())
                return { std::nullopt, "--text-hook needs a file name, or - for stdout" };
            line.text_hook = value;
        } else if (argument == "--debug") {
            line.debug = true;
        } else if (argument == "--allow-outside-paths") {
            line.allow_outside_paths = true;
        } else if (argument == "--font-map") {
            auto value = next_value();
            if (!value)
                return { std::nullopt, "--font-map needs a file name" };
            line.font_map = value;
        } else if (argument == "--ini") {
            auto value = next_value();
            if (!value)
                return { std::nullopt, "--ini needs a file name" };
            line.ini_name = value;
        } else if (argument == "--soundfont" || argument == "--midi-port") {
            auto value = next_value();
            if (!value)
                return { std::nullopt,
                    argument == "--soundfont" ? "--soundfont needs a file name"
                                              : "--midi-port needs CLIENT:PORT" };
            (argument == "--soundfont" ? line.soundfont : line.midi_port) = value;
        } else if (argument == "--loops") {
            auto value = next_value();
            auto number = value ? parse_number<std::uint32_t>(*value) : std::nullopt;
            if (!number || *number < 1 || *number > 1000 || line.action != Action::MidiRender)
                return { std::nullopt, "--loops needs a number from 1 to 1000 and belongs to midi-render" };
            line.loops = *number;
        } else if (argument == "--ext") {
            auto value = next_value();
            if (!value || line.action != Action::Pack)
                return { std::nullopt, "--ext needs an extension and belongs to pack" };
            line.extension = *value;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return { std::nullopt, "unknown option " + argument };
        } else {
            line.operands.push_back(argument);
        }
    }
    if (line.action == Action::Gplp) {
        std::size_t const count = line.operands.size();
        bool const pack = count >= 1 && line.operands[0] == "pack" && (count == 2 || count == 3);
        bool const unpack = count == 3 && line.operands[0] == "unpack";
        if (!pack && !unpack)
            return { std::nullopt,
                "usage: advplay gplp pack FILE [OUT.dpa] | advplay gplp unpack FILE.dpa OUT" };
        return { line, {} };
    }
    if (line.action == Action::MidiRender) {
        if (line.operands.size() != 2)
            return { std::nullopt,
                "usage: advplay midi-render SONG.mid OUT.wav [--soundfont FILE] [--loops N]" };
        return { line, {} };
    }
    std::size_t const wanted = line.action == Action::Play || line.action == Action::SaveDump ? 1 : 2;
    if (line.operands.size() > wanted || (line.action != Action::Play && line.operands.size() < wanted)) {
        if (line.action == Action::Pack)
            return { std::nullopt, "usage: advplay pack SCENARIO_DIR OUT.scn [--ext .txt]" };
        if (line.action == Action::Unpack)
            return { std::nullopt, "usage: advplay unpack PACK OUT_DIR" };
        if (line.action == Action::SaveDump)
            return { std::nullopt, "usage: advplay savedump FILE.sav" };
        return { std::nullopt, "only one game folder can be played at a time" };
    }
    return { line, {} };
}

} // namespace advplay::app
