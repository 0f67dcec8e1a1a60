// Song conversion: the track reader, the sizing pass and the merging pass.
#include "media/song.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

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

// One event of a track as the file holds it, in 8 bytes. The sizing pass reads every event of every
// track into one array of these, so that the file's bytes are parsed once and the merge only puts
// them in order.
struct TrackEvent {
    // System-exclusive and meta events: where their length lies in the chunk; the data follow it.
    std::uint32_t length_offset;
    std::uint8_t status;
    // Meta events: the type.
    std::uint8_t meta_type;
    // Channel messages: the one or two data bytes (0 for a missing second one).
    std::uint8_t data1;
    std::uint8_t data2;
};
static_assert(sizeof(TrackEvent) == sizeof(std::uint64_t));

struct TrackTotals {
    // The events the list will hold: a tempo change takes three.
    std::size_t list_events { 0 };
    std::size_t system_exclusive { 0 };
    std::uint64_t largest_tick { 0 };
    std::uint32_t largest_round { 0 };
};

// Every event takes at least two bytes of its chunk: a delta and a data byte.
constexpr std::size_t kSmallestEvent = 2;

// 7 bits a byte, most significant first, while the high bit is set. Longer numbers than the format
// allows wrap around rather than fail, as the files' own players read them. False when the chunk
// ends first.
bool read_number(const std::uint8_t*& at, const std::uint8_t* end, std::uint32_t& value)
{
    std::uint32_t number = 0;
    std::uint8_t byte = 0;
    do {
        if (at == end)
            return false;
        byte = *at++;
        number = number << 7 | (byte & 0x7F);
    } while (byte & 0x80);
    value = number;
    return true;
}

// Where the events read go: the events themselves (TrackEvent bits), and for each its tick and its
// round, the number of events of its own track before it at that tick. All three have room for
// `room` events.
struct ReadEvents {
    std::uint64_t* events;
    std::uint64_t* ticks;
    std::uint64_t* rounds;
    std::size_t room;
};

/*
 * Reads the events of one track chunk into `into` and returns how many it read. The track ends when
 * fewer than two bytes remain, and also when the next event does not lie whole inside the chunk:
 * nothing is read beyond a chunk. As every event takes kSmallestEvent bytes, chunk.size() /
 * kSmallestEvent is room enough.
 */
std::size_t read_track(std::span<const std::uint8_t> chunk, ReadEvents into, TrackTotals& totals)
{
    const std::uint8_t* const begin = chunk.data();
    const std::uint8_t* const end = begin + chunk.size();
    const std::uint8_t* at = begin;
    std::uint8_t running_status = 0;
    std::uint64_t tick = 0;
    // One below 0, so that the first event is of round 0 whatever its delta.
    std::uint32_t round = ~std::uint32_t { 0 };
    std::size_t count = 0;
    while (end - at >= 2 && count < into.room) {
        std::uint32_t delta = 0;
        if (!read_number(at, end, delta) || at == end)
            break;
        TrackEvent event {};
        // QUIRK: every status byte read becomes the running status, system-exclusive and meta
        // statuses included; so data bytes right after a meta event are read as another meta event.
        // Chosen without a branch: status bytes and running status alternate at random in music.
        std::uint8_t const byte = *at;
        bool const is_status = byte >= 0x80;
        running_status = is_status ? byte : running_status;
        at += is_status;
        event.status = running_status;

        if (event.status == kSystemExclusive || event.status == kMeta) {
            if (event.status == kMeta) {
                if (at == end)
                    break;
                event.meta_type = *at++;
            }
            event.length_offset = static_cast<std::uint32_t>(at - begin);
            std::uint32_t length = 0;
            if (!read_number(at, end, length) || length > static_cast<std::size_t>(end - at))
                break;
            at += length;
            totals.list_events += event.meta_type == kMetaTempo ? 3 : 1;
            totals.system_exclusive += event.status == kSystemExclusive;
        } else {
            // One data byte for program changes and channel pressure, two for every other status.
            bool const one_byte = (event.status & 0xE0) == 0xC0;
            std::size_t const length = one_byte ? 1 : 2;
            if (length > static_cast<std::size_t>(end - at))
                break;
            event.data1 = at[0];
            event.data2 = one_byte ? 0 : at[1];
            at += length;
            totals.list_events += 1;
        }
        tick += delta;
        round = delta == 0 ? round + 1 : 0;
        totals.largest_round = std::max(totals.largest_round, round);
        into.events[count] = std::bit_cast<std::uint64_t>(event);
        into.ticks[count] = tick;
        into.rounds[count] = round;
        ++count;
    }
    totals.largest_tick = std::max(totals.largest_tick, tick);
    return count;
}

