// The MIDI sequencer on the virtual clock: dispatch times against the ideal times of the song's tempo
// map, the return to the "L" marker, stopping, and the .mid command. On the real timer thread: stops
// that race the return to the loop point.
#include "media/midi_sequencer.h"

#include "platform/headless/recording_midi_out.h"
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_timer.h"
#include "platform/posix/host_files.h"
#include "platform/posix/steady_clock.h"
#include "platform/posix/thread_timer.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace advplay::media {
namespace {

using platform::MidiRecord;

const std::string kMidi = (std::filesystem::path(ADVPLAY_TESTDATA_DIR) / "midi").string();

// One channel message the song should send, and when.
struct Expected {
    // The message as the recorder packs it.
    std::uint32_t message;
    // Microseconds after the moment the song's first tick is due.
    double time_us;
};

// Walks the song as a player would: event i sounds at its tick counted from the first event (the
// first event is handled at once whatever its delta), and the time of a tick follows the tempo
// changes before it. From `from_tick` on only (and timed from there), for the return to the loop
// point.
std::vector<Expected> ideal_times(const Song& song, std::uint64_t from_tick = 0)
{
    std::vector<Expected> expected;
    std::uint32_t tempo = MidiSequencer::kResetTempo;
    std::uint64_t tick = 0;
    // The tempo segment in force: where it starts, in ticks and in microseconds.
    std::uint64_t segment_tick = 0;
    double segment_us = 0;
    bool timing = from_tick == 0;
    auto time_of = [&](std::uint64_t at) {
        return segment_us + static_cast<double>(at - segment_tick) * tempo / song.division;
    };
    for (std::size_t i = 0; i < song.event_count; ++i) {
        SongEvent const& event = song.events[i];
        if (i > 0)
            tick += event.delta;
        if (!timing && tick >= from_tick) {
            timing = true;
            segment_us = 0;
            segment_tick = from_tick;
        }
        if (event.status == kMeta && event.data1 == kMetaTempo) {
            segment_us = timing ? time_of(tick) : 0;
            segment_tick = tick;
            tempo = tempo_at(song, i);
            i += 2;
            continue;
        }
        if (event.status < 0x80 || event.status >= 0xF0)
            continue;
        if (timing) {
            std::uint32_t const message = event.status | event.data1 << 8 | event.data2 << 16;
            expected.push_back({ message, time_of(tick) });
        }
    }
    return expected;
}

std::vector<MidiRecord> shorts(const std::vector<MidiRecord>& records)
{
    std::vector<MidiRecord> found;
    for (MidiRecord const& record : records) {
        if (record.kind == MidiRecord::Kind::Short)
            found.push_back(record);
    }
    return found;
}

// A file of one track chunk holding `track`, `division` ticks a quarter.
std::string single_track_song(std::uint16_t division, const std::string& track)
{
    std::string song("MThd\x00\x00\x00\x06\x00\x00\x00\x01", 12);
    song += static_cast<char>(division >> 8);
    song += static_cast<char>(division & 0xff);
    song += "MTrk";
    for (int shift = 24; shift >= 0; shift -= 8)
        song += static_cast<char>(track.size() >> shift & 0xff);
    return song + track;
}

// Each recorded message is the expected one, sent in the millisecond its ideal time falls in or at
// the very start of the next (never early, never a whole millisecond late).
void expect_on_time(const std::vector<MidiRecord>& sent, std::size_t first,
    const std::vector<Expected>& expected, std::uint32_t origin_ms)
{
    ASSERT_LE(first + expected.size(), sent.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        MidiRecord const& record = sent[first + i];
        ASSERT_EQ(record.message, expected[i].message) << "message " << i << ": " << record.text();
        double const ideal_ms = origin_ms + expected[i].time_us / 1000.0;
        double const late = record.time - ideal_ms;
        ASSERT_GE(late, 0.0) << "message " << i << " early: " << record.text() << ", ideal " << ideal_ms;
        ASSERT_LT(late, 1.0) << "message " << i << " late: " << record.text() << ", ideal " << ideal_ms;
    }
}

class SequencerTest : public ::testing::Test {
protected:
    platform::VirtualClock m_clock;
    platform::VirtualTimer m_timer { m_clock };
    platform::RecordingMidiOut m_out { m_clock };
    platform::TextEncoding m_encoding;
    platform::HostFiles m_files { kMidi, m_encoding };
    MidiSequencer m_sequencer { m_clock, &m_timer, &m_out };

