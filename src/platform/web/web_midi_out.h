// WebMidiOut: the music's MIDI messages handed to the page, whose synthesiser (FluidSynth compiled
// for the web, with the same SoundFont as the native build) sounds them.
#pragma once

#include "platform/midi_out.h"

namespace advplay::platform {

// The page provides Module.advplayMidi with open(), reset(), close(), short(message), long(bytes)
// and volume(percent); a page without it plays the music silently.
class WebMidiOut final : public MidiOut {
public:
    [[nodiscard]] bool open() override;
    void reset() override;
    void close() override;
    void send_short(std::uint32_t message) override;
    void send_long(std::span<const std::uint8_t> message) override;
    void set_volume(int percent) override;
};

} // namespace advplay::platform
