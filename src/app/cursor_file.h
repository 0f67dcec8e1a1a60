// Cursor files: the Windows .cur format (an icon directory with hot spots, then DIB images with
// their AND masks), decoded for the platform's cursor.
#pragma once

#include "platform/window.h"

#include <cstdint>
#include <optional>
#include <span>

namespace advplay::app {

// The image of the directory entry closest to the standard 32 x 32 cursor (the deeper one on a
// tie), as 0xAARRGGBB with the entry's hot spot. 1-, 4- and 8-bit images take their palettes,
// 24- and 32-bit ones their own colours; the AND mask makes pixels transparent, and a 32-bit image
// with any alpha uses its alpha instead. Nothing for a file that is not a cursor file or whose sizes
// and offsets do not fit it.
std::optional<platform::CursorImage> decode_cursor(std::span<const std::uint8_t> bytes);

} // namespace advplay::app