    // Plays the song once from time `at`, until it has stopped by itself.
    void play_once(const char* name)
    {
        ASSERT_TRUE(m_sequencer.load(m_files, name));
        m_sequencer.set_loop(false);
        ASSERT_TRUE(m_sequencer.play());
        for (int ms = 0; ms < 600'000 && m_sequencer.playing(); ++ms)
            m_clock.sleep(1);
        ASSERT_FALSE(m_sequencer.playing());
    }
};

// ---------------------------------------------------------------------------------------------------
// Timing
// ---------------------------------------------------------------------------------------------------

TEST_F(SequencerTest, RealSongsSoundAtTheTimesOfTheirTempoMaps)
{
    // 37 tempo changes; 6; 3 with five markers; the first event well after tick 0 (a 4-byte delta).
    for (const char* name : { "avgvst-TogetherAgain.mid", "avgvst-Victory.mid", "yubatake-MainTheme.mid",
             "jazzsoft-test-vlq-4-byte.mid", "midifilejs-MIDIOkFormat2.mid" }) {
        SCOPED_TRACE(name);
        m_out.clear();
        std::uint32_t const start = m_clock.now();
        play_once(name);
        auto const expected = ideal_times(*m_sequencer.song());
        auto const sent = shorts(m_out.records());
        ASSERT_FALSE(expected.empty());
        ASSERT_EQ(m_out.records().front().text(), std::to_string(start) + " open");
        // The first events sound 100 ms after play: 50 to the start deadline and 50 after it.
        expect_on_time(sent, 0, expected, start + 100);
        // At the end: every channel's volume to 0, then the device is reset and closed.
        ASSERT_EQ(sent.size(), expected.size() + 16);
        for (std::uint32_t ch = 0; ch < 16; ++ch)
            EXPECT_EQ(sent[expected.size() + ch].message, (0xB0 | ch) | 7 << 8) << ch;
        auto const& records = m_out.records();
        ASSERT_GE(records.size(), 2u);
        EXPECT_EQ(records[records.size() - 2].kind, MidiRecord::Kind::Reset);
        EXPECT_EQ(records.back().kind, MidiRecord::Kind::Close);
        EXPECT_EQ(m_timer.running(), 0u);
    }
}

TEST_F(SequencerTest, LoopReturnsToTheMarkerWithTheChannelStateResent)
{
    // yubatake-GameOver.mid with a marker "L" added to its first track at tick 8640, after its
    // second tempo change (7680) and between notes.
    ASSERT_TRUE(m_sequencer.load(m_files, "looped-GameOver.mid"));
    Song const& song = *m_sequencer.song();
    ASSERT_EQ(song.loop_tick, 8640u);
    m_sequencer.set_loop(true);
    ASSERT_TRUE(m_sequencer.play());
    auto const first_pass = ideal_times(song);
    // Those due before the stop, 3 s after the restart.
    auto after_loop = ideal_times(song, song.loop_tick);
    std::erase_if(after_loop, [](const Expected& expected) { return expected.time_us >= 2'800'000; });
    // The song lasts 7680 ticks at 400000 us and 6720 at 600000: 3.2 s + 4.2 s; from the marker
    // on, 5760 ticks at 600000 us: 3.6 s.
    m_clock.sleep(100 + 7400 + 1 + 100 + 3000);
    ASSERT_EQ(m_sequencer.loops_completed(), 1u);
    m_sequencer.stop();

    auto const sent = shorts(m_out.records());
    expect_on_time(sent, 0, first_pass, 100);
    // The end of the song (the last End_track at 14400) is found at the next timer event.
    std::uint32_t const last_ms = sent[first_pass.size() - 1].time;
    EXPECT_EQ(last_ms, 7500u);
    std::uint32_t const restart = last_ms + 1;

    // At the restart: the state kept through the silent replay of ticks 0..8639, program changes
    // first, then banks, pans, reverbs, choruses and volumes, each for channels 0 to 15. The four
    // tracks all set channel 0's program; the percussion track (57, 57, then 33) sets it last.
    std::size_t at = first_pass.size();
    auto expect_step = [&](std::uint32_t status, int controller, auto value_of) {
        for (std::uint32_t ch = 0; ch < 16; ++ch) {
            MidiRecord const& record = sent.at(at++);
            std::uint32_t const message = controller < 0
                ? (status | ch) | value_of(ch) << 8
                : (status | ch) | static_cast<std::uint32_t>(controller) << 8 | value_of(ch) << 16;
            EXPECT_EQ(record.message, message) << record.text();
            EXPECT_EQ(record.time, restart) << record.text();
        }
    };
    expect_step(0xC0, -1, [](std::uint32_t ch) { return ch == 0 ? 33u : 0u; });
    expect_step(0xB0, 0, [](std::uint32_t) { return 0u; });
    expect_step(0xB0, 10, [](std::uint32_t) { return 64u; });
    expect_step(0xB0, 91, [](std::uint32_t) { return 0u; });
    expect_step(0xB0, 93, [](std::uint32_t) { return 0u; });
    expect_step(0xB0, 7, [](std::uint32_t) { return 100u; });
    // Nothing of the silent replay was sent; the events from the marker on (in the tempo of 7680,
    // which the replay applied) sound 100 ms after the restart.
    EXPECT_EQ(m_sequencer.tempo(), 600000u);
    ASSERT_EQ(after_loop.front().message, 0x004380u) << "the note-off of tick 8640 comes first";
    expect_on_time(sent, at, after_loop, restart + 100);
}

TEST_F(SequencerTest, MarkersOfOtherTracksSetNoLoopPoint)
{
    ASSERT_TRUE(m_sequencer.load(m_files, "marker-in-track-2-GameOver.mid"));
    EXPECT_EQ(m_sequencer.song()->loop_tick, 0u);
    // Without a loop point the song starts again from its beginning.
    m_sequencer.set_loop(true);
    ASSERT_TRUE(m_sequencer.play());
    auto const expected = ideal_times(*m_sequencer.song());
    while (m_sequencer.loops_completed() == 0)
        m_clock.sleep(1);
    std::uint32_t const restart = m_clock.now();
    m_clock.sleep(200);
    m_sequencer.stop();
    auto const sent = shorts(m_out.records());
    // The state (96 messages), then the song's first messages again from restart + 100.
    std::size_t const again = expected.size() + 96;
    ASSERT_GT(sent.size(), again + 4);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sent[again + i].message, expected[i].message);
        EXPECT_EQ(sent[again + i].time, restart + 100);
    }
}

