// AlsaMidiOut.
#include "platform/alsa/alsa_midi_out.h"

#include "platform/midi_message.h"

#include <alsa/asoundlib.h>

#include <vector>

namespace advplay::platform {

struct AlsaMidiOut::State {
    snd_seq_t* sequencer { nullptr };
    snd_midi_event_t* encoder { nullptr };
    int port { -1 };

    void send(snd_seq_event_t& event)
    {
        snd_seq_ev_set_source(&event, port);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        snd_seq_event_output_direct(sequencer, &event);
    }
};

AlsaMidiOut::AlsaMidiOut(const std::string& address)
    : m_state(std::make_unique<State>())
{
    State& state = *m_state;
    int result = snd_seq_open(&state.sequencer, "default", SND_SEQ_OPEN_OUTPUT, 0);
    if (result < 0) {
        state.sequencer = nullptr;
        m_error = std::string("cannot open the ALSA sequencer: ") + snd_strerror(result);
        return;
    }
    snd_seq_set_client_name(state.sequencer, "advplay");
    state.port = snd_seq_create_simple_port(state.sequencer, "advplay music",
        SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (state.port < 0) {
        m_error = std::string("cannot make an ALSA sequencer port: ") + snd_strerror(state.port);
        return;
    }
    snd_seq_addr_t target {};
    result = snd_seq_parse_address(state.sequencer, &target, address.c_str());
    if (result < 0) {
        m_error = "no ALSA sequencer port " + address + ": " + snd_strerror(result);
        return;
    }
    result = snd_seq_connect_to(state.sequencer, state.port, target.client, target.port);
    if (result < 0) {
        m_error = "cannot connect to the ALSA sequencer port " + address + ": " + snd_strerror(result);
        return;
    }
    result = snd_midi_event_new(256, &state.encoder);
    if (result < 0) {
        state.encoder = nullptr;
        m_error = std::string("cannot encode MIDI for ALSA: ") + snd_strerror(result);
        return;
    }
}

AlsaMidiOut::~AlsaMidiOut()
{
    if (m_state->encoder)
        snd_midi_event_free(m_state->encoder);
    if (m_state->sequencer)
        snd_seq_close(m_state->sequencer);
}

bool AlsaMidiOut::open()
{
    m_open = m_error.empty();
    return m_open;
}

void AlsaMidiOut::reset()
{
    if (!m_open)
        return;
    for (std::uint32_t channel = 0; channel < 16; ++channel) {
        send_short(0xB0 | channel | 64 << 8);
        send_short(0xB0 | channel | 123 << 8);
    }
}

void AlsaMidiOut::send_short(std::uint32_t message)
{
    if (!m_open)
        return;
    std::uint8_t bytes[3];
    std::size_t const length = short_message_bytes(message, bytes);
    if (length == 0)
        return;
    snd_midi_event_reset_encode(m_state->encoder);
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    if (snd_midi_event_encode(m_state->encoder, bytes, static_cast<long>(length), &event) <= 0
        || event.type == SND_SEQ_EVENT_NONE)
        return;
    m_state->send(event);
}

void AlsaMidiOut::send_long(std::span<const std::uint8_t> message)
{
    if (!m_open || message.empty())
        return;
    // ALSA keeps the pointer only for the call.
    std::vector<std::uint8_t> bytes(message.begin(), message.end());
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_sysex(&event, static_cast<unsigned>(bytes.size()), bytes.data());
    m_state->send(event);
}

} // namespace advplay::platform
