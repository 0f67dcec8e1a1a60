// The MIDI sequencer: songs played from a 1 ms periodic timer to a MIDI output, looping back to
// their "L" marker.
#pragma once

#include "media/song.h"
#include "platform/periodic_timer.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace advplay::platform {
class Clock;
class Files;
class MidiOut;
} // namespace advplay::platform

namespace advplay::media {

// A periodic timer whose events never overlap: an event that comes while the previous one still
// runs is dropped, and an event of a timer that has since been killed is ignored.
class MultimediaTimer : private platform::TimerClient {
public:
    // Without a timer no event ever comes.
    explicit MultimediaTimer(platform::PeriodicTimer* timer);
    virtual ~MultimediaTimer();
    MultimediaTimer(const MultimediaTimer&) = delete;
    MultimediaTimer& operator=(const MultimediaTimer&) = delete;

    bool timer_running() const { return m_timer_id.load() != 0; }
    // An event is being handled now.
    bool in_event() const { return m_in_event.load(); }

protected:
    // Called on the timer's thread at every event of the current timer. Returns the number of
    // periods after this one that have nothing to do, which the timer may leave out.
    virtual std::uint32_t tick() = 0;
    // Starts the periodic timer; one already running with this period is left running.
    void start_timer(std::uint32_t period_ms);
    void kill_timer();
    // Stops every event for good; a derived class calls it in its destructor, before its own
    // members go.
    void shut_down_timer();

private:
    std::uint32_t timer_event(platform::TimerId id) override;

    platform::PeriodicTimer* m_timer;
    // The device's shortest period, which every timer is started with as its resolution.
    std::uint32_t m_resolution { 1 };
    // 0 while no timer runs.
    std::atomic<platform::TimerId> m_timer_id { 0 };
    std::atomic<std::uint32_t> m_period { 0 };
    // The callback's busy flag.
    std::atomic<bool> m_in_event { false };
};

// The MIDI output as the sequencer holds it: open on one device or closed. Messages sent while it
// is closed are dropped.
class MidiOutPort {
public:
    // The MIDI mapper, the device every song is played on.
    static constexpr int kMapper = -1;

    // Without a device the port never opens.
    explicit MidiOutPort(platform::MidiOut* device)
        : m_device(device)
    {
    }

    // True at once when open on `device_id`; open on another device, it is closed first.
    bool open(int device_id);
    // Silences every note, then closes; nothing when closed.
    void close();
    bool is_open() const { return m_open; }
    void send_short(std::uint32_t message);
    void send_long(std::span<const std::uint8_t> message);

private:
    platform::MidiOut* m_device;
    bool m_open { false };
    int m_device_id { kMapper };
};

// What the sequencer keeps of each channel, to send again when a song loops.
struct ChannelState {
    std::uint8_t program { 0 };
    std::uint8_t bank { 0 };
    std::uint8_t pan { 64 };
    std::uint8_t reverb { 0 };
    std::uint8_t chorus { 0 };
    std::uint8_t volume { 100 };
};

/*
 * One song at a time. load, play, set_loop and stop are called on the main thread; the song plays
 * on the timer's thread. The two threads share no lock: `stop` raises the stopping flag, which makes
 * any later event end its timer, kills the timer and waits (1 ms sleeps) until no event runs before
 * it touches the device. The first events of a song sound 100 ms after `play`; a looping song pauses
 * as long at each return to its loop point.
 */
class MidiSequencer final : public MultimediaTimer {
public:
    static constexpr std::uint32_t kResetTempo = 500000;
    // The start deadline lies this far after `play` or a restart, and the first events sound this
    // long after the deadline.
    static constexpr std::uint32_t kStartDeadlineMs = 50;
    // At most this many ticks are dispatched per timer event, and note-ons are dropped while the
    // sequencer is this many ticks behind.
    static constexpr std::int64_t kMaxTicksPerEvent = 100;

    // Any of the three may be missing: without a timer nothing plays, without an output nothing
    // sounds.
    MidiSequencer(platform::Clock& clock, platform::PeriodicTimer* timer, platform::MidiOut* output);
    ~MidiSequencer() override;

