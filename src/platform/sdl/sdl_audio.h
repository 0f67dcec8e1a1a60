// SdlAudio: the beep, sounding through the run's sound device.
#pragma once

#include "platform/audio.h"
#include "platform/sdl/sdl_mixer.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace advplay::platform {

class SdlAudio final : public Audio, private MixSource {
public:
    explicit SdlAudio(SdlMixer& mixer);
    ~SdlAudio() override;
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

    // A square wave at a quarter of full volume, after the tones still sounding; silent without a
    // sound device.
    void beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) override;

private:
    void mix_into(std::int16_t* out, std::size_t frames) override;

    SdlMixer& m_mixer;
    std::mutex m_mutex;
    // Mono samples not yet heard, from m_next on.
    std::vector<std::int16_t> m_wave;
    std::size_t m_next { 0 };
};

} // namespace advplay::platform
