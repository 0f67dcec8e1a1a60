// HostImageCodecs: PNG through libpng, GIF through giflib, JPEG through libjpeg-turbo, plug-ins
// through the dynamic loader. Needs no display, so the window and the headless backend share it.
#pragma once

#include "platform/image_codecs.h"

namespace advplay::platform {

class HostImageCodecs final : public ImageCodecs {
public:
    bool decode_png(std::span<const std::uint8_t> file, PictureSink& sink) override;
    bool decode_any(std::span<const std::uint8_t> file, PictureSink& sink) override;
    std::unique_ptr<PluginLibrary> open_plugin(const std::string& host_path) override;
};

} // namespace advplay::platform
