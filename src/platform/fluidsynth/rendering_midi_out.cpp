// RenderingMidiOut.
#include "platform/fluidsynth/rendering_midi_out.h"

#include "platform/clock.h"

namespace advplay::platform {

RenderingMidiOut::RenderingMidiOut(Clock& clock, FluidSynthesizer& synthesizer)
    : m_clock(clock)
    , m_synthesizer(synthesizer)
    , m_origin(clock.now())
{
}

void RenderingMidiOut::set_origin(std::uint32_t time)
{
    m_origin = time;
    m_frames = 0;
    m_samples.clear();
}

void RenderingMidiOut::render_to_now()
{
    auto const since = static_cast<std::int32_t>(m_clock.now() - m_origin);
    if (since <= 0)
        return;
    std::uint64_t const target = static_cast<std::uint64_t>(since) * m_synthesizer.sample_rate() / 1000;
    if (target <= m_frames)
        return;
    std::size_t const frames = static_cast<std::size_t>(target - m_frames);
    std::size_t const at = m_samples.size();
    m_samples.resize(at + frames * 2);
    m_synthesizer.render(m_samples.data() + at, frames);
    m_frames = target;
}

void RenderingMidiOut::reset()
{
    render_to_now();
    m_synthesizer.release_all();
}

void RenderingMidiOut::send_short(std::uint32_t message)
{
    render_to_now();
    m_synthesizer.short_message(message);
}

void RenderingMidiOut::send_long(std::span<const std::uint8_t> message)
{
    render_to_now();
    m_synthesizer.long_message(message);
}

void RenderingMidiOut::set_volume(int percent)
{
    render_to_now();
    m_synthesizer.set_volume(percent);
}

} // namespace advplay::platform
