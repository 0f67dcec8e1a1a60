// SdlImageCodecs: PNG through libpng, every other picture through SDL2_image, plug-ins through the
// dynamic loader. Needs no display, so the window and the headless backend share it.
#pragma once

#include "platform/image_codecs.h"

namespace advplay::platform {

class SdlImageCodecs final : public ImageCodecs {
public:
    bool decode_png(std::span<const std::uint8_t> file, PictureSink& sink) override;
    bool decode_any(std::span<const std::uint8_t> file, PictureSink& sink) override;
    std::unique_ptr<PluginLibrary> open_plugin(const std::string& host_path) override;
};

} // namespace advplay::platform
