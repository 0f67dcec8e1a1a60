// FluidSynthesizer.
#include "platform/fluidsynth/fluid_synthesizer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <vector>

namespace advplay::platform {

namespace {

// FluidSynth's own gain (0.2) leaves songs 15 to 20 dB below the CD tracks and effects they play
// beside; at 0.5 the densest test songs still peak 5 dB below full scale.
constexpr double kGain = 0.5;

} // namespace

struct FluidSynthesizer::State {
    fluid_settings_t* settings { nullptr };
    fluid_synth_t* synth { nullptr };
    int soundfont { FLUID_FAILED };
    // Set once a block came out silent (but for the dither) with no voice left (the reverb's tail has died
    // away): until the next message, silence needs no synthesising, and an idle game costs the sound thread
    // nothing.
    std::atomic<bool> resting { false };
    // The gain last set, in percent of kGain.
    int volume { 100 };
};

FluidSynthesizer::FluidSynthesizer(int sample_rate)
    : m_state(std::make_unique<State>())
    , m_sample_rate(sample_rate)
{
    // FluidSynth's warnings (a preset missing from the SoundFont, say) would reach the player's
    // terminal; a SoundFont that does not load is reported by the caller instead.
    for (int level : { FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG })
        fluid_set_log_function(level, nullptr, nullptr);
    m_state->settings = new_fluid_settings();
    if (!m_state->settings)
        return;
    fluid_settings_setnum(m_state->settings, "synth.sample-rate", sample_rate);
    fluid_settings_setnum(m_state->settings, "synth.gain", kGain);
    m_state->synth = new_fluid_synth(m_state->settings);
}

FluidSynthesizer::~FluidSynthesizer()
{
    if (m_state->synth)
        delete_fluid_synth(m_state->synth);
    if (m_state->settings)
        delete_fluid_settings(m_state->settings);
}

bool FluidSynthesizer::load_soundfont(const std::string& host_path)
{
    if (!m_state->synth)
        return false;
    if (m_state->soundfont != FLUID_FAILED) {
        fluid_synth_sfunload(m_state->synth, m_state->soundfont, 1);
        m_state->soundfont = FLUID_FAILED;
    }
    m_state->soundfont = fluid_synth_sfload(m_state->synth, host_path.c_str(), 1);
    return m_state->soundfont != FLUID_FAILED;
}

bool FluidSynthesizer::ready() const
{
    return m_state->synth && m_state->soundfont != FLUID_FAILED;
}

void FluidSynthesizer::short_message(std::uint32_t message)
{
    fluid_synth_t* const synth = m_state->synth;
    if (!synth)
        return;
    m_state->resting = false;
    int const status = message & 0xFF;
    int const channel = status & 0x0F;
    int const data1 = (message >> 8) & 0x7F;
    int const data2 = (message >> 16) & 0x7F;
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth, channel, data1);
        break;
    case 0x90:
        // A velocity of 0 is a note-off, which FluidSynth's note-on knows.
        fluid_synth_noteon(synth, channel, data1, data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth, channel, data1, data2);
        break;
    case 0xB0:
        fluid_synth_cc(synth, channel, data1, data2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth, channel, data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth, channel, data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth, channel, data1 | data2 << 7);
        break;
    default:
        break;
    }
}

void FluidSynthesizer::long_message(std::span<const std::uint8_t> message)
{
    if (!m_state->synth)
        return;
    if (!message.empty() && message.front() == 0xF0)
        message = message.subspan(1);
    if (!message.empty() && message.back() == 0xF7)
        message = message.first(message.size() - 1);
    if (message.empty() || message.size() > INT_MAX)
        return;
    m_state->resting = false;
    fluid_synth_sysex(m_state->synth, reinterpret_cast<const char*>(message.data()),
        static_cast<int>(message.size()), nullptr, nullptr, nullptr, 0);
}

void FluidSynthesizer::release_all()
{
    if (!m_state->synth)
        return;
    m_state->resting = false;
    for (int channel = 0; channel < 16; ++channel)
        fluid_synth_cc(m_state->synth, channel, 64, 0);
    fluid_synth_all_notes_off(m_state->synth, -1);
}

void FluidSynthesizer::set_volume(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (!m_state->synth || percent == m_state->volume)
        return;
    m_state->volume = percent;
    // kGain is exact in a float, so at 100 this is the very gain the settings gave.
    fluid_synth_set_gain(m_state->synth, static_cast<float>(kGain * percent / 100));
}

void FluidSynthesizer::render(std::int16_t* out, std::size_t frames)
{
    if (!ready()) {
        std::fill(out, out + frames * 2, std::int16_t { 0 });
        return;
    }
    bool const voiceless = fluid_synth_get_active_voice_count(m_state->synth) == 0;
    if (voiceless && m_state->resting) {
        std::fill(out, out + frames * 2, std::int16_t { 0 });
        return;
    }
    std::int16_t* const start = out;
    std::size_t const total = frames * 2;
    while (frames > 0) {
        int const chunk = frames > 4096 ? 4096 : static_cast<int>(frames);
        fluid_synth_write_s16(m_state->synth, chunk, out, 0, 2, out, 1, 2);
        out += static_cast<std::size_t>(chunk) * 2;
        frames -= static_cast<std::size_t>(chunk);
    }
    // FluidSynth dithers: silence comes out as noise in the last bit.
    if (voiceless
        && std::all_of(start, start + total, [](std::int16_t sample) { return sample >= -1 && sample <= 1; }))
        m_state->resting = true;
}

bool FluidSynthesizer::resting() const
{
    return m_state->resting;
}

} // namespace advplay::platform
