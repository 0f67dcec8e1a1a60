// The command line of advplay: options for playing a game, and the authoring subcommands.
#pragma once

#include "app/player_settings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace advplay::app {

enum class Action {
    Play,
    Pack,
    Unpack,
    SaveDump,
    Gplp,
    MidiRender,
    Help,
    Version,
};

enum class YesNo {
    Yes,
    No,
};

struct CommandLine {
    Action action { Action::Play };
    // Play: the game folder (empty: the demo game). Pack/Unpack: the operands in order.
    std::vector<std::string> operands;
    bool headless { false };
    // The backend to run on, by name; none: the first with a window that was built in (--headless
    // names the headless one).
    std::optional<std::string> backend;
    bool trace { false };
    std::optional<std::uint32_t> max_time;
    std::optional<std::uint64_t> max_passes;
    YesNo answer { YesNo::No };
    // The player's settings given here; they win over the settings file.
    SettingOverrides settings;
    // Where each page of message text goes as it is shown, as UTF-8 ("-": stdout).
    std::optional<std::string> text_hook;
    std::optional<std::string> ini_name;
    // Scripted input to replay, and a PNG to write of what the window shows at the end.
    std::optional<std::string> input;
    std::optional<std::string> screenshot;
    // The window's size as a multiple of 640 x 480 (0: the largest that fits, at most 2).
    int scale { 0 };
    // Writes the engine's internal errors to stderr as they happen.
    bool debug { false };
    // The ini file's folders may lie outside the game folder.
    bool allow_outside_paths { false };
    std::optional<std::uint32_t> seed;
    // "YYYY-MM-DD HH:MM:SS": the calendar of a headless run at its start.
    std::optional<std::string> date;
    // A file of "Windows face name = font family" lines that extends the built-in font table.
    std::optional<std::string> font_map;
    // The SoundFont the music is synthesised with, in place of the General MIDI one installed.
    std::optional<std::string> soundfont;
    // "CLIENT:PORT": the music goes to this ALSA sequencer port instead of the synthesiser.
    std::optional<std::string> midi_port;
    // MidiRender: how many times the song plays, returning to its loop point each time after the
    // first.
    std::uint32_t loops { 1 };
    // Pack: the script extension.
    std::string extension { ".txt" };
};

struct ParseResult {
    std::optional<CommandLine> command_line;
    // Why the arguments were refused, for the user.
    std::string error;
};

// Arguments without the program name.
ParseResult parse_command_line(std::span<const std::string> arguments);

std::string help_text();

} // namespace advplay::app
