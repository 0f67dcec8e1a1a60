// The image plug-in decoder: "*.spi" libraries in the plug-in folder, asked in turn whether they read
// a picture, the first that does decoding it.
#pragma once

#include "graphics/picture_decoders.h"

namespace advplay::graphics {

// Offers the file to the plug-ins of sources.plugin_folder, one library at a time in the order of the
// folder listing (platform::Files::list_folder), each loaded, asked through IsSupported with a block
// of the file's content at least 2048 bytes long (zero-filled beyond the file), and unloaded again
// unless it accepts. The first to accept decodes the picture through GetPictureInfo and GetPicture;
// it is unloaded before its output is converted (32-bit output as the 32-bit BMP path, with an alpha
// mask; any other through draw_dib). Libraries without IsSupported are skipped. False when there is
// no plug-in folder (an empty name means none) or no codecs to load libraries with, when no plug-in
// accepts, or when the one that accepted lacks a function, fails or returns a picture beyond the
// size limits; the libraries are unloaded in every case.
[[nodiscard]] bool decode_with_plugins(Surface& surface, std::span<const std::uint8_t> file,
    std::string_view path, const PictureSources& sources);

} // namespace advplay::graphics