TEST_F(SequencerTest, SystemExclusiveBeforeTheMarkerIsSentAgainAtTheRestart)
{
    // Two GS messages at tick 0, the marker "L" at tick 288 (after the note-off there, before the
    // note-on); 96 ticks a quarter at 120 beats a minute: the song ends at tick 1152, 6 s in.
    ASSERT_TRUE(m_sequencer.load(m_files, "looped-sysex-gs-drum-part-change.mid"));
    ASSERT_EQ(m_sequencer.song()->loop_tick, 288u);
    m_sequencer.set_loop(true);
    ASSERT_TRUE(m_sequencer.play());
    while (m_sequencer.loops_completed() == 0)
        m_clock.sleep(1);
    std::uint32_t const restart = m_clock.now();
    EXPECT_EQ(restart, 100u + 6000 + 1);
    m_clock.sleep(101);
    m_sequencer.stop();
    std::vector<std::string> after;
    for (MidiRecord const& record : m_out.records()) {
        if (record.time >= restart && after.size() < 100)
            after.push_back(record.text());
    }
    // The replay before the marker is silent but for its system-exclusive messages; then the kept
    // state; then, 100 ms on, the events of tick 288.
    ASSERT_EQ(after.size(), 100u);
    EXPECT_EQ(after[0], "6101 long f0 41 7f 42 12 40 00 7f 00 41 f7");
    EXPECT_EQ(after[1], "6101 long f0 41 7f 42 12 40 11 15 02 18 f7");
    EXPECT_EQ(after[2], "6101 short c0 00 00");
    EXPECT_EQ(after[97], "6101 short bf 07 64");
    EXPECT_EQ(after[98], "6201 short 80 37 40");
    EXPECT_EQ(after[99], "6201 short 90 3c 7f");
}

// A timer whose events come only when the test fires them, as a stalled timer thread's would.
class ManualTimer final : public platform::PeriodicTimer {
public:
    std::uint32_t resolution() const override { return 1; }
    platform::TimerId start(std::uint32_t, platform::TimerClient& client) override
    {
        m_client = &client;
        return ++m_id;
    }
    void kill(platform::TimerId id) override
    {
        if (id == m_id)
            m_client = nullptr;
    }
    void kill_all(platform::TimerClient&) override { m_client = nullptr; }
    void fire()
    {
        if (m_client)
            m_client->timer_event(m_id);
    }

private:
    platform::TimerClient* m_client { nullptr };
    platform::TimerId m_id { 0 };
};

