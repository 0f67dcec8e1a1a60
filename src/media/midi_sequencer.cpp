// The MIDI sequencer: the timer guard, the output port, and playing a song tick by tick.
#include "media/midi_sequencer.h"

#include "datafile/data_file.h"
#include "platform/clock.h"
#include "platform/midi_out.h"

#include <algorithm>

namespace advplay::media {

// ---------------------------------------------------------------------------------------------------
// MultimediaTimer
// ---------------------------------------------------------------------------------------------------

MultimediaTimer::MultimediaTimer(platform::PeriodicTimer* timer)
    : m_timer(timer)
{
    if (m_timer)
        m_resolution = std::max<std::uint32_t>(1, m_timer->resolution());
}

MultimediaTimer::~MultimediaTimer()
{
    shut_down_timer();
}

void MultimediaTimer::start_timer(std::uint32_t period_ms)
{
    if (!m_timer)
        return;
    period_ms = std::max(period_ms, m_resolution);
    if (m_timer_id.load() != 0 && m_period.load() == period_ms)
        return;
    kill_timer();
    m_period = period_ms;
    // An event that comes before the id is stored here is ignored as one of a killed timer; the next
    // one, a period later, counts.
    m_timer_id = m_timer->start(period_ms, *this);
}

void MultimediaTimer::kill_timer()
{
    platform::TimerId const id = m_timer_id.exchange(0);
    if (id != 0 && m_timer)
        m_timer->kill(id);
}

void MultimediaTimer::shut_down_timer()
{
    m_timer_id = 0;
    if (m_timer)
        m_timer->kill_all(*this);
}

std::uint32_t MultimediaTimer::timer_event(platform::TimerId id)
{
    if (m_in_event.exchange(true))
        return 0;
    std::uint32_t idle = 0;
    if (id == m_timer_id.load())
        idle = tick();
    m_in_event = false;
    return idle;
}

// ---------------------------------------------------------------------------------------------------
// MidiOutPort
// ---------------------------------------------------------------------------------------------------

bool MidiOutPort::open(int device_id)
{
    if (m_open && m_device_id == device_id)
        return true;
    close();
    if (!m_device || !m_device->open())
        return false;
    m_open = true;
    m_device_id = device_id;
    return true;
}

void MidiOutPort::close()
{
    if (!m_open)
        return;
    m_device->reset();
    m_device->close();
    m_open = false;
}

void MidiOutPort::send_short(std::uint32_t message)
{
    if (m_open)
        m_device->send_short(message);
}

void MidiOutPort::send_long(std::span<const std::uint8_t> message)
{
    if (m_open)
        m_device->send_long(message);
}

// ---------------------------------------------------------------------------------------------------
// MidiSequencer: the main thread's side
// ---------------------------------------------------------------------------------------------------

namespace {

std::uint32_t short_message(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8
        | static_cast<std::uint32_t>(data2) << 16;
}

constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kControllerBank = 0;
constexpr std::uint8_t kControllerVolume = 7;
constexpr std::uint8_t kControllerPan = 10;
constexpr std::uint8_t kControllerReverb = 91;
constexpr std::uint8_t kControllerChorus = 93;

} // namespace

MidiSequencer::MidiSequencer(
    platform::Clock& clock, platform::PeriodicTimer* timer, platform::MidiOut* output)
    : MultimediaTimer(timer)
    , m_clock(clock)
    , m_port(output)
{
}

MidiSequencer::~MidiSequencer()
{
    stop();
    shut_down_timer();
}

bool MidiSequencer::load(platform::Files& files, std::string_view path)
{
    stop();
    datafile::DataFile file(files);
    if (!file.open(path, datafile::FileMode::ReadBinary))
        return false;
    if (file.size() <= 0)
        return false;
    // Converted where the reader holds the content, which is read whole at open, without a copy.
    auto song = convert_song(file.content());
    file.close();
    if (!song) {
        m_song.reset();
        return false;
    }
    m_song = std::make_unique<Song>(std::move(*song));
    m_loop_tick = m_song->loop_tick;
    return true;
}

bool MidiSequencer::play()
{
    if (!m_song)
        return false;
    stop();
    m_stopping = false;
    reset();
    m_event_index = 0;
    m_tick_position = 0;
    m_loops_completed = 0;
    (void)m_port.open(MidiOutPort::kMapper);
    std::uint32_t const now = m_clock.now();
    m_start_deadline = now + kStartDeadlineMs;
    apply_tempo(now, 0);
    return true;
}

void MidiSequencer::stop()
{
    if (!timer_running() && !in_event())
        return;
    // Raised before the timer is killed, so that an event already past its own check, which might
    // start the timer again, finds it set at its next event and ends that timer.
    m_stopping = true;
    kill_timer();
    // Unlike a wait for the processing alone, this also waits out an event that is ending the song
    // by itself, which touches the device too.
    while (m_busy.load() || in_event())
        m_clock.sleep(1);
    send_channel_state(-128, false);
    m_port.close();
}

// ---------------------------------------------------------------------------------------------------
// MidiSequencer: the timer thread's side
// ---------------------------------------------------------------------------------------------------

std::uint32_t MidiSequencer::tick()
{
    if (m_stopping) {
        kill_timer();
        return 0;
    }
    std::uint32_t const now = m_clock.now();
    if (m_start_pending) {
        // Signed, so that the time before the deadline counts as not yet passed.
        std::int64_t const waited = static_cast<std::int32_t>(now - m_start_deadline);
        if (waited < static_cast<std::int64_t>(kStartDeadlineMs))
            return static_cast<std::uint32_t>(std::max<std::int64_t>(0, kStartDeadlineMs - waited - 1));
        m_reference_time = now;
        m_reference_offset_us = 0;
        m_start_pending = false;
    }
    if (m_busy.exchange(true))
        return 0;
    process(now);
    std::uint32_t const idle = quiet_milliseconds(now);
    m_busy = false;
    return idle;
}

std::int64_t MidiSequencer::due_ticks(std::uint32_t now) const
{
    std::int64_t const elapsed_us
        = static_cast<std::int64_t>(static_cast<std::uint32_t>(now - m_reference_time)) * 1000
        - m_reference_offset_us;
    if (elapsed_us < 0)
        return -1;
    return elapsed_us * m_song->division / m_tempo;
}

void MidiSequencer::process(std::uint32_t now)
{
    if (m_event_index < m_song->event_count) {
        skip_quiet_ticks(now);
        for (std::int64_t i = 0; i < kMaxTicksPerEvent; ++i) {
            std::int64_t const due = due_ticks(now);
            if (due < m_ticks_done)
                break;
            m_late = due >= m_ticks_done + kMaxTicksPerEvent;
            dispatch_tick();
            ++m_ticks_done;
        }
        return;
    }
    if (!m_loop) {
        m_busy = false;
        halt();
        return;
    }
    // The timer goes on running through the restart: were it killed and started again, as the
    // engine once did, a stop arriving in between would find no timer and leave the song playing.
    reset();
    m_event_index = 0;
    m_tick_position = 0;
    if (m_loop_tick != 0) {
        m_silent = true;
        seek_to_loop();
        m_silent = false;
    }
    ++m_loops_completed;
    resume();
}

std::uint32_t MidiSequencer::quiet_milliseconds(std::uint32_t now)
{
    m_quiet = false;
    // The song's end is found at the next event, as is a stop; a restart waits for its deadline.
    if (m_event_index >= m_song->event_count || m_stopping || m_start_pending)
        return 0;
    // At more than kMaxTicksPerEvent ticks a millisecond every event would dispatch the most it may
    // and fall behind, which decides which note-ons are dropped: such a song keeps every event.
    if (std::uint64_t { m_song->division } * 1000 > std::uint64_t { kMaxTicksPerEvent } * m_tempo)
        return 0;
    // Behind already: the next event has ticks to dispatch.
    if (due_ticks(now) >= m_ticks_done)
        return 0;
    // The next tick with events, and the first millisecond at which it is due.
    std::uint64_t const event_tick = static_cast<std::uint64_t>(m_ticks_done) + m_countdown;
    std::uint64_t const due_us
        = (event_tick * m_tempo + m_song->division - 1) / m_song->division + m_reference_offset_us;
    std::uint64_t const due_ms = (due_us + 999) / 1000;
    std::uint64_t const elapsed_ms = static_cast<std::uint32_t>(now - m_reference_time);
    if (due_ms <= elapsed_ms + 1)
        return 0;
    // A far event is waited for in stretches, so that the clock's wrap never comes into it.
    std::uint32_t const quiet
        = static_cast<std::uint32_t>(std::min<std::uint64_t>(due_ms - elapsed_ms - 1, 1u << 16));
    m_quiet = true;
    m_quiet_end = now + 1 + quiet;
    return quiet;
}

void MidiSequencer::skip_quiet_ticks(std::uint32_t now)
{
    if (!m_quiet)
        return;
    m_quiet = false;
    // Those milliseconds would have dispatched every tick due in them, and found no event. A timer
    // that keeps every period left out none before `now`; one that came late lost the milliseconds
    // after the quiet ones, as a late timer always does.
    std::uint32_t const end = static_cast<std::int32_t>(now - m_quiet_end) < 0 ? now : m_quiet_end;
    std::int64_t const skipped = std::min<std::int64_t>(due_ticks(end - 1) + 1 - m_ticks_done, m_countdown);
    if (skipped <= 0)
        return;
    m_ticks_done += skipped;
    m_countdown -= static_cast<std::uint32_t>(skipped);
}

void MidiSequencer::dispatch_tick()
{
    // So the first event of a song is handled at once whatever its delta, and every later one after
    // its delta in ticks.
    while (m_countdown == 0 && m_event_index < m_song->event_count) {
        handle_event();
        ++m_event_index;
        m_countdown = m_song->events[m_event_index].delta;
    }
    --m_countdown;
}

void MidiSequencer::seek_to_loop()
{
    // Unlike dispatching whole ticks until the loop tick is reached, which would handle every event
    // at the loop tick silently too and start timing one tick late, this stops before the loop tick,
    // so that the events there sound. Each event is stepped to at once, so a far loop tick costs no
    // more than its events.
    while (m_event_index < m_song->event_count) {
        std::uint64_t const event_tick = m_tick_position + m_song->events[m_event_index].delta;
        if (event_tick >= m_loop_tick) {
            m_countdown = static_cast<std::uint32_t>(event_tick - m_loop_tick);
            return;
        }
        handle_event();
        ++m_event_index;
    }
    m_countdown = 0;
}

void MidiSequencer::handle_event()
{
    SongEvent const& event = m_song->events[m_event_index];
    m_tick_position += event.delta;
    std::uint8_t const status = event.status;
    if (status == kSystemExclusive) {
        std::size_t const index = event.word();
        if (index < m_song->system_exclusive.size())
            m_port.send_long(m_song->system_exclusive[index]);
        return;
    }
    if (status == kMeta) {
        if (event.data1 != kMetaTempo)
            return;
        std::uint32_t const tempo = tempo_at(*m_song, m_event_index);
        m_event_index += 2;
        m_tick_position += m_song->events[m_event_index - 1].delta + m_song->events[m_event_index].delta;
        // A tempo of 0 comes only from an empty tempo event, and would stop time (the engine once
        // divided by it); the song keeps its tempo instead.
        if (tempo == 0)
            return;
        std::uint32_t reference = m_reference_time;
        std::uint32_t offset_us = m_reference_offset_us;
        if (!m_silent) {
            // The new tempo counts from the moment this tick was due, not from the millisecond it was
            // dispatched in, so that tempo changes add no lag of their own to the song.
            std::uint64_t const since_us
                = offset_us + static_cast<std::uint64_t>(m_ticks_done) * m_tempo / m_song->division;
            reference += static_cast<std::uint32_t>(since_us / 1000);
            offset_us = static_cast<std::uint32_t>(since_us % 1000);
        }
        m_tempo = tempo;
        apply_tempo(reference, offset_us);
        return;
    }
    if (status < 0x80)
        return;
    std::uint8_t const kind = status & 0xF0;
    ChannelState& channel = m_channels[status & 0x0F];
    if (kind == kControlChange) {
        switch (event.data1) {
        case kControllerBank:
            channel.bank = event.data2;
            break;
        case kControllerVolume:
            channel.volume = event.data2;
            break;
        case kControllerPan:
            channel.pan = event.data2;
            break;
        case kControllerReverb:
            channel.reverb = event.data2;
            break;
        case kControllerChorus:
            channel.chorus = event.data2;
            break;
        default:
            break;
        }
    } else if (kind == kProgramChange) {
        channel.program = event.data1;
    }
    if (m_silent || (m_late && kind == 0x90))
        return;
    m_port.send_short(short_message(status, event.data1, event.data2));
}

void MidiSequencer::reset()
{
    m_countdown = 0;
    m_channels.fill(ChannelState {});
    m_tempo = kResetTempo;
    m_start_deadline = m_clock.now() + kStartDeadlineMs;
    m_start_pending = true;
}

void MidiSequencer::resume()
{
    if (!m_song)
        return;
    // The engine cleared the stopping flag here; a stop under way on the main thread would then be
    // undone and the song play on, so a raised flag ends the restart instead.
    if (m_stopping)
        return;
    (void)m_port.open(MidiOutPort::kMapper);
    send_channel_state(0, true);
    apply_tempo(m_clock.now(), 0);
}

void MidiSequencer::apply_tempo(std::uint32_t reference, std::uint32_t offset_us)
{
    m_quiet = false;
    if (m_stopping)
        return;
    m_reference_time = reference;
    m_reference_offset_us = offset_us;
    m_ticks_done = 0;
    if (!m_silent)
        start_timer(1);
}

void MidiSequencer::send_channel_state(int volume_adjustment, bool with_settings)
{
    if (with_settings) {
        for (std::uint8_t ch = 0; ch < 16; ++ch)
            m_port.send_short(short_message(kProgramChange | ch, m_channels[ch].program, 0));
        std::uint8_t const controllers[]
            = { kControllerBank, kControllerPan, kControllerReverb, kControllerChorus };
        for (std::uint8_t const controller : controllers) {
            for (std::uint8_t ch = 0; ch < 16; ++ch) {
                ChannelState const& channel = m_channels[ch];
                std::uint8_t const value = controller == kControllerBank ? channel.bank
                    : controller == kControllerPan                       ? channel.pan
                    : controller == kControllerReverb                    ? channel.reverb
                                                                         : channel.chorus;
                m_port.send_short(short_message(kControlChange | ch, controller, value));
            }
        }
    }
    if (m_silent)
        return;
    for (std::uint8_t ch = 0; ch < 16; ++ch) {
        int const volume = std::clamp(m_channels[ch].volume + volume_adjustment, 0, 127);
        m_port.send_short(
            short_message(kControlChange | ch, kControllerVolume, static_cast<std::uint8_t>(volume)));
    }
}

void MidiSequencer::halt()
{
    if (!timer_running())
        return;
    m_stopping = true;
    kill_timer();
    send_channel_state(-128, false);
    m_port.close();
}

} // namespace advplay::media
