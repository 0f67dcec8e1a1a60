// PNG files read from memory through libpng: strictly, with the transformations and refusals the PNG
// decoder needs, or generally, as the general picture loader reads any PNG.
#pragma once

#include "platform/image_codecs.h"

#include <cstdint>
#include <span>

namespace advplay::platform {

enum class PngReading {
    // See ImageCodecs::decode_png for the transformations and what is refused.
    Strict,
    // Every colour type: palette and grey expanded to RGB, 16-bit channels stripped to their high
    // byte. An alpha channel, or a tRNS chunk that makes some palette entry partly transparent or
    // more than one entry wholly transparent, gives RGBA; any other tRNS chunk only marks a colour
    // key, which is no alpha channel, so those pictures stay RGB with their colours there.
    General,
};

// Damaged files and pictures beyond the size limits are refused in either mode; refusals that the
// header shows come before `sink` hears of the picture.
[[nodiscard]] bool read_png(std::span<const std::uint8_t> file, PictureSink& sink, PngReading reading);

} // namespace advplay::platform
