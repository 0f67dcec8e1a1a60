// ImageCodecs: the host's PNG reader, its readers for the other picture formats of the general
// loader, and the image plug-ins it can load; plus the largest picture any decoder accepts.
#pragma once

#include "platform/plugin_library.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace advplay::platform {

// The largest picture that any decoder accepts: 16384 pixels a side and 64 Mi pixels in all (8192 x
// 8192). The engine's screen is 640 x 480; a file that claims more than this is damaged or hostile,
// and refusing it before anything is allocated keeps it from exhausting memory.
constexpr std::int64_t kMaxPictureSide = 16384;
constexpr std::int64_t kMaxPicturePixels = std::int64_t { 64 } * 1024 * 1024;

// Only the upper limits: whether a picture of no width, or of a negative size, is an error is for
// each decoder to say.
constexpr bool picture_size_allowed(std::int64_t width, std::int64_t height)
{
    return width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= kMaxPicturePixels;
}

// A picture's size against the bytes of the file that claims it: beyond a size any file may claim
// (the screen many times over), a picture may claim at most kPixelsPerFileByte pixels for each byte
// of its file. Compressed pictures of a game come nowhere near that ratio (a picture of one colour
// reaches a few hundred in PNG or GIF); a damaged or hostile header of a few bytes that claims tens
// of millions of pixels would otherwise cost hundreds of megabytes before its data proves missing.
constexpr std::int64_t kPicturePixelsAnyFile = std::int64_t { 2048 } * 2048;
constexpr std::int64_t kPixelsPerFileByte = 1024;

constexpr bool picture_fits_file(std::int64_t width, std::int64_t height, std::uint64_t file_size)
{
    if (!picture_size_allowed(width, height))
        return false;
    std::int64_t const pixels = width * height;
    return pixels <= kPicturePixelsAnyFile
        || file_size >= static_cast<std::uint64_t>((pixels + kPixelsPerFileByte - 1) / kPixelsPerFileByte);
}

// Receives a decoded picture: its size first, then its rows with 8 bits a channel.
class PictureSink {
public:
    virtual ~PictureSink() = default;
    // Called once before any row. `bytes_per_pixel` is 3 (red, green, blue) or 4 (red, green, blue,
    // alpha: 0 transparent, 255 opaque). False stops the decoding, which then fails.
    [[nodiscard]] virtual bool begin(std::int32_t width, std::int32_t height, std::int32_t bytes_per_pixel)
        = 0;
    // Row y, width * bytes_per_pixel bytes; rows come top row first, each once. A decoding that fails
    // after its first row has handed over only some rows.
    virtual void row(std::int32_t y, const std::uint8_t* pixels) = 0;
};

class ImageCodecs {
public:
    virtual ~ImageCodecs() = default;

    // Reads a PNG file held in memory with exactly these transformations: expansion when the colour
    // type is palette, when it is grey with fewer than 8 bits, and when a tRNS chunk is present;
    // 16-bit channels stripped to their high byte; grey made RGB when the colour type is grey. The
    // result must then be RGB (3 bytes a pixel) for a colour type without alpha and RGBA (4 bytes)
    // for one with alpha; anything else is refused. So a palette, grey or RGB picture with a tRNS
    // chunk, and a grey picture with alpha, are refused, as are damaged files and pictures beyond
    // the size limits. Refusals that the header shows come before `sink` hears of the picture.
    [[nodiscard]] virtual bool decode_png(std::span<const std::uint8_t> file, PictureSink& sink) = 0;

    // Reads the pictures of the host's general loader that the engine does not read itself: GIF (the
    // first image), JPEG, and PNG of every colour type (a tRNS chunk that only names one colour to
    // leave out is a colour key, no alpha channel), each only when its size can be checked against
    // the limits before it is decoded. GIF and JPEG files cut short are
    // refused rather than shown with made-up pixels. Rows have 4 bytes a pixel only when the picture
    // has an alpha channel, 3 otherwise. False for anything else: BMP, icons and cursors (the
    // engine's own converter reads them), TIFF and WebP (never offered), unknown formats.
    [[nodiscard]] virtual bool decode_any(std::span<const std::uint8_t> file, PictureSink& sink) = 0;

    // Loads the shared library at `host_path` (a path on the host, not an engine path). Null when it
    // cannot be loaded.
    virtual std::unique_ptr<PluginLibrary> open_plugin(const std::string& host_path) = 0;
};

} // namespace advplay::platform
