// FluidSynthesizer: a General MIDI synthesiser (FluidSynth with a SoundFont) that takes the
// sequencer's messages and renders 16-bit stereo sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace advplay::platform {

// The SoundFont of Debian's timgm6mb-soundfont package.
constexpr char kDefaultSoundFont[] = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Messages may come from one thread while another renders: FluidSynth serialises its calls.
class FluidSynthesizer {
public:
    explicit FluidSynthesizer(int sample_rate);
    ~FluidSynthesizer();
    FluidSynthesizer(const FluidSynthesizer&) = delete;
    FluidSynthesizer& operator=(const FluidSynthesizer&) = delete;

    // Loads the SoundFont at `host_path`, in place of any loaded before. False when it cannot be
    // read; the synthesiser then stays silent.
    [[nodiscard]] bool load_soundfont(const std::string& host_path);
    // A SoundFont is loaded.
    bool ready() const;
    int sample_rate() const { return m_sample_rate; }

    // A short message as MidiOut packs it. Data bytes lose their high bit; system messages other
    // than system exclusive have nothing to do here.
    void short_message(std::uint32_t message);
    // A system-exclusive message with or without its 0xF0 and 0xF7 (General MIDI and GS resets, GS
    // parameters).
    void long_message(std::span<const std::uint8_t> message);
    // Releases every note and the sustain pedal on all channels.
    void release_all();
    // Sets the synthesiser's gain to `percent` (clamped to 0..100) of its own, sounding notes
    // included; 100 is the gain it starts with, exactly.
    void set_volume(int percent);
    // Renders `frames` stereo frames, left and right interleaved, into `out`.
    void render(std::int16_t* out, std::size_t frames);
    // Whether render writes silence without synthesising it, until the next message.
    bool resting() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
    int m_sample_rate;
};

} // namespace advplay::platform
