// Song conversion: the track reader, the sizing pass and the merging pass.
#include "media/song.h"

#include <algorithm>
#include <array>
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

// Every event takes at least two bytes of its chunk: a delta and a data byte.
constexpr std::size_t kSmallestEvent = 2;

/*
 * What the list needs of an event besides its time, in 32 bits. A channel message: kChannelMessage
 * above its second data byte, first data byte and status, which lie as in a list event. A
 * system-exclusive or meta event: the index of its DataEvent. Events with data of their own are few;
 * keeping them apart lets every event fit beside its time in the records that are sorted.
 */
constexpr std::uint32_t kChannelMessage = 0x80000000;

struct DataEvent {
    // Where the event's length lies in its chunk; the data follow it.
    std::uint32_t length_offset;
    std::uint32_t track;
    // System-exclusive events: their number in file order.
    std::uint32_t system_exclusive;
    std::uint8_t status;
    // Meta events: the type.
    std::uint8_t meta_type;
};

// What reading the tracks gives besides the events themselves.
struct TrackIndex {
    std::vector<DataEvent> data_events;
    // The system-exclusive events among them, in file order.
    std::vector<std::uint32_t> system_exclusive;
    // Where each track's events begin, and after them how many there are.
    std::vector<std::size_t> track_starts;
    // The events the list will hold: a tempo change takes three.
    std::size_t list_events { 0 };
    std::uint64_t largest_tick { 0 };
    std::uint32_t largest_round { 0 };
    // The tick of the last marker "L" of the first track; 0 without one.
    std::uint64_t loop_tick { 0 };
};

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

// A data event's data; its length was read whole once already.
std::span<const std::uint8_t> data_of(const DataEvent& event, std::span<const std::uint8_t> chunk)
{
    const std::uint8_t* data = chunk.data() + event.length_offset;
    std::uint32_t length = 0;
    (void)read_number(data, chunk.data() + chunk.size(), length);
    return { data, length };
}

/*
 * Reads the events of one track chunk and hands each to `put(i, tick, round, content)`, i counting
 * from 0, where its round is the number of events of its own track before it at that tick. Returns
 * how many it read. The track ends when fewer than two bytes remain, and also when the next event
 * does not lie whole inside the chunk: nothing is read beyond a chunk. Every event takes
 * kSmallestEvent bytes at least.
 *
 * The choices follow the bytes with branches. Computing them without a branch made every event's
 * start wait for the bytes of the event before it, which cost more than the branches guessed wrong.
 * Not inlined: inside convert, the compiler ran short of registers for this loop and took half as
 * long again.
 */
template<typename Put>
[[gnu::noinline]] std::size_t read_track(
    std::span<const std::uint8_t> chunk, std::uint32_t track, TrackIndex& index, Put put)
{
    const std::uint8_t* const begin = chunk.data();
    const std::uint8_t* const end = begin + chunk.size();
    const std::uint8_t* at = begin;
    std::uint8_t running_status = 0;
    std::uint64_t tick = 0;
    // One below 0, so that the first event is of round 0 whatever its delta.
    std::uint32_t round = ~std::uint32_t { 0 };
    // Kept here rather than in `index`, which would be stored after every event.
    std::uint32_t largest_round = 0;
    std::size_t list_events = 0;
    std::size_t count = 0;
    while (end - at >= 2) {
        std::uint32_t delta = 0;
        if (!read_number(at, end, delta) || at == end)
            break;
        // QUIRK: every status byte read becomes the running status, system-exclusive and meta
        // statuses included; so data bytes right after a meta event are read as another meta event.
        if (*at >= 0x80)
            running_status = *at++;
        std::uint8_t const status = running_status;

        std::uint32_t content = 0;
        if (status == kSystemExclusive || status == kMeta) [[unlikely]] {
            std::uint8_t meta_type = 0;
            if (status == kMeta) {
                if (at == end)
                    break;
                meta_type = *at++;
            }
            auto const length_offset = static_cast<std::uint32_t>(at - begin);
            std::uint32_t length = 0;
            if (!read_number(at, end, length) || length > static_cast<std::size_t>(end - at))
                break;
            // The marker's tick in the list: the last one of the first track's is the last read.
            if (track == 0 && meta_type == kMetaMarker && length == 1 && *at == 'L')
                index.loop_tick = tick + delta;
            at += length;
            list_events += meta_type == kMetaTempo ? 3 : 1;
            content = static_cast<std::uint32_t>(index.data_events.size());
            auto const number = static_cast<std::uint32_t>(index.system_exclusive.size());
            if (status == kSystemExclusive)
                index.system_exclusive.push_back(content);
            index.data_events.push_back({ length_offset, track, number, status, meta_type });
        } else {
            // One data byte for program changes and channel pressure, two for every other status.
            bool const one_byte = (status & 0xE0) == 0xC0;
            std::size_t const length = one_byte ? 1 : 2;
            if (length > static_cast<std::size_t>(end - at))
                break;
            content = kChannelMessage | std::uint32_t { one_byte ? std::uint8_t { 0 } : at[1] } << 16
                | std::uint32_t { at[0] } << 8 | status;
            at += length;
            list_events += 1;
        }
        tick += delta;
        round = delta == 0 ? round + 1 : 0;
        largest_round = std::max(largest_round, round);
        put(count, tick, round, content);
        ++count;
    }
    index.list_events += list_events;
    index.largest_round = std::max(index.largest_round, largest_round);
    index.largest_tick = std::max(index.largest_tick, tick);
    return count;
}