// ---------------------------------------------------------------------------------------------------
// Merging
// ---------------------------------------------------------------------------------------------------

/*
 * The merged list takes the events by tick, then by round, then by track: the order of merging in
 * passes, in which every track due at the earliest tick gives one event, in track order. The events
 * were read track after track, so among equal ticks and rounds their index keeps the track order.
 *
 * A key packs the three into one number, each field as wide as this song needs it: the tick above
 * the round above the index. Songs of any sane size fit; for the others WideKey holds the three
 * apart.
 */
struct KeyLayout {
    int index_bits;
    int round_bits;
    int tick_bits;

    // Whether the three fit, with room above the index and the round for the tick to start in.
    bool fits() const { return index_bits + round_bits < 64 && index_bits + round_bits + tick_bits <= 64; }
    std::uint64_t key(std::uint64_t tick, std::uint32_t round, std::size_t index) const
    {
        return ((tick << round_bits | round) << index_bits) | index;
    }
    std::size_t index(std::uint64_t key) const
    {
        return static_cast<std::size_t>(key & ((std::uint64_t { 1 } << index_bits) - 1));
    }
    std::uint64_t tick(std::uint64_t key) const { return key >> (index_bits + round_bits); }
};

struct WideKey {
    std::uint64_t tick;
    std::uint32_t round;
    std::size_t index;
};

/*
 * Sorts packed keys into merging order and returns the sorted ones, which lie in `keys` or in
 * `spare` (as long as `keys`). A radix sort of the tick and round bits, eleven bits a pass from the
 * least significant, each pass keeping the order of equal digits; the index needs no pass, as the
 * keys come in index order. Merging the tracks event by event instead had to guess at every event
 * which track came next, and the wrong guesses cost more than these passes.
 */
std::span<const std::uint64_t> sort_keys(
    std::span<std::uint64_t> keys, std::span<std::uint64_t> spare, KeyLayout layout)
{
    constexpr int kDigitBits = 11;
    constexpr std::size_t kDigitMask = (std::size_t { 1 } << kDigitBits) - 1;
    int const order_bits = layout.round_bits + layout.tick_bits;
    int const passes = (order_bits + kDigitBits - 1) / kDigitBits;
    // Every pass's counts at once, from one reading of the keys.
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(passes) << kDigitBits);
    for (std::uint64_t const key : keys) {
        for (int pass = 0; pass < passes; ++pass) {
            std::size_t const digit = key >> (layout.index_bits + pass * kDigitBits) & kDigitMask;
            ++counts[static_cast<std::size_t>(pass) << kDigitBits | digit];
        }
    }
    for (int pass = 0; pass < passes; ++pass) {
        std::span<std::uint32_t> const offsets(
            counts.data() + (static_cast<std::size_t>(pass) << kDigitBits), kDigitMask + 1);
        std::uint32_t sum = 0;
        for (std::uint32_t& offset : offsets) {
            std::uint32_t const count = offset;
            offset = sum;
            sum += count;
        }
        int const shift = layout.index_bits + pass * kDigitBits;
        for (std::uint64_t const key : keys)
            spare[offsets[key >> shift & kDigitMask]++] = key;
        std::swap(keys, spare);
    }
    return keys;
}

void write_tempo(SongEvent*& out, std::uint32_t delta, const std::uint8_t* data, std::uint32_t length)
{
    // The data bytes as one big-endian number: three in a valid file; none gives 0.
    std::uint32_t tempo = 0;
    for (std::uint32_t i = 0; i < length; ++i)
        tempo = tempo << 8 | data[i];
    *out++ = { delta, kMeta, kMetaTempo, 0, 0 };
    out->set_word(static_cast<std::uint16_t>(tempo));
    ++out;
    out->set_word(static_cast<std::uint16_t>(tempo >> 16));
    ++out;
}

