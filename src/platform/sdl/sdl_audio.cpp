// SdlAudio.
#include "platform/sdl/sdl_audio.h"

#include <algorithm>

namespace advplay::platform {

SdlAudio::SdlAudio(SdlMixer& mixer)
    : m_mixer(mixer)
{
    if (m_mixer.is_open())
        m_mixer.attach(*this);
}

SdlAudio::~SdlAudio()
{
    m_mixer.detach(*this);
}

void SdlAudio::beep(std::uint32_t frequency_hz, std::uint32_t duration_ms)
{
    if (!m_mixer.is_open() || frequency_hz == 0)
        return;
    constexpr std::size_t kRate = SdlMixer::kRate;
    std::size_t const samples = kRate * duration_ms / 1000;
    std::size_t const half_period = std::max<std::size_t>(1, kRate / (2 * std::size_t { frequency_hz }));
    std::lock_guard const lock(m_mutex);
    // What was heard already is dropped here, off the audio thread.
    m_wave.erase(m_wave.begin(), m_wave.begin() + static_cast<std::ptrdiff_t>(m_next));
    m_next = 0;
    m_wave.reserve(m_wave.size() + samples);
    for (std::size_t i = 0; i < samples; ++i)
        m_wave.push_back((i / half_period) % 2 == 0 ? 8192 : -8192);
}

void SdlAudio::mix_into(std::int16_t* out, std::size_t frames)
{
    std::lock_guard const lock(m_mutex);
    std::size_t const count = std::min(frames, m_wave.size() - m_next);
    for (std::size_t i = 0; i < count; ++i) {
        std::int16_t const sample = m_wave[m_next + i];
        std::int16_t const both[SdlMixer::kChannels] = { sample, sample };
        add_samples(out + (i * SdlMixer::kChannels), both, SdlMixer::kChannels);
    }
    m_next += count;
}

} // namespace advplay::platform
