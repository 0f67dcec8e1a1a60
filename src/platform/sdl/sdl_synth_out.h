// SdlSynthOut: the default MIDI output, a General MIDI synthesiser (FluidSynth) sounding through an
// SDL audio device.
#pragma once

#include "platform/midi_out.h"
#include "platform/sdl/fluid_synthesizer.h"

#include <cstdint>
#include <string>

namespace advplay::platform {

class SdlSynthOut final : public MidiOut {
public:
    // Loads the SoundFont and opens the sound device; when either fails, error() says why and the
    // output never opens, so songs play silently.
    explicit SdlSynthOut(const std::string& soundfont_path);
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
    static void fill(void* self, std::uint8_t* stream, int length);

    FluidSynthesizer m_synthesizer;
    std::uint32_t m_device { 0 };
    std::string m_error;
};

} // namespace advplay::platform
