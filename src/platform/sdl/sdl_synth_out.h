// SdlSynthOut: the default MIDI output, a General MIDI synthesiser (FluidSynth) sounding through the
// run's sound device.
#pragma once

#include "platform/fluidsynth/fluid_synthesizer.h"
#include "platform/midi_out.h"
#include "platform/sdl/sdl_mixer.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace advplay::platform {

// Where in a mixing round of `frames` frames at `rate` that covers the time from `round_start` on a
// message sent at `sent` is heard: the frame that many frames after the start, 0 for a message that
// is due already, `frames` for one that falls after the round.
std::size_t frame_in_round(std::chrono::steady_clock::time_point sent,
    std::chrono::steady_clock::time_point round_start, std::size_t frames, int rate);

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
    void reset() override;
    void close() override { }
    void send_short(std::uint32_t message) override;
    void send_long(std::span<const std::uint8_t> message) override;
    // Heard one round later at its place in the round, as a message is, so that a change of level
    // between two notes falls between them.
    void set_volume(int percent) override;

private:
    // A message waiting for the audio thread, with the time it was sent.
    struct Message {
        enum class Kind : std::uint8_t { Short, Long, Reset, Volume };
        std::chrono::steady_clock::time_point sent;
        Kind kind { Kind::Short };
        // Short: the packed message. Volume: the percent.
        std::uint32_t packed { 0 };
        std::vector<std::uint8_t> bytes;
    };

    void queue(Message::Kind kind, std::uint32_t packed, std::span<const std::uint8_t> bytes);
    void mix_into(std::int16_t* out, std::size_t frames) override;
    // Audio thread: renders frames [from, to) of the round and adds them to `out`.
    void render(std::int16_t* out, std::size_t from, std::size_t to);

    SdlMixer& m_mixer;
    FluidSynthesizer m_synthesizer;
    std::string m_error;
    std::mutex m_mutex;
    std::vector<Message> m_queued;
    // Audio thread only.
    std::vector<Message> m_taken;
    std::vector<std::int16_t> m_scratch;
};

} // namespace advplay::platform
