// SdlImageCodecs: SDL2_image stands in for the system's general picture loader.
#include "platform/sdl/sdl_image_codecs.h"

#include "platform/picture_probe.h"
#include "platform/posix/dynamic_library.h"
#include "platform/posix/png_reader.h"

#include <SDL.h>
#include <SDL_image.h>

#include <climits>

namespace advplay::platform {

namespace {

// The format's own loader: the probe has already told the format, and SDL2_image's detection is
// stricter than its loaders (a JPEG with a damaged comment length, which libjpeg reads, fails it).
SDL_Surface* load(PictureFormat format, SDL_RWops* stream)
{
    switch (format) {
    case PictureFormat::Bmp:
        return IMG_LoadBMP_RW(stream);
    case PictureFormat::Gif:
        return IMG_LoadGIF_RW(stream);
    case PictureFormat::Jpeg:
        return IMG_LoadJPG_RW(stream);
    case PictureFormat::Png:
        return IMG_LoadPNG_RW(stream);
    case PictureFormat::Tiff:
        return IMG_LoadTIF_RW(stream);
    case PictureFormat::Webp:
        return IMG_LoadWEBP_RW(stream);
    case PictureFormat::Icon:
        return IMG_LoadICO_RW(stream);
    case PictureFormat::Cursor:
        return IMG_LoadCUR_RW(stream);
    }
    return nullptr;
}

// The loaded picture as 8-bit RGB, or RGBA when it has an alpha channel. A colour key (a GIF's
// transparent index) is no alpha channel: those pixels keep their palette colour.
bool hand_over(SDL_Surface* loaded, PictureSink& sink)
{
    if (loaded->w <= 0 || loaded->h <= 0 || !picture_size_allowed(loaded->w, loaded->h))
        return false;
    bool const has_alpha = SDL_ISPIXELFORMAT_ALPHA(loaded->format->format);
    SDL_Surface* converted
        = SDL_ConvertSurfaceFormat(loaded, has_alpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24, 0);
    if (!converted)
        return false;
    bool handed = false;
    if (SDL_LockSurface(converted) == 0) {
        handed = sink.begin(converted->w, converted->h, has_alpha ? 4 : 3);
        for (int y = 0; handed && y < converted->h; ++y)
            sink.row(y,
                static_cast<const std::uint8_t*>(converted->pixels)
                    + static_cast<std::ptrdiff_t>(converted->pitch) * y);
        SDL_UnlockSurface(converted);
    }
    SDL_FreeSurface(converted);
    return handed;
}

} // namespace

bool SdlImageCodecs::decode_png(std::span<const std::uint8_t> file, PictureSink& sink)
{
    return read_png(file, sink);
}

bool SdlImageCodecs::decode_any(std::span<const std::uint8_t> file, PictureSink& sink)
{
    // SDL2_image allocates (and clears) a picture of whatever size the file declares before it reads
    // a pixel, so only files whose size is known and allowed are handed to it.
    auto const probe = probe_picture(file);
    if (!probe || !picture_size_allowed(probe->width, probe->height) || file.size() > INT_MAX)
        return false;
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    if (!stream)
        return false;
    SDL_Surface* loaded = load(probe->format, stream);
    SDL_RWclose(stream);
    if (!loaded)
        return false;
    bool const handed = hand_over(loaded, sink);
    SDL_FreeSurface(loaded);
    return handed;
}

std::unique_ptr<PluginLibrary> SdlImageCodecs::open_plugin(const std::string& host_path)
{
    return open_dynamic_library(host_path);
}

} // namespace advplay::platform
