// RecordingMidiOut.
#include "platform/headless/recording_midi_out.h"

#include "platform/clock.h"

#include <algorithm>
#include <cstdio>

namespace advplay::platform {

namespace {

void append_hex(std::string& text, std::uint8_t byte)
{
    char digits[4];
    std::snprintf(digits, sizeof digits, " %02x", byte);
    text += digits;
}

} // namespace

std::string MidiRecord::text() const
{
    std::string line = std::to_string(time);
    switch (kind) {
    case Kind::Open:
        return line + " open";
    case Kind::OpenFailed:
        return line + " open failed";
    case Kind::Reset:
        return line + " reset";
    case Kind::Close:
        return line + " close";
    case Kind::Short:
        line += " short";
        for (int shift = 0; shift < 24; shift += 8)
            append_hex(line, static_cast<std::uint8_t>(message >> shift));
        return line;
    case Kind::Long:
        line += " long";
        for (std::uint8_t const byte : bytes)
            append_hex(line, byte);
        return line;
    case Kind::Volume:
        return line + " volume " + std::to_string(message);
    }
    return line;
}

bool RecordingMidiOut::open()
{
    record(m_open_fails ? MidiRecord::Kind::OpenFailed : MidiRecord::Kind::Open);
    return !m_open_fails;
}

void RecordingMidiOut::send_short(std::uint32_t message)
{
    m_records.push({ m_clock.now(), MidiRecord::Kind::Short, message, {} });
}

void RecordingMidiOut::send_long(std::span<const std::uint8_t> message)
{
    m_records.push({ m_clock.now(), MidiRecord::Kind::Long, 0, { message.begin(), message.end() } });
}

void RecordingMidiOut::set_volume(int percent)
{
    m_records.push({ m_clock.now(), MidiRecord::Kind::Volume,
        static_cast<std::uint32_t>(std::clamp(percent, 0, 100)), {} });
}

std::string RecordingMidiOut::text() const
{
    std::string all;
    for (MidiRecord const& record : m_records.entries())
        all += record.text() + "\n";
    return all;
}

void RecordingMidiOut::record(MidiRecord::Kind kind)
{
    m_records.push({ m_clock.now(), kind, 0, {} });
}

} // namespace advplay::platform
