// SdlAudio: the sound output on SDL2.
#pragma once

#include "platform/audio.h"

#include <cstdint>

namespace advplay::platform {

class SdlAudio final : public Audio {
public:
    SdlAudio();
    ~SdlAudio() override;
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

    // A square wave at a quarter of full volume; silent when no sound device could be opened.
    void beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) override;

private:
    std::uint32_t m_device { 0 };
    int m_rate { 0 };
};

} // namespace advplay::platform
