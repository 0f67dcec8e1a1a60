// DeviceLink: what the media devices reach the system through, and where they write their failures.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace advplay {
struct InternalErrorLog;
}

namespace advplay::platform {
class Clock;
class Files;
class MediaPlayer;
} // namespace advplay::platform

namespace advplay::media {

// The value of a device id while the device is closed.
constexpr int kClosed = -1;

class DeviceLink {
public:
    DeviceLink(platform::Files& files, platform::Clock& clock, InternalErrorLog& errors)
        : m_files(files)
        , m_clock(clock)
        , m_errors(errors)
    {
    }

    // The player the devices drive. Without one, every medium fails to open (and says so), as on a
    // machine without the devices.
    platform::MediaPlayer* player { nullptr };

    platform::Files& files() { return m_files; }
    // Hands a device failure to the internal-error log.
    void report(std::string_view message);
    // The host path of a file of the game (an engine path), or nothing when there is no such file.
    std::optional<std::string> host_path(std::string_view engine_path);

private:
    platform::Files& m_files;
    platform::Clock& m_clock;
    InternalErrorLog& m_errors;
};

} // namespace advplay::media
