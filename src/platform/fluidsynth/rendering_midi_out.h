// RenderingMidiOut: a MIDI output that renders a synthesiser's sound into memory on a clock's time,
// so that a song played on the virtual clock becomes audio faster than it would sound.
#pragma once

#include "platform/fluidsynth/fluid_synthesizer.h"
#include "platform/midi_out.h"

#include <cstdint>
#include <vector>

namespace advplay::platform {

class Clock;

// Before each message the sound is rendered up to the clock's reading, so every message takes
// effect at the sample of its millisecond.
class RenderingMidiOut final : public MidiOut {
public:
    RenderingMidiOut(Clock& clock, FluidSynthesizer& synthesizer);

    // The sound starts at this clock reading; messages before it take effect without sound.
    void set_origin(std::uint32_t time);
    // Renders up to the clock's reading.
    void render_to_now();

    bool open() override { return m_synthesizer.ready(); }
    void reset() override;
    void close() override { render_to_now(); }
    void send_short(std::uint32_t message) override;
    void send_long(std::span<const std::uint8_t> message) override;
    // Takes effect at the sample of its millisecond, as a message does.
    void set_volume(int percent) override;

    // Left and right interleaved, at the synthesiser's rate.
    const std::vector<std::int16_t>& samples() const { return m_samples; }

private:
    Clock& m_clock;
    FluidSynthesizer& m_synthesizer;
    std::uint32_t m_origin { 0 };
    // Frames rendered since the origin.
    std::uint64_t m_frames { 0 };
    std::vector<std::int16_t> m_samples;
};

} // namespace advplay::platform
