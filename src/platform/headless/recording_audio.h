// RecordingAudio: headless sound output that writes down what it was asked to play.
#pragma once

#include "platform/audio.h"
#include "platform/headless/recent_log.h"

#include <string>
#include <vector>

namespace advplay::platform {

class RecordingAudio final : public Audio {
public:
    void beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) override
    {
        m_log.push("beep " + std::to_string(frequency_hz) + " Hz " + std::to_string(duration_ms) + " ms");
    }
    // The last 512 beeps at least.
    const std::vector<std::string>& log() const { return m_log.entries(); }

private:
    RecentLog<std::string> m_log { 1024 };
};

} // namespace advplay::platform