// Reads every chunk, one track after the other, and returns the index. `put_from(first)` gives the
// `put` of the track whose events begin at `first`.
template<typename PutFrom>
TrackIndex read_tracks(std::span<const std::span<const std::uint8_t>> chunks, PutFrom put_from)
{
    TrackIndex index;
    index.track_starts.reserve(chunks.size() + 1);
    std::size_t read = 0;
    for (std::size_t track = 0; track < chunks.size(); ++track) {
        index.track_starts.push_back(read);
        read += read_track(chunks[track], static_cast<std::uint32_t>(track), index, put_from(read));
    }
    index.track_starts.push_back(read);
    return index;
}

// ---------------------------------------------------------------------------------------------------
// Writing the list
// ---------------------------------------------------------------------------------------------------

void write_channel_message(SongEvent* out, std::uint32_t time, std::uint32_t content)
{
    *out = std::bit_cast<SongEvent>(std::uint64_t { time } | std::uint64_t { content & 0xFFFFFF } << 32);
}

/*
 * Writes the list events of a system-exclusive or meta event at `out` and returns how many: a tempo
 * change takes three. `time` goes into the first one's delta, `later_time` into the others'. A
 * system-exclusive event holds its number in file order until finish_list numbers it in list order.
 */
std::size_t write_data_event(SongEvent* out, std::uint32_t time, std::uint32_t later_time,
    const DataEvent& event, std::span<const std::uint8_t> chunk)
{
    if (event.status == kSystemExclusive) {
        out[0] = { time, kSystemExclusive, 0, 0, 0 };
        out[0].set_word(static_cast<std::uint16_t>(event.system_exclusive));
        return 1;
    }
    if (event.meta_type == kMetaTempo) {
        // The data bytes as one big-endian number: three in a valid file; none gives 0.
        std::uint32_t tempo = 0;
        for (std::uint8_t const byte : data_of(event, chunk))
            tempo = tempo << 8 | byte;
        out[0] = { time, kMeta, kMetaTempo, 0, 0 };
        out[1] = { later_time, kNoOperation, 0, 0, 0 };
        out[1].set_word(static_cast<std::uint16_t>(tempo));
        out[2] = { later_time, kNoOperation, 0, 0, 0 };
        out[2].set_word(static_cast<std::uint16_t>(tempo >> 16));
        return 3;
    }
    if (event.track == 0 && event.meta_type == kMetaMarker) {
        out[0] = { time, kMeta, kMetaMarker, 0, 0 };
        return 1;
    }
    out[0] = { time, kNoOperation, 0, 0, 0 };
    return 1;
}

