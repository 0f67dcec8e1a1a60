// MoviePlayback.
#include "platform/ffmpeg/movie_playback.h"

#include "platform/clock.h"
#include "platform/window.h"

namespace advplay::platform {

MoviePlayback::MoviePlayback(Clock& clock)
    : m_clock(clock)
{
}

bool MoviePlayback::open(const std::string& host_path)
{
    m_playing = false;
    m_at_start = true;
    return m_decoder.open(host_path);
}

void MoviePlayback::play(bool repeat)
{
    if (!m_at_start)
        m_at_start = m_decoder.rewind();
    m_repeat = repeat;
    m_playing = m_decoder.is_open();
    m_started = m_clock.now();
}

void MoviePlayback::show()
{
    if (!m_window)
        return;
    PictureArea area;
    area.pixels = m_decoder.picture().data();
    area.pitch = MovieDecoder::kWidth;
    area.w = MovieDecoder::kWidth;
    area.h = MovieDecoder::kHeight;
    m_window->present(area);
}

MoviePlayback::Progress MoviePlayback::update()
{
    if (!m_playing)
        return Progress::Going;
    std::uint32_t const elapsed = m_clock.now() - m_started;
    m_at_start = false;
    if (m_decoder.advance(elapsed))
        show();
    if (!m_decoder.finished(elapsed))
        return Progress::Going;
    // A movie with nothing to show would start over at every look: it ends, repeating or not.
    if (m_repeat && elapsed > 0 && m_decoder.rewind()) {
        m_started = m_clock.now();
        if (m_decoder.advance(0))
            show();
        return Progress::Restarted;
    }
    m_playing = false;
    m_at_start = false;
    return Progress::Ended;
}

} // namespace advplay::platform
