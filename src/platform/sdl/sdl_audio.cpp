// SdlAudio.
#include "platform/sdl/sdl_audio.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

namespace advplay::platform {

SdlAudio::SdlAudio()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    SDL_AudioSpec wanted {};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = 512;
    SDL_AudioSpec obtained {};
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    m_rate = obtained.freq;
    SDL_PauseAudioDevice(m_device, 0);
}

SdlAudio::~SdlAudio()
{
    if (m_device == 0)
        return;
    SDL_CloseAudioDevice(m_device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudio::beep(std::uint32_t frequency_hz, std::uint32_t duration_ms)
{
    if (m_device == 0 || frequency_hz == 0)
        return;
    std::size_t const samples = static_cast<std::size_t>(m_rate) * duration_ms / 1000;
    std::vector<Sint16> wave(samples);
    std::size_t const half_period
        = std::max<std::size_t>(1, static_cast<std::size_t>(m_rate) / (2 * frequency_hz));
    for (std::size_t i = 0; i < samples; ++i)
        wave[i] = (i / half_period) % 2 == 0 ? 8192 : -8192;
    SDL_QueueAudio(m_device, wave.data(), static_cast<Uint32>(wave.size() * sizeof(Sint16)));
}

} // namespace advplay::platform