/*
 * The last pass over the list. When `ticks`, the events hold their ticks (a tempo change's second
 * and third ones too), which become deltas. Every system-exclusive event gets its message and its
 * number in list order.
 */
template<bool ticks>
void finish_list(Song& song, const TrackIndex& index, std::span<const std::span<const std::uint8_t>> chunks)
{
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < song.event_count; ++i) {
        SongEvent& event = song.events[i];
        if constexpr (ticks) {
            std::uint32_t const tick = event.delta;
            event.delta = tick - previous;
            previous = tick;
        }
        if (event.status != kSystemExclusive)
            continue;
        DataEvent const& data_event = index.data_events[index.system_exclusive[event.word()]];
        auto const data = data_of(data_event, chunks[data_event.track]);
        std::vector<std::uint8_t> message(data.size() + 1);
        message[0] = kSystemExclusive;
        std::copy(data.begin(), data.end(), message.begin() + 1);
        event.set_word(static_cast<std::uint16_t>(song.system_exclusive.size()));
        song.system_exclusive.push_back(std::move(message));
    }
}

// ---------------------------------------------------------------------------------------------------
// Merging
// ---------------------------------------------------------------------------------------------------

/*
 * The merged list takes the events by tick, then by round, then by track: the order of merging in
 * passes, in which every track due at the earliest tick gives one event, in track order. The events
 * are read track after track, so a sort that keeps the order of equal keys keeps the track order.
 *
 * A record packs an event into 64 bits: its tick (31 bits) above its round (8 bits) above its content
 * (25 bits: a data event's index, or kChannelRecord above a channel message's three bytes). Songs of
 * any sane size fit; for the others merge_wide holds the parts apart.
 */
constexpr int kContentBits = 25;
constexpr int kRoundBits = 8;
constexpr int kTickShift = kContentBits + kRoundBits;
constexpr std::uint64_t kChannelRecord = std::uint64_t { 1 } << 24;
constexpr std::uint64_t kContentMask = (std::uint64_t { 1 } << kContentBits) - 1;
constexpr std::uint64_t kLargestRecordedTick = (std::uint64_t { 1 } << (64 - kTickShift)) - 1;
constexpr std::uint32_t kLargestRecordedRound = (1u << kRoundBits) - 1;
constexpr std::size_t kMostRecordedDataEvents = kChannelRecord;

std::uint64_t make_record(std::uint64_t tick, std::uint32_t round, std::uint32_t content)
{
    std::uint64_t const recorded
        = (content & (kChannelRecord - 1)) | (content & kChannelMessage ? kChannelRecord : 0);
    return tick << kTickShift | std::uint64_t { round & kLargestRecordedRound } << kContentBits | recorded;
}

/*
 * A radix sort of the records by their key: the tick above the round, the round only as wide as this
 * song's rounds (but no narrower than kSupposedRoundBits), so that a song sorts in no more passes
 * than its ticks need. Each pass takes up to eleven bits from the least significant and keeps the
 * order of equal digits. The first pass's digit is counted while the tracks are read, supposing the
 * rounds below 16; each later pass's digit is counted by the pass before it. Merging the tracks event
 * by event instead had to guess at every event which track came next, and the wrong guesses cost
 * more than these passes.
 */
constexpr int kDigitBits = 11;
constexpr std::size_t kDigits = std::size_t { 1 } << kDigitBits;
constexpr int kSupposedRoundBits = 4;
constexpr int kMostPasses = (kRoundBits + 64 - kTickShift + kDigitBits - 1) / kDigitBits;

struct RadixPlan {
    int round_bits;
    int passes;
    // Each pass's lowest key bit and digit mask.
    std::array<int, kMostPasses> shift;
    std::array<std::size_t, kMostPasses> mask;

    static RadixPlan for_song(int round_bits, int tick_bits)
    {
        RadixPlan plan { std::max(round_bits, kSupposedRoundBits), 0, {}, {} };
        int const bits = plan.round_bits + tick_bits;
        for (int low = 0; low < bits; low += kDigitBits) {
            plan.shift[plan.passes] = low;
            plan.mask[plan.passes] = (std::size_t { 1 } << std::min(kDigitBits, bits - low)) - 1;
            ++plan.passes;
        }
        return plan;
    }
    std::uint64_t key(std::uint64_t record) const
    {
        return (record >> kTickShift) << round_bits | (record >> kContentBits & kLargestRecordedRound);
    }
};

