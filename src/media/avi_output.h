// CAVIOutput: the movie player. A movie plays in the main window, filling it, until its end or a
// click stops it.
#pragma once

#include "media/device_link.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace advplay::platform {
class Window;
enum class DeviceNotice : std::uint8_t;
} // namespace advplay::platform

namespace advplay::media {

// Results are 0 for success; failures are written to the internal-error log and reported as 1 or 2,
// which the movie command ignores: a movie that does not play is simply not seen.
class CAVIOutput {
public:
    explicit CAVIOutput(DeviceLink& link)
        : m_link(link)
    {
    }
    ~CAVIOutput() { (void)Close(); }
    CAVIOutput(const CAVIOutput&) = delete;
    CAVIOutput& operator=(const CAVIOutput&) = delete;

    // The window the movie shows in and that gets its notifications.
    void SetWindow(platform::Window* window) { m_window = window; }
    // The movie to play next (an engine path); closes the one open.
    void SetFile(std::string_view path);
    void SetRepeat(bool repeat) { m_repeat = repeat; }
    // 0 when open already. 1: the movie cannot be opened; 2: it cannot be given the window (it stays
    // open).
    int Open();
    // Opens if needed and plays from the start; a repeating movie plays for ever and reports no end.
    // 1: it cannot be opened; 2: it cannot play.
    int Play();
    // 1 when closed; 0 when not playing.
    int Stop();
    int Close();
    bool IsPlaying() const { return m_playing; }
    // Whether the movie plays again at each end; such a movie ends only by a click.
    bool repeating() const { return m_repeat; }
    // 0 when the notification is this player's end of play (it no longer plays); 1 for any other.
    int Notify(platform::DeviceNotice notice, int device);

    // The movie's path in double quotes, as every request names it.
    const std::string& file() const { return m_file; }
    int device() const { return m_device; }

private:
    DeviceLink& m_link;
    platform::Window* m_window { nullptr };
    int m_device { kClosed };
    bool m_repeat { false };
    bool m_playing { false };
    std::string m_file;
};

} // namespace advplay::media
