// The player's settings file: where it lives, reading it, writing one game's section back.
#pragma once

#include "engine/comforts.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::app {

// The settings one source gives (a section of the file, the command line); a missing one leaves
// what came before.
struct SettingOverrides {
    std::optional<std::int32_t> text_speed;
    std::optional<std::int32_t> auto_base_delay;
    std::optional<std::int32_t> auto_character_delay;
    std::optional<SkipMode> skip;
    std::optional<std::int32_t> music_volume;
    std::optional<std::int32_t> effects_volume;
    std::optional<std::int32_t> movie_volume;
    std::optional<bool> full_screen;
    std::optional<bool> linear_filter;
    std::optional<bool> english_messages;
    std::optional<bool> enter_exports;
    std::optional<bool> confirm_quit;
};

void apply_overrides(PlayerSettings& settings, const SettingOverrides& overrides);

enum class SettingChange {
    Made,
    UnknownKey,
    BadValue,
};

// Takes `value` as the settings file writes it ("yes", "linear", "250") for the setting named `key`
// in the file ("music_volume"). Words match without regard to "A".."Z" case; numbers are whole and
// in the setting's range. UnknownKey and BadValue leave `overrides` as it was.
SettingChange change_setting(SettingOverrides& overrides, std::string_view key, std::string_view value);

// What the setting named `key` takes, to complete "needs ..." or "must be ...": "yes or no", "a
// number from 0 to 100". Empty when no setting has that name.
std::string setting_values(std::string_view key);

// $XDG_CONFIG_HOME/advplay/settings.ini, else ~/.config/advplay/settings.ini.
std::filesystem::path settings_path();

// The defaults, then the [advplay] section, then [game GAME], wherever each stands in the file;
// GAME is the game folder's name as it is spelt. A key given twice in a section keeps its last
// value. Whatever the bytes, this returns: a line it cannot use is skipped and described in
// `problems` with its line number, and the lines of other games' sections are not looked at.
PlayerSettings read_player_settings(
    std::string_view ini_text, std::string_view game, std::vector<std::string>& problems);

// `ini_text` with every key of `settings` in the [game GAME] section, so that reading it back for
// GAME gives `settings`. The old section keeps its place, its comments and the lines it could not
// use; a file without one gets it at the end. Every other line stays as it was, byte for byte. A
// name that no section header can hold (empty, blanks around it, a line break) gives `ini_text`
// unchanged.
std::string with_game_settings(
    std::string_view ini_text, std::string_view game, const PlayerSettings& settings);

// Writes `bytes` to a new file beside `path`, flushes it to the disk and renames it over `path`, so
// that a crash or a full disk leaves either the old file or the new one, never half of one. Creates
// the folders above `path`. False when it fails, with the reason in `error`: the old file, if any,
// is untouched and the new one is gone.
[[nodiscard]] bool write_file_atomically(
    const std::filesystem::path& path, std::string_view bytes, std::string& error);

} // namespace advplay::app
