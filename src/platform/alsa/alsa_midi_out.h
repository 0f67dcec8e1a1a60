// AlsaMidiOut: a MIDI output that sends to a port of the ALSA sequencer (a hardware synthesiser, or
// another program such as a software synthesiser).
#pragma once

#include "platform/midi_out.h"

#include <memory>
#include <string>

namespace advplay::platform {

class AlsaMidiOut final : public MidiOut {
public:
    // Connects a port of a new sequencer client to `address` ("CLIENT:PORT", numbers or a client's
    // name, as aconnect takes them). When that fails, error() says why and the output never opens.
    explicit AlsaMidiOut(const std::string& address);
    ~AlsaMidiOut() override;
    AlsaMidiOut(const AlsaMidiOut&) = delete;
    AlsaMidiOut& operator=(const AlsaMidiOut&) = delete;

    // Empty when connected.
    const std::string& error() const { return m_error; }

    bool open() override;
    // All notes off and the sustain pedal released on every channel.
    void reset() override;
    void close() override { m_open = false; }
    void send_short(std::uint32_t message) override;
    void send_long(std::span<const std::uint8_t> message) override;
    // Leaves the level alone: the synthesiser behind the port has a volume of its own, set where the
    // player set that synthesiser up, and a master-volume message sent to it would outlast the run on
    // a hardware device and reach whatever else plays through it.
    void set_volume(int percent) override { (void)percent; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::string m_error;
    bool m_open { false };
};

} // namespace advplay::platform
