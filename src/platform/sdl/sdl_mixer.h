// SdlMixer: the one sound device of a run, opened through SDL2_mixer. The mixer's own channel and
// music stream play as they are; every other sound (disc tracks and movie sound, the synthesiser,
// the beep) is added to its output by a MixSource. One device for everything, because a bare ALSA
// device without a software mixer refuses a second opener, and a captured run hears the whole game.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace advplay::platform {

// A sound added to the device's output on the audio thread.
class MixSource {
public:
    virtual ~MixSource() = default;
    // Adds the next `frames` frames (SdlMixer::kRate, 16-bit stereo, left and right interleaved) to
    // `out`, saturating. Runs on the audio thread with the mixer's lock held: no call into SDL_mixer.
    virtual void mix_into(std::int16_t* out, std::size_t frames) = 0;
};

// Adds `count` samples of `in` to `out`, clipped to 16 bits.
inline void add_samples(std::int16_t* out, const std::int16_t* in, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::int16_t>(std::clamp(out[i] + in[i], -32768, 32767));
}

class SdlMixer {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    // Frames per mixing round: about 12 ms, the longest a MIDI message waits to be heard.
    static constexpr int kRoundFrames = 512;

    // Opens the device in the format above (SDL converts where the hardware differs); when it
    // cannot, error() says why and every source stays silent.
    SdlMixer();
    ~SdlMixer();
    SdlMixer(const SdlMixer&) = delete;
    SdlMixer& operator=(const SdlMixer&) = delete;

    bool is_open() const { return m_open; }
    const std::string& error() const { return m_error; }

    // From the next round on, `source` is heard.
    void attach(MixSource& source);
    // Once this returns, `source` is never called again; a source detaches before it is destroyed.
    void detach(MixSource& source);

private:
    static void post_mix(void* self, std::uint8_t* stream, int length);

    bool m_open { false };
    std::string m_error;
    std::mutex m_mutex;
    std::vector<MixSource*> m_sources;
};

} // namespace advplay::platform
