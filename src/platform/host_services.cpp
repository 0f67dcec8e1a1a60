// The services every backend on a POSIX host shares.
#include "platform/host_services.h"

#include "platform/codecs/host_image_codecs.h"
#include "platform/fonts/freetype_fonts.h"
#include "platform/posix/host_files.h"
#include "platform/text_encoding.h"

namespace advplay::platform {

void add_host_services(const BackendOptions& options, Services& services)
{
    services.encoding = std::make_unique<TextEncoding>();
    auto files = std::make_unique<HostFiles>(options.game_folder, *services.encoding);
    files->on_refused(options.on_refused_path);
    services.files = std::move(files);
    services.fonts = std::make_unique<FreeTypeFonts>(*services.encoding, options.font_map);
    services.images = std::make_unique<HostImageCodecs>();
}

} // namespace advplay::platform
