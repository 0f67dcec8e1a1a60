// Paths of game data: how script-given names become file paths below the game folder.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace advplay {

// The longest path the engine builds, as its 260-byte buffers allow.
constexpr std::size_t kMaxPathLength = 259;

// A single-byte character followed by ":".
bool has_drive_prefix(std::string_view path);

// The folder, a backslash and the name (or the name alone for an empty folder or a name with a
// drive prefix), with `default_extension` appended when the name's last part has no ".". Nothing
// when the result would not fit the engine's path buffer.
std::optional<std::string> resolve_data_path(std::string_view name, std::string_view folder,
    std::string_view default_extension);

// Drops a leading backslash and a trailing one, except the one of a drive root.
std::string normalise_folder(std::string_view path);

} // namespace advplay
