// SdlSynthOut.
#include "platform/sdl/sdl_synth_out.h"

#include <SDL.h>

namespace advplay::platform {

namespace {

constexpr int kRate = 44100;
// About 12 ms a buffer: a message waits at most that long to be heard.
constexpr Uint16 kBufferFrames = 512;

} // namespace

SdlSynthOut::SdlSynthOut(const std::string& soundfont_path)
    : m_synthesizer(kRate)
{
    if (!m_synthesizer.load_soundfont(soundfont_path)) {
        m_error = "cannot load the SoundFont " + soundfont_path;
        return;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_error = std::string("no sound: ") + SDL_GetError();
        return;
    }
    SDL_AudioSpec wanted {};
    wanted.freq = kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kBufferFrames;
    wanted.callback = &SdlSynthOut::fill;
    wanted.userdata = this;
    SDL_AudioSpec obtained {};
    // The synthesiser renders at its own rate in stereo; SDL converts to what the device wants.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_device == 0) {
        m_error = std::string("no sound device for the music: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    SDL_PauseAudioDevice(m_device, 0);
}

SdlSynthOut::~SdlSynthOut()
{
    if (m_device == 0)
        return;
    SDL_CloseAudioDevice(m_device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlSynthOut::fill(void* self, std::uint8_t* stream, int length)
{
    auto* const out = static_cast<SdlSynthOut*>(self);
    out->m_synthesizer.render(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(length) / 4);
}

} // namespace advplay::platform
