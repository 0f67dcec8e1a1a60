// GIF files read from memory through giflib: the first image, as the general picture loader shows it.
#pragma once

#include "platform/image_codecs.h"

#include <cstdint>
#include <span>

namespace advplay::platform {

// Reads records up to the first image and decodes that image alone, at the image's own size (not
// the logical screen's), as RGB through its local colour table or else the global one. A
// transparent index is no alpha channel: those pixels keep their table colour. Palette entries
// beyond the table are white, and without any table the table's entries are black. Interlaced rows
// are put in place. Image data that ends early or is damaged leaves the rest of the picture at
// index 0, as the system's loader did. Refused: anything giflib cannot read up to the image data, an
// image of no width or height, one beyond the size limits.
[[nodiscard]] bool read_gif(std::span<const std::uint8_t> file, PictureSink& sink);

} // namespace advplay::platform
