// Songs: a Standard MIDI File converted into one flat, time-ordered list of events, all tracks
// merged, as the sequencer plays it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace advplay::media {

// Status bytes with a meaning of their own in the list.
constexpr std::uint8_t kNoOperation = 0x00;
constexpr std::uint8_t kSystemExclusive = 0xF0;
constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kMetaMarker = 0x06;
constexpr std::uint8_t kMetaTempo = 0x51;

// One event of a song: 8 bytes. A system-exclusive event keeps the index of its message in `word`;
// a tempo change is three events: the first has status kMeta and type kMetaTempo, the second and
// third (delta 0, status 0) hold the low and the high 16 bits of the tempo in `word`.
struct SongEvent {
    // Ticks since the previous event of the list.
    std::uint32_t delta;
    std::uint8_t status;
    // The first data byte; a meta event's type.
    std::uint8_t data1;
    std::uint8_t data2;
    std::uint8_t unused;

    // data1 and data2 as one little-endian 16-bit value.
    std::uint16_t word() const { return static_cast<std::uint16_t>(data1 | data2 << 8); }
    void set_word(std::uint16_t value)
    {
        data1 = static_cast<std::uint8_t>(value);
        data2 = static_cast<std::uint8_t>(value >> 8);
    }
};
static_assert(sizeof(SongEvent) == 8);

struct Song {
    // Ticks per quarter note, from the file's header.
    std::uint16_t division { 0 };
    // The events, followed by kSpareEvents zeroed ones, so that reading the event after the last
    // always finds a delta of 0.
    std::vector<SongEvent> events;
    std::size_t event_count { 0 };
    // One message per system-exclusive event: 0xF0 followed by the event's data bytes.
    std::vector<std::vector<std::uint8_t>> system_exclusive;
    // The tick of the last marker "L" of the first track; 0 without one.
    std::uint64_t loop_tick { 0 };

    static constexpr std::size_t kSpareEvents = 1000;
};

// The most system-exclusive messages a song may hold: their index must fit the event's 16 bits.
constexpr std::size_t kMaxSystemExclusive = 65536;

/*
 * Converts a whole file. The header gives the track count (bytes 10..11) and the division (12..13);
 * the format and the chunk names are not examined, so any chunk counts as a track. The tracks are
 * merged by time; events of several tracks at one tick are taken in turn, one per track in track
 * order, then the second of each, and so on. Tempo changes count from any track, markers only from
 * the first; every other meta event becomes a no-operation event.
 *
 * Nothing is returned when the file is shorter than its header, a track chunk ends beyond the end
 * of the file, the division is 0 (no time would ever pass), or the song has more than
 * kMaxSystemExclusive system-exclusive messages. An event whose bytes do not all lie inside its
 * chunk ends its track: nothing is read beyond a chunk.
 */
std::optional<Song> convert_song(std::span<const std::uint8_t> file);

// The tempo, in microseconds per quarter note, of the tempo change that begins at `index`.
std::uint32_t tempo_at(const Song& song, std::size_t index);

} // namespace advplay::media
