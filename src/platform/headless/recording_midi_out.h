// RecordingMidiOut: the MIDI output of headless runs, which writes down every call with the clock's
// time instead of sounding.
#pragma once

#include "platform/headless/recent_log.h"
#include "platform/midi_out.h"

#include <cstdint>
#include <string>
#include <vector>

namespace advplay::platform {

class Clock;

struct MidiRecord {
    enum class Kind : std::uint8_t {
        Open,
        // An open that the device refused.
        OpenFailed,
        Reset,
        Close,
        Short,
        Long,
        Volume,
    };
    // The clock's reading when the call came.
    std::uint32_t time { 0 };
    Kind kind { Kind::Open };
    // Short: the packed message. Volume: the percent, as clamped.
    std::uint32_t message { 0 };
    // Long: the whole message.
    std::vector<std::uint8_t> bytes;

    // "1250 short 90 3c 64", "1250 long f0 7e 7f 09 01 f7", "1250 open", "1250 open failed",
    // "1250 volume 50", ...
    std::string text() const;
};

class RecordingMidiOut final : public MidiOut {
public:
    // Keeps the last `capacity` / 2 calls at least: a whole song for most tests, and a bounded
    // window of a headless run that loops its music for hours.
    static constexpr std::size_t kDefaultCapacity = 16384;
    explicit RecordingMidiOut(Clock& clock, std::size_t capacity = kDefaultCapacity)
        : m_clock(clock)
        , m_records(capacity)
    {
    }

    // A device that refuses to open, as a missing synthesiser does; the refusal is recorded too.
    void set_open_fails(bool fails) { m_open_fails = fails; }

    bool open() override;
    void reset() override { record(MidiRecord::Kind::Reset); }
    void close() override { record(MidiRecord::Kind::Close); }
    void send_short(std::uint32_t message) override;
    void send_long(std::span<const std::uint8_t> message) override;
    void set_volume(int percent) override;

    const std::vector<MidiRecord>& records() const { return m_records.entries(); }
    // How many calls are no longer among the records.
    std::size_t dropped() const { return m_records.dropped(); }
    void clear() { m_records.clear(); }
    // Every record's text, a line each.
    std::string text() const;

private:
    void record(MidiRecord::Kind kind);

    Clock& m_clock;
    bool m_open_fails { false };
    RecentLog<MidiRecord> m_records;
};

} // namespace advplay::platform