TEST(SequencerStall, CatchesUpAHundredTicksAnEventWithoutItsLateNoteOns)
{
    platform::VirtualClock clock;
    ManualTimer timer;
    platform::RecordingMidiOut out(clock);
    platform::TextEncoding encoding;
    platform::HostFiles files(kMidi, encoding);
    MidiSequencer sequencer(clock, &timer, &out);
    // A C major scale: a note a quarter, 96 ticks, at 500000 us a quarter.
    ASSERT_TRUE(sequencer.load(files, "jazzsoft-test-c-major-scale.mid"));
    ASSERT_TRUE(sequencer.play());
    clock.sleep(100);
    timer.fire();
    // Two seconds without an event: 384 ticks are due at the next.
    clock.sleep(2000);
    for (int i = 0; i < 5; ++i)
        timer.fire();
    sequencer.stop();
    std::vector<std::string> sent;
    for (MidiRecord const& record : out.records()) {
        if (record.kind == MidiRecord::Kind::Short && sent.size() < 9)
            sent.push_back(record.text());
    }
    // Ticks 1..100, 101..200, 201..300, 301..384: the note-ons of ticks 96 and 192 came 100 or more
    // ticks late and are dropped, their note-offs are not; the rest sound.
    EXPECT_EQ(sent,
        (std::vector<std::string> { "100 short 90 3c 7f", "2100 short 80 3c 40", "2100 short 80 3e 40",
            "2100 short 80 40 40", "2100 short 90 41 7f", "2100 short 80 41 40", "2100 short 90 43 7f",
            "2100 short b0 07 00", "2100 short b1 07 00" }));
}

// A virtual timer that counts its events and, for comparison, may keep every period whatever its
// client asks to leave out, as the sequencer's timer did before it let quiet milliseconds go.
class CountingTimer final : public platform::PeriodicTimer, private platform::TimerClient {
public:
    CountingTimer(platform::VirtualClock& clock, bool keep_every_period)
        : m_inner(clock)
        , m_keep_every_period(keep_every_period)
    {
    }
    std::uint32_t resolution() const override { return 1; }
    platform::TimerId start(std::uint32_t period_ms, platform::TimerClient& client) override
    {
        platform::TimerId const id = m_inner.start(period_ms, *this);
        if (id != 0)
            m_clients[id] = &client;
        return id;
    }
    void kill(platform::TimerId id) override
    {
        m_inner.kill(id);
        m_clients.erase(id);
    }
    void kill_all(platform::TimerClient& client) override
    {
        std::erase_if(m_clients, [&](const auto& entry) {
            if (entry.second != &client)
                return false;
            m_inner.kill(entry.first);
            return true;
        });
    }
    std::uint64_t events() const { return m_events; }

private:
    std::uint32_t timer_event(platform::TimerId id) override
    {
        ++m_events;
        auto const found = m_clients.find(id);
        if (found == m_clients.end())
            return 0;
        std::uint32_t const idle = found->second->timer_event(id);
        return m_keep_every_period ? 0 : idle;
    }

    platform::VirtualTimer m_inner;
    bool m_keep_every_period;
    std::map<platform::TimerId, platform::TimerClient*> m_clients;
    std::uint64_t m_events { 0 };
};

// A format-0 song at 192 ticks a millisecond (960 a quarter, 5,000 us a quarter), beyond the hundred
// ticks a timer event may dispatch, with a note every 2,000 ticks.
std::string fast_song()
{
    std::string track("\x00\xff\x51\x03\x00\x13\x88", 7);
    for (char note = 0x3c; note < 0x48; ++note) {
        track += std::string("\x00\x90", 2) + note + '\x64';
        track += std::string("\x8f\x50\x80", 3) + note + '\x40';
    }
    track += std::string("\x00\xff\x2f\x00", 4);
    return single_track_song(960, track);
}

