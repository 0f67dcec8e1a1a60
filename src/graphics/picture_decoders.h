// Picture decoding: load_picture and the decoders it tries in turn on a file's content (BMP, the
// engine's raw K16 format, PNG, GIF, image plug-ins, and last any picture the host can read).
#pragma once

#include "graphics/surface.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace advplay::platform {
class Files;
class ImageCodecs;
} // namespace advplay::platform

namespace advplay::graphics {

// Where pictures come from.
struct PictureSources {
    // The game's files, read through DataFile, so packed ".dpa" pictures load as well as plain ones.
    platform::Files& files;
    // The host's PNG reader, general loader and plug-in loader; without them only BMP and K16
    // pictures load.
    platform::ImageCodecs* codecs { nullptr };
    // The folder of the image plug-ins ("*.spi"); empty for none.
    std::string_view plugin_folder;
};

// Decodes the picture file at `path` into `surface`, at the picture's own size, with an alpha mask
// when the file carries per-pixel transparency (32-bit BMP, 32-bit plug-in output, PNG or any other
// picture with an alpha channel). The decoders are tried in the order BMP, K16, PNG, GIF, plug-ins,
// any picture, on the same bytes (the file is read once), and the first that succeeds wins. Pixels
// the host's codecs decode keep each channel's top five bits; an alpha channel becomes the mask. False,
// with the surface unchanged, when the file cannot be opened or read or every decoder refuses it.
[[nodiscard]] bool load_picture(Surface& surface, const PictureSources& sources, std::string_view path);

// The decoders, each on the whole content of a file. Each creates `surface` at the picture's size and
// fills it; one that fails may leave the surface re-created at some size. Every one of them refuses
// pictures beyond the size limits of platform/image_codecs.h before allocating anything.

// "BM" and at least 54 bytes. 32 bits a pixel: blue, green, red, alpha, the alpha into the mask;
// every other depth through draw_dib. A top-down bitmap (negative height) is refused.
[[nodiscard]] bool decode_bmp(Surface& surface, std::span<const std::uint8_t> file);
// "K16" and at least 52 bytes: 8-bit rows through the file's palette or 16-bit rows copied.
[[nodiscard]] bool decode_k16(Surface& surface, std::span<const std::uint8_t> file);
// The PNG signature, then the host's PNG reader with its refusals.
[[nodiscard]] bool decode_png(
    Surface& surface, std::span<const std::uint8_t> file, platform::ImageCodecs* codecs);
// "GIF87a" or "GIF89a", then the general loader: the first frame.
[[nodiscard]] bool decode_gif(
    Surface& surface, std::span<const std::uint8_t> file, platform::ImageCodecs* codecs);
// The general loader on anything, present only with the host's codecs: a top-down BMP through the
// DIB converter (32-bit ones with their fourth byte as the alpha mask, as decode_bmp reads them), an
// icon or cursor file's image with the most colours (the first of them) with its AND mask as the
// alpha mask, and the codecs' decode_any for everything else.
[[nodiscard]] bool decode_any_picture(
    Surface& surface, std::span<const std::uint8_t> file, platform::ImageCodecs* codecs);

} // namespace advplay::graphics
