// Song conversion: the track reader and the merge of the tracks into one list.
#include "media/song.h"

#include <compare>
#include <functional>
#include <new>
#include <queue>
#include <utility>

namespace advplay::media {

namespace {

std::uint32_t read_be32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16
        | static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

std::uint16_t read_be16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// The chunks that count as tracks, or nothing when one ends beyond the file.
std::optional<std::vector<std::span<const std::uint8_t>>> find_tracks(std::span<const std::uint8_t> file)
{
    std::uint64_t const header_length = read_be32(file, 4);
    std::uint16_t const track_count = read_be16(file, 10);
    std::vector<std::span<const std::uint8_t>> tracks;
    tracks.reserve(track_count);
    std::uint64_t start = 8 + header_length;
    for (std::uint16_t i = 0; i < track_count; ++i) {
        if (start + 8 > file.size())
            return std::nullopt;
        std::uint64_t const length = read_be32(file, static_cast<std::size_t>(start + 4));
        std::uint64_t const end = start + 8 + length;
        if (end > file.size())
            return std::nullopt;
        tracks.push_back(file.subspan(static_cast<std::size_t>(start + 8), static_cast<std::size_t>(length)));
        start = end;
    }
    return tracks;
}

// ---------------------------------------------------------------------------------------------------
// Reading the tracks
// ---------------------------------------------------------------------------------------------------

/*
 * Where an event belongs in the list: by tick, then by round, then by track. This is the order of
 * merging in passes, in which every track due at the earliest tick gives one event, in track order.
 * No two events share all three. The defaulted comparison takes the members in the order they are
 * declared, which is what makes it this order.
 */
struct MergeKey {
    std::uint64_t tick;
    // How many events of the same track come before it at its tick.
    std::uint32_t round;
    std::uint32_t track;