// Writes the list from the events read, taken in merging order: `index_of` and `tick_of` read an
// event's index and tick from the sorted keys. `track_starts` holds where each track's events
// begin, and after them how many there are.
template<typename Key, typename IndexOf, typename TickOf>
void write_list(Song& song, std::span<const Key> sorted, IndexOf index_of, TickOf tick_of,
    const std::uint64_t* events, std::span<const std::size_t> track_starts,
    std::span<const std::span<const std::uint8_t>> chunks)
{
    SongEvent* out = song.events.data();
    std::uint64_t tick = 0;
    for (Key const& key : sorted) {
        std::size_t const index = index_of(key);
        auto const event = std::bit_cast<TrackEvent>(events[index]);
        auto const delta = static_cast<std::uint32_t>(tick_of(key) - tick);
        tick = tick_of(key);
        if (event.status != kMeta && event.status != kSystemExclusive) {
            *out++ = { delta, event.status, event.data1, event.data2, 0 };
            continue;
        }
        // Few events have data of their own: finding their track here costs less than keeping it
        // with every event.
        auto const track = static_cast<std::size_t>(
            std::upper_bound(track_starts.begin(), track_starts.end(), index) - track_starts.begin() - 1);
        std::span<const std::uint8_t> const chunk = chunks[track];
        const std::uint8_t* data = chunk.data() + event.length_offset;
        std::uint32_t length = 0;
        // Read whole once already.
        (void)read_number(data, chunk.data() + chunk.size(), length);
        if (event.status == kSystemExclusive) {
            std::vector<std::uint8_t> message(length + std::size_t { 1 });
            message[0] = kSystemExclusive;
            std::copy(data, data + length, message.begin() + 1);
            SongEvent system_exclusive { delta, kSystemExclusive, 0, 0, 0 };
            system_exclusive.set_word(static_cast<std::uint16_t>(song.system_exclusive.size()));
            song.system_exclusive.push_back(std::move(message));
            *out++ = system_exclusive;
        } else if (event.meta_type == kMetaTempo) {
            write_tempo(out, delta, data, length);
        } else if (track == 0 && event.meta_type == kMetaMarker) {
            if (length == 1 && data[0] == 'L')
                song.loop_tick = tick;
            *out++ = { delta, kMeta, kMetaMarker, 0, 0 };
        } else {
            *out++ = { delta, kNoOperation, 0, 0, 0 };
        }
    }
    song.event_count = static_cast<std::size_t>(out - song.events.data());
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

    // Pass 1: sizes. One block holds the events read, their ticks and their rounds; the ticks become
    // the keys, and the rounds' room serves as the sort's second buffer.
    std::size_t room = 0;
    for (auto const& chunk : *chunks)
        room += chunk.size() / kSmallestEvent;
    auto const block = std::make_unique_for_overwrite<std::uint64_t[]>(3 * room);
    std::uint64_t* const events = block.get();
    std::uint64_t* const keys = events + room;
    std::uint64_t* const rounds = keys + room;
    TrackTotals totals;
    std::vector<std::size_t> track_starts;
    track_starts.reserve(chunks->size() + 1);
    std::size_t read = 0;
    for (auto const& chunk : *chunks) {
        track_starts.push_back(read);
        read += read_track(chunk, { events + read, keys + read, rounds + read, room - read }, totals);
    }
    track_starts.push_back(read);
    if (totals.system_exclusive > kMaxSystemExclusive)
        return std::nullopt;
    song.events.assign(totals.list_events + Song::kSpareEvents, SongEvent {});
    song.system_exclusive.reserve(totals.system_exclusive);

    // Pass 2: merge.
    KeyLayout const layout { static_cast<int>(std::bit_width(read)),
        static_cast<int>(std::bit_width(totals.largest_round)),
        static_cast<int>(std::bit_width(totals.largest_tick)) };
    if (layout.fits()) {
        for (std::size_t i = 0; i < read; ++i)
            keys[i] = layout.key(keys[i], static_cast<std::uint32_t>(rounds[i]), i);
        auto const sorted = sort_keys({ keys, read }, { keys + room, read }, layout);
        write_list<std::uint64_t>(
            song, sorted, [layout](std::uint64_t key) { return layout.index(key); },
            [layout](std::uint64_t key) { return layout.tick(key); }, events, track_starts, *chunks);
    } else {
        std::vector<WideKey> wide(read);
        for (std::size_t i = 0; i < read; ++i)
            wide[i] = { keys[i], static_cast<std::uint32_t>(rounds[i]), i };
        std::sort(wide.begin(), wide.end(), [](const WideKey& a, const WideKey& b) {
            if (a.tick != b.tick)
                return a.tick < b.tick;
            return a.round != b.round ? a.round < b.round : a.index < b.index;
        });
        write_list<WideKey>(
            song, wide, [](const WideKey& key) { return key.index; },
            [](const WideKey& key) { return key.tick; }, events, track_starts, *chunks);
    }
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
