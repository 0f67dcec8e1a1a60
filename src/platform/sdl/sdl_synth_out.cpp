// SdlSynthOut.
#include "platform/sdl/sdl_synth_out.h"

namespace advplay::platform {

SdlSynthOut::SdlSynthOut(const std::string& soundfont_path, SdlMixer& mixer)
    : m_mixer(mixer)
    , m_synthesizer(SdlMixer::kRate)
    , m_scratch(static_cast<std::size_t>(SdlMixer::kRoundFrames) * SdlMixer::kChannels)
{
    if (!m_synthesizer.load_soundfont(soundfont_path)) {
        m_error = "cannot load the SoundFont " + soundfont_path;
        return;
    }
    if (!m_mixer.is_open()) {
        m_error = m_mixer.error();
        return;
    }
    m_mixer.attach(*this);
}

SdlSynthOut::~SdlSynthOut()
{
    m_mixer.detach(*this);
}

void SdlSynthOut::mix_into(std::int16_t* out, std::size_t frames)
{
    std::size_t const piece = m_scratch.size() / SdlMixer::kChannels;
    for (std::size_t done = 0; done < frames; done += piece) {
        std::size_t const count = std::min(piece, frames - done);
        m_synthesizer.render(m_scratch.data(), count);
        add_samples(out + (done * SdlMixer::kChannels), m_scratch.data(), count * SdlMixer::kChannels);
    }
}

} // namespace advplay::platform