    auto operator<=>(const MergeKey&) const = default;
};

// One event of a track, already in the form the list takes.
struct TrackEvent {
    MergeKey key;
    // The list event, its delta still unset.
    SongEvent event;
    // A system-exclusive or tempo event's data bytes, inside the file.
    std::span<const std::uint8_t> data;
};

// 7 bits a byte, most significant first, while the high bit is set. Longer numbers than the format
// allows wrap around rather than fail, as the files' own players read them. False when the chunk
// ends first.
bool read_number(std::span<const std::uint8_t> chunk, std::size_t& at, std::uint32_t& value)
{
    std::uint32_t number = 0;
    std::uint8_t byte = 0;
    do {
        if (at == chunk.size())
            return false;
        byte = chunk[at++];
        number = number << 7 | (byte & 0x7F);
    } while (byte & 0x80);
    value = number;
    return true;
}

/*
 * The events of one track chunk, in file order, which is also their order by tick and round. The
 * track ends when fewer than two bytes remain, and also when the next event does not lie whole inside
 * the chunk: nothing is read beyond a chunk. A marker "L" of the first track sets `loop_tick` to its
 * tick.
 */
std::vector<TrackEvent> read_track(
    std::span<const std::uint8_t> chunk, std::uint32_t track, std::uint64_t& loop_tick)
{
    std::vector<TrackEvent> events;
    std::size_t at = 0;
    std::uint8_t running_status = 0;
    std::uint64_t tick = 0;
    while (chunk.size() - at >= 2) {
        std::uint32_t delta = 0;
        if (!read_number(chunk, at, delta) || at == chunk.size())
            break;
        tick += delta;
        // QUIRK: every status byte read becomes the running status, system-exclusive and meta
        // statuses included; so data bytes right after a meta event are read as another meta event.
        if (chunk[at] >= 0x80)
            running_status = chunk[at++];
        std::uint8_t const status = running_status;

        SongEvent event { 0, status, 0, 0, 0 };
        std::span<const std::uint8_t> data;
        if (status == kSystemExclusive || status == kMeta) {
            std::uint8_t meta_type = 0;
            if (status == kMeta) {
                if (at == chunk.size())
                    break;
                meta_type = chunk[at++];
            }
            std::uint32_t length = 0;
            if (!read_number(chunk, at, length) || length > chunk.size() - at)
                break;
            data = chunk.subspan(at, length);
            at += length;
            // Tempo changes count from any track, markers only from the first; any other meta
            // event stays in the list as a no-operation, keeping its place and its delta.
            bool const marker = status == kMeta && track == 0 && meta_type == kMetaMarker;
            if (marker && data.size() == 1 && data[0] == 'L')
                loop_tick = tick;
            if (status == kMeta && (marker || meta_type == kMetaTempo))
                event.data1 = meta_type;
            else if (status == kMeta)
                event.status = kNoOperation;
        } else {
            // One data byte for program changes and channel pressure, two for every other status.
            bool const one_byte = (status & 0xE0) == 0xC0;
            if ((one_byte ? 1u : 2u) > chunk.size() - at)
                break;
            event.data1 = chunk[at++];
            if (!one_byte)
                event.data2 = chunk[at++];
        }
        bool const same_tick = !events.empty() && events.back().key.tick == tick;
        std::uint32_t const round = same_tick ? events.back().key.round + 1 : 0;
        events.push_back({ { tick, round, track }, event, data });
    }
    return events;
}

// ---------------------------------------------------------------------------------------------------
// Merging
// ---------------------------------------------------------------------------------------------------

// The data bytes as one big-endian number: three in a valid file; none gives 0.
std::uint32_t tempo_of(std::span<const std::uint8_t> data)
{
    std::uint32_t tempo = 0;
    for (std::uint8_t const byte : data)
        tempo = tempo << 8 | byte;
    return tempo;
}

std::optional<Song> convert(std::span<const std::uint8_t> file)
{
    if (file.size() < 14)
        return std::nullopt;
    Song song;
    song.division = read_be16(file, 12);
    if (song.division == 0)
        return std::nullopt;
    auto const chunks = find_tracks(file);
    if (!chunks)
        return std::nullopt;

    std::vector<std::vector<TrackEvent>> tracks;
    tracks.reserve(chunks->size());
    for (std::size_t track = 0; track < chunks->size(); ++track)
        tracks.push_back(read_track((*chunks)[track], static_cast<std::uint32_t>(track), song.loop_tick));

    // Each track is in merging order already: the merge only picks the track whose next event
    // comes first.
    std::priority_queue<MergeKey, std::vector<MergeKey>, std::greater<>> due;
    for (auto const& events : tracks) {
        if (!events.empty())
            due.push(events.front().key);
    }
    std::vector<std::size_t> taken(tracks.size(), 0);
    std::uint64_t tick = 0;
    while (!due.empty()) {
        std::uint32_t const track = due.top().track;
        due.pop();
        std::vector<TrackEvent> const& events = tracks[track];
        TrackEvent const& timed = events[taken[track]++];
        if (taken[track] < events.size())
            due.push(events[taken[track]].key);
        SongEvent event = timed.event;
        // Fits: no event lies further after the one before it in the list than after the one
        // before it in its own track, which a delta of the file spans.
        event.delta = static_cast<std::uint32_t>(timed.key.tick - tick);
        tick = timed.key.tick;
        if (event.status == kSystemExclusive) {
            if (song.system_exclusive.size() == kMaxSystemExclusive)
                return std::nullopt;
            event.set_word(static_cast<std::uint16_t>(song.system_exclusive.size()));
            std::vector<std::uint8_t> message { kSystemExclusive };
            message.insert(message.end(), timed.data.begin(), timed.data.end());
            song.system_exclusive.push_back(std::move(message));
        }
        song.events.push_back(event);
        if (event.status == kMeta && event.data1 == kMetaTempo) {
            std::uint32_t const tempo = tempo_of(timed.data);
            SongEvent value { 0, kNoOperation, 0, 0, 0 };
            value.set_word(static_cast<std::uint16_t>(tempo));
            song.events.push_back(value);
            value.set_word(static_cast<std::uint16_t>(tempo >> 16));
            song.events.push_back(value);
        }
    }
    song.event_count = song.events.size();
    song.events.resize(song.event_count + Song::kSpareEvents);
    return song;
}

} // namespace

std::uint32_t tempo_at(const Song& song, std::size_t index)
{
    return static_cast<std::uint32_t>(song.events[index + 2].word()) << 16 | song.events[index + 1].word();
}

std::optional<Song> convert_song(std::span<const std::uint8_t> file)
{
    // The working memory grows with the file: a song too large for it is refused like a damaged one
    // rather than ending the game.
    try {
        return convert(file);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace advplay::media
