// CMIDIOutput: the MP3 player (its name is the original's). One file at a time, played from its
// start, again at each end when it loops.
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

// Results are 0 for success; failures are written to the internal-error log (where there are words
// for them) and reported as 1 or 2, which the MP3 command ignores.
class CMIDIOutput {
public:
    explicit CMIDIOutput(DeviceLink& link)
        : m_link(link)
    {
    }
    ~CMIDIOutput() { (void)Close(); }
    CMIDIOutput(const CMIDIOutput&) = delete;
    CMIDIOutput& operator=(const CMIDIOutput&) = delete;

    void SetWindow(platform::Window* window) { m_window = window; }
    // The file to play next (an engine path); closes the one open.
    void SetFile(std::string_view path);
    // 0 when open already; 1 when the file cannot be opened.
    int Open();
    // Opens if needed and plays from the start. 1: it cannot be opened; 2: it cannot play.
    int Play();
    // The file stays open. 1 when closed; 0 when not playing; 2 when the device fails (then the
    // player still counts as playing if it could not even say where it was).
    int Stop();
    int Close();
    void SetLoop(bool loop) { m_loop = loop; }
    // 0 when the notification is this player's end of play, which plays the file again when it loops
    // and stops it otherwise; 1 for any other.
    int Notify(platform::DeviceNotice notice, int device);

    bool playing() const { return m_playing; }
    int device() const { return m_device; }

private:
    DeviceLink& m_link;
    platform::Window* m_window { nullptr };
    int m_device { kClosed };
    bool m_loop { false };
    bool m_playing { false };
    std::string m_file;
};

} // namespace advplay::media
