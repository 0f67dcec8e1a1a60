// RecordingAudio: headless sound output that writes down what it was asked to play.
#pragma once

#include "platform/audio.h"

#include <string>
#include <vector>

namespace advplay::platform {

class RecordingAudio final : public Audio {
public:
    void beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) override
    {
        m_log.push_back(
            "beep " + std::to_string(frequency_hz) + " Hz " + std::to_string(duration_ms) + " ms");
    }
    const std::vector<std::string>& log() const { return m_log; }

private:
    std::vector<std::string> m_log;
};

} // namespace advplay::platform
