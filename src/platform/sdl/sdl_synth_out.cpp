// SdlSynthOut. Messages are not handed to the synthesiser as they come: it renders a whole mixing
// round (about 12 ms) at a time, so a message would take effect at the start of the next round,
// early or late by up to a round depending on when in the round it came. Instead each message is
// stamped and applied one round later at its own place in the round, so every message is heard the
// same round after it was sent and the song keeps its rhythm.
#include "platform/sdl/sdl_synth_out.h"

#include <algorithm>

namespace advplay::platform {

using std::chrono::steady_clock;

std::size_t frame_in_round(
    steady_clock::time_point sent, steady_clock::time_point round_start, std::size_t frames, int rate)
{
    if (sent <= round_start)
        return 0;
    auto const after = std::chrono::duration_cast<std::chrono::nanoseconds>(sent - round_start).count();
    auto const frame = static_cast<std::uint64_t>(after) * static_cast<std::uint64_t>(rate) / 1'000'000'000;
    return static_cast<std::size_t>(std::min<std::uint64_t>(frame, frames));
}

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

void SdlSynthOut::queue(Message::Kind kind, std::uint32_t packed, std::span<const std::uint8_t> bytes)
{
    // Without the audio thread nobody would ever take them.
    if (!m_error.empty())
        return;
    Message message;
    message.sent = steady_clock::now();
    message.kind = kind;
    message.packed = packed;
    message.bytes.assign(bytes.begin(), bytes.end());
    std::lock_guard const lock(m_mutex);
    m_queued.push_back(std::move(message));
}

void SdlSynthOut::reset()
{
    queue(Message::Kind::Reset, 0, {});
}

void SdlSynthOut::send_short(std::uint32_t message)
{
    queue(Message::Kind::Short, message, {});
}

void SdlSynthOut::send_long(std::span<const std::uint8_t> message)
{
    queue(Message::Kind::Long, 0, message);
}

void SdlSynthOut::set_volume(int percent)
{
    queue(Message::Kind::Volume, static_cast<std::uint32_t>(std::clamp(percent, 0, 100)), {});
}

void SdlSynthOut::mix_into(std::int16_t* out, std::size_t frames)
{
    auto const now = steady_clock::now();
    {
        std::lock_guard const lock(m_mutex);
        std::swap(m_queued, m_taken);
    }
    // This round plays what was sent during the round before it.
    auto const round = std::chrono::nanoseconds(std::uint64_t { frames } * 1'000'000'000 / SdlMixer::kRate);
    auto const round_start = now - round;
    std::size_t done = 0;
    for (Message const& message : m_taken) {
        std::size_t const at = frame_in_round(message.sent, round_start, frames, SdlMixer::kRate);
        if (at > done) {
            render(out, done, at);
            done = at;
        }
        switch (message.kind) {
        case Message::Kind::Short:
            m_synthesizer.short_message(message.packed);
            break;
        case Message::Kind::Long:
            m_synthesizer.long_message(message.bytes);
            break;
        case Message::Kind::Reset:
            m_synthesizer.release_all();
            break;
        case Message::Kind::Volume:
            m_synthesizer.set_volume(static_cast<int>(message.packed));
            break;
        }
    }
    render(out, done, frames);
    m_taken.clear();
}

void SdlSynthOut::render(std::int16_t* out, std::size_t from, std::size_t to)
{
    std::size_t const piece = m_scratch.size() / SdlMixer::kChannels;
    while (from < to) {
        std::size_t const count = std::min(piece, to - from);
        m_synthesizer.render(m_scratch.data(), count);
        add_samples(out + (from * SdlMixer::kChannels), m_scratch.data(), count * SdlMixer::kChannels);
        from += count;
    }
}

} // namespace advplay::platform
