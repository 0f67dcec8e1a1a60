// HostImageCodecs: the libraries that stand in for the system's general picture loader.
#include "platform/codecs/host_image_codecs.h"

#include "platform/codecs/gif_reader.h"
#include "platform/codecs/jpeg_reader.h"
#include "platform/codecs/png_reader.h"
#include "platform/picture_probe.h"
#include "platform/posix/dynamic_library.h"

namespace advplay::platform {

bool HostImageCodecs::decode_png(std::span<const std::uint8_t> file, PictureSink& sink)
{
    return read_png(file, sink, PngReading::Strict);
}

bool HostImageCodecs::decode_any(std::span<const std::uint8_t> file, PictureSink& sink)
{
    // The probe tells the format, checks the size before any library allocates for it, and refuses
    // GIF and JPEG files cut short, which the libraries would show with made-up pixels.
    auto const probe = probe_picture(file);
    if (!probe || !picture_fits_file(probe->width, probe->height, file.size()))
        return false;
    switch (probe->format) {
    case PictureFormat::Gif:
        return read_gif(file, sink);
    case PictureFormat::Jpeg:
        return read_jpeg(file, sink);
    case PictureFormat::Png:
        return read_png(file, sink, PngReading::General);
    case PictureFormat::Bmp:
    case PictureFormat::Icon:
    case PictureFormat::Cursor:
        // The engine reads these itself.
    case PictureFormat::Tiff:
    case PictureFormat::Webp:
        // The system's loader never read them, and their libraries are large for what they would add.
        return false;
    }
    return false;
}

std::unique_ptr<PluginLibrary> HostImageCodecs::open_plugin(const std::string& host_path)
{
    return open_dynamic_library(host_path);
}

} // namespace advplay::platform
