// SdlSynthOut: the default MIDI output, a General MIDI synthesiser (FluidSynth) sounding through the
// run's sound device.
#pragma once

#include "platform/midi_out.h"
#include "platform/sdl/fluid_synthesizer.h"
#include "platform/sdl/sdl_mixer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace advplay::platform {

class SdlSynthOut final : public MidiOut, private MixSource {
public:
    // Loads the SoundFont and joins the mixer's output; when either fails, error() says why and the
    // output never opens, so songs play silently.
    SdlSynthOut(const std::string& soundfont_path, SdlMixer& mixer);
    ~SdlSynthOut() override;
    SdlSynthOut(const SdlSynthOut&) = delete;
    SdlSynthOut& operator=(const SdlSynthOut&) = delete;

    // Empty when the synthesiser sounds.
    const std::string& error() const { return m_error; }

    bool open() override { return m_error.empty(); }
    void reset() override { m_synthesizer.release_all(); }
    void close() override { }
    void send_short(std::uint32_t message) override { m_synthesizer.short_message(message); }
    void send_long(std::span<const std::uint8_t> message) override { m_synthesizer.long_message(message); }

private:
    void mix_into(std::int16_t* out, std::size_t frames) override;

    SdlMixer& m_mixer;
    FluidSynthesizer m_synthesizer;
    // Audio thread only.
    std::vector<std::int16_t> m_scratch;
    std::string m_error;
};

} // namespace advplay::platform