TEST(SequencerQuietMilliseconds, LeavingThemOutChangesNothingThatIsSent)
{
    testing::TemporaryFolder folder;
    std::filesystem::copy(kMidi, folder.path(), std::filesystem::copy_options::recursive);
    folder.write("fast.mid", fast_song());
    platform::TextEncoding encoding;
    platform::HostFiles files { folder.path().string(), encoding };

    struct Case {
        const char* name;
        bool loop;
        // Stopped and played again after this many milliseconds, then played as long again.
        std::uint32_t half_ms;
    };
    // Tempo changes; loops to a marker, with system-exclusive messages before it; a first event
    // 2^21 ticks in; more ticks a millisecond than an event may dispatch.
    for (Case const& test :
        { Case { "avgvst-TogetherAgain.mid", false, 40'000 }, Case { "looped-GameOver.mid", true, 9'001 },
            Case { "looped-sysex-gs-drum-part-change.mid", true, 7'777 },
            Case { "jazzsoft-test-vlq-4-byte.mid", false, 30'000 }, Case { "fast.mid", true, 400 } }) {
        SCOPED_TRACE(test.name);
        std::string sent[2];
        std::uint64_t events[2] {};
        for (int keep = 0; keep < 2; ++keep) {
            platform::VirtualClock clock;
            CountingTimer timer { clock, keep == 1 };
            platform::RecordingMidiOut out { clock };
            MidiSequencer sequencer { clock, &timer, &out };
            ASSERT_TRUE(sequencer.load(files, test.name));
            sequencer.set_loop(test.loop);
            ASSERT_TRUE(sequencer.play());
            clock.sleep(test.half_ms);
            sequencer.stop();
            clock.sleep(3);
            ASSERT_TRUE(sequencer.play());
            clock.sleep(test.half_ms);
            sequencer.stop();
            sent[keep] = out.text();
            events[keep] = timer.events();
        }
        EXPECT_EQ(sent[0], sent[1]);
        EXPECT_GT(std::count(sent[0].begin(), sent[0].end(), '\n'), 50) << "more than the opens and stops";
        if (std::string_view(test.name) != "fast.mid") {
            EXPECT_LT(events[0] * 4, events[1]) << events[0] << " events of " << events[1];
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Stop, play again, failures
// ---------------------------------------------------------------------------------------------------

// A tempo event whose three bytes are 0 would stop the song's time (and once made the engine divide
// by it): the song keeps the tempo in force, so the note still ends 192 ticks of 500,000 us per 96
// ticks after it began.
TEST(SequencerTempo, AnEmptyTempoKeepsTheTempoInForce)
{
    std::string const track("\x00\xff\x51\x03\x07\xa1\x20" // tempo 500,000
                            "\x00\x90\x3c\x64" // note on
                            "\x60\xff\x51\x03\x00\x00\x00" // tempo 0, 96 ticks later
                            "\x60\x80\x3c\x40" // note off, 96 ticks after that
                            "\x00\xff\x2f\x00",
        26);
    testing::TemporaryFolder folder;
    folder.write("zero.mid", single_track_song(96, track));

    platform::VirtualClock clock;
    platform::VirtualTimer timer { clock };
    platform::RecordingMidiOut out { clock };
    platform::TextEncoding encoding;
    platform::HostFiles files { folder.path().string(), encoding };
    MidiSequencer sequencer { clock, &timer, &out };
    ASSERT_TRUE(sequencer.load(files, "zero.mid"));
    sequencer.set_loop(false);
    ASSERT_TRUE(sequencer.play());
    for (int ms = 0; ms < 10'000 && sequencer.playing(); ++ms)
        clock.sleep(1);
    EXPECT_FALSE(sequencer.playing());

    auto const sent = shorts(out.records());
    auto const note_on
        = std::find_if(sent.begin(), sent.end(), [](const MidiRecord& r) { return r.message == 0x643c90; });
    auto const note_off
        = std::find_if(sent.begin(), sent.end(), [](const MidiRecord& r) { return r.message == 0x403c80; });
    ASSERT_NE(note_on, sent.end());
    ASSERT_NE(note_off, sent.end());
    EXPECT_EQ(note_off->time - note_on->time, 1000u);
}

TEST_F(SequencerTest, StopSilencesAndClosesAndPlayStartsOver)
{
    m_sequencer.stop();
    EXPECT_TRUE(m_out.records().empty()) << "stop while nothing plays does nothing";

    ASSERT_TRUE(m_sequencer.load(m_files, "yubatake-GameOver.mid"));
    ASSERT_TRUE(m_sequencer.play());
    m_clock.sleep(2000);
    std::size_t const before = m_out.records().size();
    m_sequencer.stop();
    EXPECT_FALSE(m_sequencer.playing());
    EXPECT_EQ(m_timer.running(), 0u);
    auto const& records = m_out.records();
    ASSERT_EQ(records.size(), before + 18);
    for (std::uint32_t ch = 0; ch < 16; ++ch) {
        char line[32];
        std::snprintf(line, sizeof line, "2000 short b%x 07 00", ch);
        EXPECT_EQ(records[before + ch].text(), line);
    }
    EXPECT_EQ(records[before + 16].text(), "2000 reset");
    EXPECT_EQ(records[before + 17].text(), "2000 close");
    m_clock.sleep(1000);
    EXPECT_EQ(m_out.records().size(), before + 18) << "nothing after the stop";

    // Play again: from the beginning, on a freshly opened device.
    m_out.clear();
    ASSERT_TRUE(m_sequencer.play());
    m_clock.sleep(200);
    auto const expected = ideal_times(*m_sequencer.song());
    EXPECT_EQ(m_out.records().front().text(), "3000 open");
    auto const sent = shorts(m_out.records());
    ASSERT_GE(sent.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sent[i].message, expected[i].message);
        EXPECT_EQ(sent[i].time, 3100u);
    }
    m_sequencer.stop();
}

TEST_F(SequencerTest, LoadFailures)
{
    EXPECT_FALSE(m_sequencer.play()) << "no song yet";
    ASSERT_TRUE(m_sequencer.load(m_files, "yubatake-GameOver.mid"));
    // Missing and empty files keep the song there was.
    EXPECT_FALSE(m_sequencer.load(m_files, "missing.mid"));
    EXPECT_FALSE(m_sequencer.load(m_files, "jazzsoft-test-empty-file.mid"));
    ASSERT_TRUE(m_sequencer.has_song());
    EXPECT_EQ(m_sequencer.song()->division, 960);
    // A file whose chunk runs past its end leaves no song, and play does nothing.
    EXPECT_FALSE(m_sequencer.load(m_files, "midifilejs-MIDIBadTrackLength.mid"));
    EXPECT_FALSE(m_sequencer.has_song());
    EXPECT_FALSE(m_sequencer.play());
    m_clock.sleep(500);
    EXPECT_TRUE(m_out.records().empty());
}

TEST_F(SequencerTest, ADeviceThatDoesNotOpenLeavesTheSongSilentButTimed)
{
    m_out.set_open_fails(true);
    play_once("jazzsoft-test-c-major-scale.mid");
    ASSERT_EQ(m_out.records().size(), 1u);
    EXPECT_EQ(m_out.records().front().text(), "0 open failed");
}

// ---------------------------------------------------------------------------------------------------
// .mid through the engine
// ---------------------------------------------------------------------------------------------------

class MidCommandTest : public ::testing::Test {
protected:
    MidCommandTest()
    {
        m_game.folder().write("data/song.mid", read(kMidi + "/yubatake-GameOver.mid"));
        m_game.folder().write("data/other.mid", read(kMidi + "/jazzsoft-test-c-major-scale.mid"));
    }
    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void run(std::string_view script)
    {
        m_game.write_script("config", "# no settings\n");
        m_game.write_script("start", script);
        ASSERT_TRUE(m_game.load_and_start());
        m_game.run();
    }
    // The times of the note-ons sent, with their keys.
    std::vector<std::string> note_ons()
    {
        std::vector<std::string> found;
        for (MidiRecord const& record : m_game.midi_out().records()) {
            if (record.kind == MidiRecord::Kind::Short && (record.message & 0xF0) == 0x90
                && (record.message >> 16) != 0)
                found.push_back(record.text());
        }
        return found;
    }
    testing::TestGame m_game;
};

TEST_F(MidCommandTest, AMissingFileRestartsThePreviousSong)
{
    run(".mid song 1\n.wat 3000\n.mid nosuchsong 1\n.wat 2500\n.mid stop\n.wat 100\n");
    // Each .mid stops what plays and opens the device again: the failed one restarts the song it
    // could not replace, from its start.
    std::vector<std::uint32_t> opens;
    std::vector<std::string> first_notes;
    for (MidiRecord const& record : m_game.midi_out().records()) {
        if (record.kind == MidiRecord::Kind::Open)
            opens.push_back(record.time);
        bool const note_on = record.kind == MidiRecord::Kind::Short && (record.message & 0xF0) == 0x90
            && (record.message >> 16) != 0;
        if (note_on && first_notes.size() < opens.size())
            first_notes.push_back(record.text());
    }
    EXPECT_EQ(opens, (std::vector<std::uint32_t> { 0, 3000 }));
    // GameOver's first note-on: tick 1920 at 400000 us a quarter of 960 ticks, 800 ms after the
    // first tick, which comes 100 ms after play.
    EXPECT_EQ(first_notes, (std::vector<std::string> { "900 short 90 47 5a", "3900 short 90 47 5a" }));
    EXPECT_TRUE(m_game.midi_out().text().ends_with("5500 reset\n5500 close\n"));
    EXPECT_FALSE(m_game.engine().midi->playing());
}

TEST_F(MidCommandTest, LoopArgumentAndStop)
{
    // other.mid lasts about 4.2 s at 120 beats a minute; loop 0 plays it once and stops.
    run(".mid other 0\n.wat 8000\n");
    EXPECT_FALSE(m_game.engine().midi->playing());
    EXPECT_EQ(m_game.engine().midi->loops_completed(), 0u);
    // Each of the scale's eight notes once, then the end: volumes to 0, reset, close.
    EXPECT_EQ(note_ons().size(), 8u);
    auto const& records = m_game.midi_out().records();
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[records.size() - 2].kind, MidiRecord::Kind::Reset);
    EXPECT_EQ(records.back().kind, MidiRecord::Kind::Close);
}

// ---------------------------------------------------------------------------------------------------
// On the real timer thread
// ---------------------------------------------------------------------------------------------------

// Records what the sequencer sends, like RecordingMidiOut, and serves as a gate: when the message it
// is armed with comes, it tells the main thread and holds the timer's event for a while, so that
// what the main thread does next lands inside that event.
class GateMidiOut final : public platform::MidiOut {
public:
    enum class Kind {
        Short,
        Long,
    };

    explicit GateMidiOut(platform::Clock& clock)
        : m_recording(clock)
    {
    }

    // The short message `message` (or any system-exclusive message), after `skip` of them have
    // passed, makes reached() true and is held `hold` before the send returns.
    void arm(Kind kind, std::uint32_t message, int skip, std::chrono::microseconds hold)
    {
        m_reached = false;
        m_hold = hold;
        m_skip = skip;
        m_kind = kind;
        m_message = message;
        m_armed = true;
    }
    bool reached() const { return m_reached; }
    // What was sent. Read it only while nothing plays.
    const std::vector<MidiRecord>& records() const { return m_recording.records(); }

    bool open() override { return m_recording.open(); }
    void reset() override { m_recording.reset(); }
    void close() override { m_recording.close(); }
    void send_short(std::uint32_t message) override
    {
        m_recording.send_short(message);
        pass(Kind::Short, message);
    }
    void send_long(std::span<const std::uint8_t> message) override
    {
        m_recording.send_long(message);
        pass(Kind::Long, 0);
    }

private:
    void pass(Kind kind, std::uint32_t message)
    {
        if (!m_armed || kind != m_kind || (kind == Kind::Short && message != m_message))
            return;
        if (m_skip-- > 0)
            return;
        // Read before the main thread may arm the gate again.
        auto const hold = m_hold;
        m_armed = false;
        m_reached = true;
        std::this_thread::sleep_for(hold);
    }

    platform::RecordingMidiOut m_recording;
    // Set by the main thread before m_armed, read by the timer thread after it.
    std::chrono::microseconds m_hold { 0 };
    int m_skip { 0 };
    Kind m_kind { Kind::Short };
    std::uint32_t m_message { 0 };
    std::atomic<bool> m_armed { false };
    std::atomic<bool> m_reached { false };
};

// Every play in `records` from `from` on ends as a stop ends it: the device is opened first, and
// last come the sixteen channel volumes set to 0, the reset that ends every note, and the close,
// with nothing but messages between. Returns how many plays there were.
std::size_t expect_plays_end_silenced(const std::vector<MidiRecord>& records, std::size_t from)
{
    std::size_t plays = 0;
    std::size_t start = from;
    for (std::size_t i = from; i < records.size(); ++i) {
        if (records[i].kind != MidiRecord::Kind::Close)
            continue;
        ++plays;
        EXPECT_GE(i - start, 18u) << "play " << plays;
        if (i - start < 18)
            return plays;
        EXPECT_EQ(records[start].kind, MidiRecord::Kind::Open) << records[start].text();
        for (std::size_t j = start + 1; j < i - 17; ++j) {
            EXPECT_TRUE(
                records[j].kind == MidiRecord::Kind::Short || records[j].kind == MidiRecord::Kind::Long)
                << "inside play " << plays << ": " << records[j].text();
        }
        for (std::uint32_t ch = 0; ch < 16; ++ch) {
            MidiRecord const& volume = records[i - 17 + ch];
            EXPECT_EQ(volume.kind, MidiRecord::Kind::Short) << volume.text();
            EXPECT_EQ(volume.message, (0xB0 | ch) | 7 << 8) << volume.text();
        }
        EXPECT_EQ(records[i - 1].kind, MidiRecord::Kind::Reset) << records[i - 1].text();
        start = i + 1;
    }
    EXPECT_EQ(start, records.size()) << "sent after the last close: " << records.back().text();
    return plays;
}

TEST(SequencerOnTheTimerThread, StopsRacingTheLoopRestartLeaveTheDeviceSilencedAndClosed)
{
    // One track of 1 ms ticks: a system-exclusive message, program 5 and volume 80 on channel 0, the
    // marker "L" at tick 2, then two notes until tick 8. Each pass from the marker takes 6 ms after
    // the 100 ms pause of the restart.
    std::string const track("\x00\xff\x51\x03\x01\x77\x00" // tempo 96000 us a quarter of 96 ticks
                            "\x00\xf0\x05\x7e\x7f\x09\x01\xf7" // system exclusive (GM on)
                            "\x00\xc0\x05" // program 5
                            "\x00\xb0\x07\x50" // volume 80
                            "\x02\xff\x06\x01L" // marker "L" at tick 2
                            "\x00\x90\x3c\x64" // note on 60
                            "\x03\x80\x3c\x40" // note off 60 at tick 5
                            "\x00\x90\x3e\x64" // note on 62
                            "\x03\x80\x3e\x40" // note off 62 at tick 8
                            "\x00\xff\x2f\x00", // end of track
        47);
    testing::TemporaryFolder folder;
    folder.write("loop.mid", single_track_song(96, track));
    platform::TextEncoding encoding;
    platform::HostFiles files { folder.path().string(), encoding };

    platform::SteadyClock clock;
    platform::ThreadTimer timer;
    GateMidiOut out { clock };
    auto sequencer = std::make_unique<MidiSequencer>(clock, &timer, &out);
    ASSERT_TRUE(sequencer->load(files, "loop.mid"));

    constexpr std::uint32_t kLastNoteOff = 0x403E80;
    constexpr std::uint32_t kFirstNoteOn = 0x643C90;
    // At the restart the kept state goes out again: channel 0's program first, channel 15's volume
    // last. The first pass sent the program too, and the system-exclusive message, which the silent
    // replay of the restart sends again.
    constexpr std::uint32_t kResentProgram = 0x05C0;
    constexpr std::uint32_t kLastResentVolume = 0x6407BF;
    enum class Action {
        Stop,
        // play again, which stops first
        Play,
        // load the song again, which stops first
        Load,
        // the sequencer goes, stopping in its destructor
        Destroy,
    };
    struct Trial {
        const char* what;
        GateMidiOut::Kind kind;
        std::uint32_t message;
        int skip;
        std::chrono::microseconds hold;
        // From the gate to the action, on the main thread.
        std::chrono::microseconds delay;
        Action action;
    };
    using std::chrono::microseconds;
    using Kind = GateMidiOut::Kind;
    Trial const trials[] = {
        { "at the song's end", Kind::Short, kLastNoteOff, 0, microseconds(0), microseconds(0), Action::Stop },
        { "1 ms after its end", Kind::Short, kLastNoteOff, 0, microseconds(0), microseconds(1000),
            Action::Stop },
        { "2 ms after its end", Kind::Short, kLastNoteOff, 0, microseconds(0), microseconds(2000),
            Action::Stop },
        { "in the silent replay", Kind::Long, 0, 1, microseconds(2000), microseconds(0), Action::Stop },
        { "in the resent state", Kind::Short, kResentProgram, 1, microseconds(2000), microseconds(0),
            Action::Stop },
        { "replay in the restart", Kind::Short, kResentProgram, 1, microseconds(2000), microseconds(0),
            Action::Play },
        { "load in the restart", Kind::Long, 0, 1, microseconds(2000), microseconds(0), Action::Load },
        { "destroy in the restart", Kind::Short, kResentProgram, 1, microseconds(2000), microseconds(0),
            Action::Destroy },
        { "right after the restart", Kind::Short, kLastResentVolume, 0, microseconds(0), microseconds(0),
            Action::Stop },
        { "in the pause after it", Kind::Short, kLastResentVolume, 0, microseconds(0), microseconds(3000),
            Action::Stop },
    };

    // Polls the gate; false if the song has not reached it in a time far beyond its own.
    auto wait_for_gate = [&out] {
        for (int i = 0; i < 30'000 && !out.reached(); ++i)
            std::this_thread::sleep_for(microseconds(100));
        return out.reached();
    };
    for (Trial const& trial : trials) {
        SCOPED_TRACE(trial.what);
        std::size_t const first = out.records().size();
        sequencer->set_loop(true);
        out.arm(trial.kind, trial.message, trial.skip, trial.hold);
        ASSERT_TRUE(sequencer->play());
        ASSERT_TRUE(wait_for_gate());
        std::this_thread::sleep_for(trial.delay);
        std::size_t expected_plays = 1;
        switch (trial.action) {
        case Action::Stop:
            sequencer->stop();
            break;
        case Action::Play:
            // The song starts over, and is stopped at its first note.
            out.arm(Kind::Short, kFirstNoteOn, 0, microseconds(0));
            ASSERT_TRUE(sequencer->play());
            ASSERT_TRUE(wait_for_gate());
            sequencer->stop();
            expected_plays = 2;
            break;
        case Action::Load:
            ASSERT_TRUE(sequencer->load(files, "loop.mid"));
            break;
        case Action::Destroy:
            sequencer.reset();
            break;
        }
        EXPECT_TRUE(!sequencer || !sequencer->playing());
        std::size_t const count = out.records().size();
        // No event of the killed timer comes late.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(out.records().size(), count);
        EXPECT_EQ(expect_plays_end_silenced(out.records(), first), expected_plays);
        if (!sequencer) {
            sequencer = std::make_unique<MidiSequencer>(clock, &timer, &out);
            ASSERT_TRUE(sequencer->load(files, "loop.mid"));
        }
    }
}

} // namespace
} // namespace advplay::media
