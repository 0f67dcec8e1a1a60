// Icon and cursor files: the directory of images both formats share, and its DIB images with their
// AND masks, read by the cursor command and by the picture loader.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace advplay::graphics {

enum class IconFileKind : std::uint16_t {
    Icon = 1,
    Cursor = 2,
};

// One image of the directory, as the directory describes it.
struct IconEntry {
    // 1 to 256 (a stored 0 stands for 256).
    std::int32_t width { 0 };
    std::int32_t height { 0 };
    // 1 to 256 (a stored 0 stands for 256).
    std::int32_t colour_count { 0 };
    // A cursor's hot spot; an icon stores planes and depth there.
    std::int32_t hot_x { 0 };
    std::int32_t hot_y { 0 };
    // Where the image starts in the file.
    std::uint32_t offset { 0 };
    // The depth the image's own header gives.
    std::uint32_t bit_count { 0 };
};

// The entries of a directory of the given kind whose image header lies inside the file, in file
// order. Nothing when the file is not of that kind, lists no image or its directory runs past the
// end; an empty list when no entry's header lies inside the file.
std::optional<std::vector<IconEntry>> read_icon_directory(
    std::span<const std::uint8_t> file, IconFileKind kind);

// An image decoded from its DIB: rows top row first.
struct IconImage {
    std::int32_t width { 0 };
    std::int32_t height { 0 };
    // The depth: 1, 4, 8, 24 or 32.
    std::uint32_t bit_count { 0 };
    // 0xAARRGGBB: the pixel's own alpha at 32 bits, 0 at every other depth. Palette indices beyond
    // the colour table give black.
    std::vector<std::uint32_t> colours;
    // 1 where the AND mask is set: there the screen shows through (or, under a colour other than
    // black, is inverted).
    std::vector<std::uint8_t> mask;
};

// Decodes the image of `entry`, which takes at most the rest of the file (the stored size is often
// wrong): a BITMAPINFOHEADER of at least 40 bytes, uncompressed, at 1, 4, 8, 24 or 32 bits, whose
// height counts the colour image and the mask together. Nothing for another kind of image, an odd
// or non-positive height or width, a side beyond `largest_side`, a size beyond the picture limits,
// or a colour table, image or mask that runs past the end of the file.
std::optional<IconImage> read_icon_image(
    std::span<const std::uint8_t> file, const IconEntry& entry, std::int32_t largest_side);

} // namespace advplay::graphics
