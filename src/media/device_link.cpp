// DeviceLink.
#include "media/device_link.h"

#include "common/internal_error.h"
#include "platform/files.h"

namespace advplay::media {

void DeviceLink::report(std::string_view message)
{
    report_internal_error(m_errors, m_clock, message);
}

std::optional<std::string> DeviceLink::host_path(std::string_view engine_path)
{
    if (m_files.kind(engine_path) != platform::PathKind::File)
        return std::nullopt;
    return m_files.host_path(engine_path);
}

} // namespace advplay::media
