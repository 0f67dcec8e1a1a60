// Picture probing: the format and size of a picture file read from its header alone, so that a
// general loader is given only pictures whose size has been checked.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace advplay::platform {

enum class PictureFormat {
    Bmp,
    Gif,
    Jpeg,
    Png,
    Tiff,
    Webp,
    Icon,
    Cursor,
};

struct PictureProbe {
    PictureFormat format { PictureFormat::Bmp };
    // The largest width and the largest height of anything the file asks a loader to allocate (a
    // GIF's screen and first frame, every image of an icon file); never negative.
    std::int64_t width { 0 };
    std::int64_t height { 0 };
};

// Nothing when the format is not one of the above or its header is incomplete or damaged, and for a
// GIF or JPEG file cut short: one whose first image's data, or whose end-of-image marker, is missing.
std::optional<PictureProbe> probe_picture(std::span<const std::uint8_t> file);

} // namespace advplay::platform