    // Stops, then reads the file (through DataFile, so a packed ".dpa" file serves too) and converts
    // it. A file that cannot be opened or read, or an empty one, returns false and keeps the song
    // there was; one that does not convert returns false and leaves no song.
    bool load(platform::Files& files, std::string_view path);
    // Whether the song starts again at its end; the command layer sets it before play.
    void set_loop(bool loop) { m_loop = loop; }
    // False without a song. Otherwise stops, and plays the song from its beginning on the MIDI
    // mapper.
    bool play();
    // Nothing when nothing plays. Otherwise ends the timer, sets every channel's volume to 0 and
    // closes the device.
    void stop();

    bool has_song() const { return m_song != nullptr; }
    const Song* song() const { return m_song.get(); }
    // A timer runs or an event is being handled.
    bool playing() const { return timer_running() || in_event(); }
    // Times the song has returned to its loop point since play.
    std::uint32_t loops_completed() const { return m_loops_completed.load(); }

    // The state between events, for tests; read it only while nothing plays or from the thread that
    // plays.
    const ChannelState& channel(int index) const { return m_channels[static_cast<std::size_t>(index)]; }
    std::uint32_t tempo() const { return m_tempo; }
    std::size_t event_index() const { return m_event_index; }
    std::uint64_t tick_position() const { return m_tick_position; }

private:
    std::uint32_t tick() override;
    // `now` is the clock's reading at the timer event: one millisecond's ticks are all counted from it.
    void process(std::uint32_t now);
    // Between events, the milliseconds until the next tick with events are left out of the timer, and
    // their ticks, which only count down, are counted at once when the timer comes back:
    // `skip_quiet_ticks` counts those of the milliseconds before `now` that were left out;
    // `quiet_milliseconds` reckons, after an event, how many of the next milliseconds have nothing
    // to dispatch, and notes where they end.
    void skip_quiet_ticks(std::uint32_t now);
    std::uint32_t quiet_milliseconds(std::uint32_t now);
    void dispatch_tick();
    void handle_event();
    // Handles, silently, every event before the loop tick, and leaves the next tick to dispatch at
    // the loop tick itself.
    void seek_to_loop();
    void reset();
    void resume();
    // Starts timing afresh from `reference` plus `offset_us` microseconds at the current tempo.
    void apply_tempo(std::uint32_t reference, std::uint32_t offset_us);
    // Sends the kept channel state; `volume_adjustment` is added to each volume before it is
    // clamped to 0..127.
    void send_channel_state(int volume_adjustment, bool with_settings);
    // The stop at a song's end without loop, from within the timer's event.
    void halt();
    // The ticks due at `now` since the reference.
    std::int64_t due_ticks(std::uint32_t now) const;

    platform::Clock& m_clock;
    MidiOutPort m_port;
    std::unique_ptr<Song> m_song;

    std::atomic<bool> m_stopping { false };
    // The processing's busy flag.
    std::atomic<bool> m_busy { false };
    std::atomic<bool> m_loop { true };
    std::atomic<std::uint32_t> m_loops_completed { 0 };

    // Fields below belong to whichever thread plays; the timer's start and the waits of stop hand
    // them over.
    bool m_start_pending { false };
    std::uint32_t m_start_deadline { 0 };
    // The moment ticks are counted from: a clock reading and the microseconds after it.
    std::uint32_t m_reference_time { 0 };
    std::uint32_t m_reference_offset_us { 0 };
    std::int64_t m_ticks_done { 0 };
    std::uint32_t m_tempo { kResetTempo };
    std::uint32_t m_countdown { 0 };
    std::array<ChannelState, 16> m_channels {};
    bool m_silent { false };
    bool m_late { false };
    // Set while the milliseconds before `m_quiet_end` have only ticks without events to dispatch.
    bool m_quiet { false };
    std::uint32_t m_quiet_end { 0 };
    std::uint64_t m_loop_tick { 0 };
    std::size_t m_event_index { 0 };
    std::uint64_t m_tick_position { 0 };
};

} // namespace advplay::media
