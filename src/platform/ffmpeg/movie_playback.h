// MoviePlayback: one movie's play in the window: its pictures on the clock's time, its repeats and
// its end. Both media players use it; a headless clock makes the pictures come on virtual time.
#pragma once

#include "platform/ffmpeg/ffmpeg_movie.h"

#include <cstdint>
#include <string>

namespace advplay::platform {

class Clock;
class Window;

class MoviePlayback {
public:
    explicit MoviePlayback(Clock& clock);

    [[nodiscard]] bool open(const std::string& host_path);
    // Where the pictures go; none shows them nowhere.
    void set_window(Window* window) { m_window = window; }
    Window* window() const { return m_window; }

    // From the first picture; with `repeat` over and over.
    void play(bool repeat);
    void stop() { m_playing = false; }
    bool playing() const { return m_playing; }

    enum class Progress {
        // Playing on, or not playing at all.
        Going,
        // A repeating movie reached its end and began again.
        Restarted,
        // The movie played to its end just now.
        Ended,
    };
    // Shows the picture due now in the window.
    Progress update();

private:
    void show();

    Clock& m_clock;
    MovieDecoder m_decoder;
    Window* m_window { nullptr };
    bool m_playing { false };
    bool m_repeat { false };
    // The decoder stands at the first picture.
    bool m_at_start { true };
    std::uint32_t m_started { 0 };
};

} // namespace advplay::platform
