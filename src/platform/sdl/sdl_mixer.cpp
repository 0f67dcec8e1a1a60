// SdlMixer.
#include "platform/sdl/sdl_mixer.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace advplay::platform {

SdlMixer::SdlMixer()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_error = std::string("no sound: ") + SDL_GetError();
        return;
    }
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    // A fixed format, so that every source can rely on it.
    if (Mix_OpenAudioDevice(kRate, AUDIO_S16SYS, kChannels, kRoundFrames, nullptr, 0) != 0) {
        m_error = std::string("no sound device: ") + Mix_GetError();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    m_open = true;
    Mix_SetPostMix(&SdlMixer::post_mix, this);
}

SdlMixer::~SdlMixer()
{
    if (!m_open)
        return;
    // From here on the audio thread no longer calls back.
    Mix_SetPostMix(nullptr, nullptr);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlMixer::attach(MixSource& source)
{
    std::lock_guard const lock(m_mutex);
    if (std::find(m_sources.begin(), m_sources.end(), &source) == m_sources.end())
        m_sources.push_back(&source);
}

void SdlMixer::detach(MixSource& source)
{
    std::lock_guard const lock(m_mutex);
    std::erase(m_sources, &source);
}

void SdlMixer::post_mix(void* self, std::uint8_t* stream, int length)
{
    auto* const mixer = static_cast<SdlMixer*>(self);
    std::size_t const frames = static_cast<std::size_t>(length) / (kChannels * sizeof(std::int16_t));
    std::lock_guard const lock(mixer->m_mutex);
    for (MixSource* source : mixer->m_sources)
        source->mix_into(reinterpret_cast<std::int16_t*>(stream), frames);
}

} // namespace advplay::platform
