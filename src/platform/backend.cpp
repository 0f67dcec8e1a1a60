// The owned set of services, and the look-ups in the table of built-in backends.
#include "platform/backend.h"

#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/font_rasterizer.h"
#include "platform/image_codecs.h"
#include "platform/media_player.h"
#include "platform/midi_out.h"
#include "platform/periodic_timer.h"
#include "platform/text_encoding.h"
#include "platform/window.h"

namespace advplay::platform {

Services::Services() = default;
Services::~Services() = default;
Services::Services(Services&&) noexcept = default;
Services& Services::operator=(Services&&) noexcept = default;

const BackendEntry* find_backend(std::string_view name)
{
    for (auto const& entry : backends()) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

const BackendEntry* default_backend()
{
    for (auto const& entry : backends()) {
        if (!entry.unattended)
            return &entry;
    }
    return nullptr;
}

} // namespace advplay::platform