// The first pass's digit under the supposed round width, from the tick and round being read.
std::size_t supposed_first_digit(std::uint64_t tick, std::uint32_t round)
{
    return static_cast<std::size_t>(tick << kSupposedRoundBits | (round & ((1u << kSupposedRoundBits) - 1)))
        & (kDigits - 1);
}

using DigitCounts = std::array<std::uint32_t, kDigits>;

// Turns the counts of the digits up to `mask` into the offsets where each digit's records begin.
void to_offsets(DigitCounts& counts, std::size_t mask)
{
    std::uint32_t sum = 0;
    for (std::size_t digit = 0; digit <= mask; ++digit) {
        std::uint32_t const count = counts[digit];
        counts[digit] = sum;
        sum += count;
    }
}

/*
 * The last pass: writes every event where its digit's offset, counted in list events, puts it,
 * holding its tick; finish_list turns the ticks into deltas.
 */
template<typename DigitOf, typename TickOf>
void write_merged(Song& song, std::span<const std::uint64_t> records, DigitCounts& offsets, DigitOf digit_of,
    TickOf tick_of, const TrackIndex& index, std::span<const std::span<const std::uint8_t>> chunks)
{
    SongEvent* const list = song.events.data();
    for (std::uint64_t const record : records) {
        std::uint32_t& offset = offsets[digit_of(record)];
        auto const tick = static_cast<std::uint32_t>(tick_of(record));
        if (record & kChannelRecord) {
            write_channel_message(list + offset, tick, static_cast<std::uint32_t>(record));
            ++offset;
            continue;
        }
        DataEvent const& event = index.data_events[record & (kChannelRecord - 1)];
        offset += static_cast<std::uint32_t>(
            write_data_event(list + offset, tick, tick, event, chunks[event.track]));
    }
}

/*
 * Sorts the records and writes the list. `counts` holds the first pass's counts under `plan`. The
 * first pass also puts each record's key in place of its tick and round, so that the later passes
 * find their digits with one shift.
 */
void merge_records(Song& song, std::span<std::uint64_t> records, std::span<std::uint64_t> spare,
    DigitCounts& counts, const RadixPlan& plan, const TrackIndex& index,
    std::span<const std::span<const std::uint8_t>> chunks)
{
    // The last pass counts in list events.
    auto const weight = [&index](std::uint64_t record) -> std::uint32_t {
        if (record & kChannelRecord)
            return 1;
        return index.data_events[record & (kChannelRecord - 1)].meta_type == kMetaTempo ? 3 : 1;
    };
    std::size_t const first_mask = plan.mask[0];
    if (plan.passes == 1) {
        counts.fill(0);
        for (std::uint64_t const record : records)
            counts[plan.key(record) & first_mask] += weight(record);
        to_offsets(counts, first_mask);
        write_merged(
            song, records, counts,
            [&plan, first_mask](std::uint64_t record) { return plan.key(record) & first_mask; },
            [](std::uint64_t record) { return record >> kTickShift; }, index, chunks);
        return;
    }

    DigitCounts next {};
    for (int pass = 0; pass + 1 < plan.passes; ++pass) {
        std::size_t const mask = plan.mask[pass];
        int const next_shift = kContentBits + plan.shift[pass + 1];
        std::size_t const next_mask = plan.mask[pass + 1];
        bool const next_is_last = pass + 2 == plan.passes;
        to_offsets(counts, mask);
        next.fill(0);
        if (pass == 0) {
            for (std::uint64_t const record : records) {
                std::uint64_t const keyed = plan.key(record) << kContentBits | (record & kContentMask);
                spare[counts[keyed >> kContentBits & mask]++] = keyed;
                next[keyed >> next_shift & next_mask] += next_is_last ? weight(record) : 1;
            }
        } else {
            int const shift = kContentBits + plan.shift[pass];
            for (std::uint64_t const record : records) {
                spare[counts[record >> shift & mask]++] = record;
                next[record >> next_shift & next_mask] += next_is_last ? weight(record) : 1;
            }
        }
        std::swap(records, spare);
        std::swap(counts, next);
    }
    int const last = plan.passes - 1;
    int const shift = kContentBits + plan.shift[last];
    std::size_t const mask = plan.mask[last];
    int const tick_shift = kContentBits + plan.round_bits;
    to_offsets(counts, mask);
    write_merged(
        song, records, counts, [shift, mask](std::uint64_t record) { return record >> shift & mask; },
        [tick_shift](std::uint64_t record) { return record >> tick_shift; }, index, chunks);
}

// The merge of songs whose records would not hold them: read again, keeping every part whole, and
// sorted by comparison.
struct WideEvent {
    std::uint64_t tick;
    std::uint32_t round;
    std::uint32_t content;
};

void merge_wide(Song& song, std::span<const std::span<const std::uint8_t>> chunks)
{
    std::size_t room = 0;
    for (auto const& chunk : chunks)
        room += chunk.size() / kSmallestEvent;
    std::vector<WideEvent> wide(room);
    TrackIndex const index = read_tracks(chunks, [&wide](std::size_t first) {
        return [out = wide.data() + first](
                   std::size_t i, std::uint64_t tick, std::uint32_t round, std::uint32_t content) {
            out[i] = { tick, round, content };
        };
    });
    wide.resize(index.track_starts.back());
    std::stable_sort(wide.begin(), wide.end(), [](const WideEvent& a, const WideEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.round < b.round;
    });
    SongEvent* out = song.events.data();
    std::uint64_t tick = 0;
    for (WideEvent const& event : wide) {
        auto const delta = static_cast<std::uint32_t>(event.tick - tick);
        tick = event.tick;
        if (event.content & kChannelMessage) {
            write_channel_message(out++, delta, event.content);
            continue;
        }
        DataEvent const& data_event = index.data_events[event.content];
        out += write_data_event(out, delta, 0, data_event, chunks[data_event.track]);
    }
    finish_list<false>(song, index, chunks);
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

    // Pass 1: sizes. Every event is read into a record as if the song fitted them, and the first
    // digit is counted. The second half of the block is the sort's second buffer.
    std::size_t room = 0;
    for (auto const& chunk : *chunks)
        room += chunk.size() / kSmallestEvent;
    auto const block = std::make_unique_for_overwrite<std::uint64_t[]>(2 * room);
    std::uint64_t* const records = block.get();
    DigitCounts counts {};
    TrackIndex const index = read_tracks(*chunks, [records, &counts](std::size_t first) {
        return [out = records + first, &counts](
                   std::size_t i, std::uint64_t tick, std::uint32_t round, std::uint32_t content) {
            out[i] = make_record(tick, round, content);
            ++counts[supposed_first_digit(tick, round)];
        };
    });
    if (index.system_exclusive.size() > kMaxSystemExclusive)
        return std::nullopt;
    song.events.assign(index.list_events + Song::kSpareEvents, SongEvent {});
    song.event_count = index.list_events;
    song.system_exclusive.reserve(index.system_exclusive.size());
    song.loop_tick = index.loop_tick;

    // Pass 2: merge.
    if (index.largest_tick > kLargestRecordedTick || index.largest_round > kLargestRecordedRound
        || index.data_events.size() > kMostRecordedDataEvents) {
        merge_wide(song, *chunks);
        return song;
    }
    auto const plan = RadixPlan::for_song(static_cast<int>(std::bit_width(index.largest_round)),
        static_cast<int>(std::bit_width(index.largest_tick)));
    std::size_t const read = index.track_starts.back();
    if (plan.round_bits != kSupposedRoundBits) {
        counts.fill(0);
        for (std::size_t i = 0; i < read; ++i)
            ++counts[plan.key(records[i]) & plan.mask[0]];
    }
    merge_records(song, { records, read }, { records + room, read }, counts, plan, index, *chunks);
    finish_list<true>(song, index, *chunks);
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
