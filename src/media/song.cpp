// Song conversion: the track reader, the sizing pass and the merging pass.
#include "media/song.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
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
 * What the list needs of an event besides its time, in 32 bits. A channel message: the bits of
 * kChannelMessage above its second data byte, first data byte and status, which lie as in a list
 * event. A system-exclusive or meta event: the index of its DataEvent. Events with data of their own
 * are few; keeping them apart lets every event fit beside its time in the records that are sorted,
 * which keep the content's low 25 bits (bit 24 marking a channel message).
 */
constexpr std::uint32_t kChannelMessage = 0x81000000;

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

// Bit n is set when a status byte of high nibble n has two data bytes: 8, 9, A, B and E. One lookup
// in a constant takes fewer instructions than comparing with each of the others.
constexpr std::uint32_t kTwoDataBytes = 0x4F00;

// Whether the status byte in the low 8 bits, whose high bit is set, is a channel message's with two
// data bytes.
bool two_data_bytes(std::uint64_t status)
{
    return (kTwoDataBytes >> (status >> 4 & 0xF) & 1) != 0;
}

/*
 * Whether eight bytes, read as a little-endian number, are two events of four: a delta of one byte,
 * a status byte of a channel message with two data bytes, and the data bytes. Most events of songs
 * written without running status look so, and taking them two at a time, or one such event with a
 * delta of one or two bytes at once, saves most of the reader's branches.
 */
bool plain_pair(std::uint64_t pair)
{
    // The high bits: set in the status bytes only.
    if ((pair & 0x8080808080808080) != 0x0000800000008000)
        return false;
    return two_data_bytes(pair >> 8) & two_data_bytes(pair >> 40);
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
    // The list takes an event for each event read, and two more for each tempo change.
    std::size_t tempo_changes = 0;
    std::size_t count = 0;
    auto const take = [&](std::uint32_t delta, std::uint32_t content) {
        tick += delta;
        if (delta == 0) {
            ++round;
            largest_round = std::max(largest_round, round);
        } else {
            round = 0;
        }
        put(count, tick, round, content);
        ++count;
    };
    while (end - at >= 2) {
        if constexpr (std::endian::native == std::endian::little) {
            if (end - at >= 8) {
                std::uint64_t pair = 0;
                std::memcpy(&pair, at, sizeof pair);
                if (plain_pair(pair)) {
                    running_status = static_cast<std::uint8_t>(pair >> 40);
                    take(pair & 0x7F, kChannelMessage | (pair >> 8 & 0xFFFFFF));
                    take(pair >> 32 & 0x7F, kChannelMessage | (pair >> 40 & 0xFFFFFF));
                    at += 8;
                    continue;
                }
                // One such event alone, its delta of one byte or two.
                bool const long_delta = pair & 0x80;
                std::uint64_t const message = long_delta ? pair >> 8 : pair;
                if ((message & 0x80808080) == 0x00008000 && two_data_bytes(message >> 8)) {
                    running_status = static_cast<std::uint8_t>(message >> 8);
                    std::uint32_t const delta
                        = long_delta ? (pair & 0x7F) << 7 | (pair >> 8 & 0x7F) : pair & 0x7F;
                    take(delta, kChannelMessage | (message >> 8 & 0xFFFFFF));
                    at += 4 + long_delta;
                    continue;
                }
            }
        }
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
            tempo_changes += meta_type == kMetaTempo ? 1 : 0;
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
        }
        take(delta, content);
    }
    index.list_events += count + 2 * tempo_changes;
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
    // Two stores of four bytes: putting the eight together first took more instructions.
    std::uint32_t const bytes = content & 0xFFFFFF;
    auto* const at = reinterpret_cast<unsigned char*>(out);
    std::memcpy(at + offsetof(SongEvent, delta), &time, sizeof time);
    std::memcpy(at + offsetof(SongEvent, status), &bytes, sizeof bytes);
}

/*
 * Writes the list events of a system-exclusive or meta event at `out` and returns how many: a tempo
 * change takes three. `time` goes into the first one's delta, `later_time` into the others'. A
 * system-exclusive event holds its number in file order until number_system_exclusive numbers it in list
 * order.
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
 * Gives every system-exclusive event, found at `places` in the list, its message and its number in
 * list order.
 */
void number_system_exclusive(Song& song, std::vector<std::size_t>& places, const TrackIndex& index,
    std::span<const std::span<const std::uint8_t>> chunks)
{
    std::sort(places.begin(), places.end());
    for (std::size_t const place : places) {
        SongEvent& event = song.events[place];
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
 * A record packs an event into 64 bits: its key, the tick above the round, above its content's low
 * kContentBits. The round takes as many bits as the song's rounds need, but at least
 * kSupposedRoundBits, which the tracks are read with first, keeping only that many of its bits: a
 * song whose rounds need more has its records made again from their ticks. Songs of any sane size
 * fit; for the others merge_wide holds the parts apart.
 */
constexpr int kContentBits = 25;
constexpr int kKeyBits = 64 - kContentBits;
constexpr std::uint64_t kContentMask = (std::uint64_t { 1 } << kContentBits) - 1;
constexpr std::uint64_t kChannelRecord = std::uint64_t { 1 } << 24;
constexpr std::size_t kMostRecordedDataEvents = kChannelRecord;
constexpr int kSupposedRoundBits = 4;

/*
 * A radix sort of the records by their key, eleven bits a pass at most from the least significant,
 * each pass keeping the order of equal digits. The first pass's digits are counted over the records
 * once they are read; each later pass's are counted by the pass before it. Merging the tracks event
 * by event instead had to guess at every event which track came next, and the wrong guesses cost
 * more than these passes.
 */
constexpr int kDigitBits = 11;
constexpr std::size_t kDigits = std::size_t { 1 } << kDigitBits;
constexpr int kMostPasses = (kKeyBits + kDigitBits - 1) / kDigitBits;

struct RadixPlan {
    int round_bits;
    int passes { 0 };
    // Each pass's lowest record bit and digit mask.
    std::array<int, kMostPasses> shift {};
    std::array<std::size_t, kMostPasses> mask {};

    explicit RadixPlan(int rounds, int ticks = kKeyBits - kSupposedRoundBits)
        : round_bits(rounds)
    {
        int const bits = rounds + ticks;
        for (int low = 0; low < bits; low += kDigitBits) {
            shift[passes] = kContentBits + low;
            mask[passes] = (std::size_t { 1 } << std::min(kDigitBits, bits - low)) - 1;
            ++passes;
        }
    }
    std::uint64_t record(std::uint64_t tick, std::uint32_t round, std::uint64_t content) const
    {
        return (tick << round_bits | round) << kContentBits | (content & kContentMask);
    }
    std::size_t digit(std::uint64_t record, int pass) const
    {
        return static_cast<std::size_t>(record >> shift[pass]) & mask[pass];
    }
};

// A record as the tracks are first read, with kSupposedRoundBits of the round: its further bits are
// dropped, so that they cannot spill into the tick.
std::uint64_t supposed_record(std::uint64_t tick, std::uint32_t round, std::uint32_t content)
{
    constexpr std::uint32_t kRoundMask = (1u << kSupposedRoundBits) - 1;
    return (tick << kSupposedRoundBits | (round & kRoundMask)) << kContentBits | (content & kContentMask);
}

using DigitCounts = std::array<std::uint32_t, kDigits>;

// Turns the counts of the digits up to `mask` into the offsets where each digit's records begin.
void to_offsets(std::span<std::uint32_t> counts, std::size_t mask)
{
    // Four at a time, so that each adds to the sum once rather than one after the other.
    std::uint32_t sum = 0;
    std::size_t digit = 0;
    for (; digit + 3 <= mask; digit += 4) {
        std::uint32_t const first = counts[digit];
        std::uint32_t const second = counts[digit + 1];
        std::uint32_t const third = counts[digit + 2];
        std::uint32_t const fourth = counts[digit + 3];
        counts[digit] = sum;
        counts[digit + 1] = sum + first;
        counts[digit + 2] = sum + first + second;
        counts[digit + 3] = sum + first + second + third;
        sum += first + second + third + fourth;
    }
    for (; digit <= mask; ++digit) {
        std::uint32_t const count = counts[digit];
        counts[digit] = sum;
        sum += count;
    }
}

// A record of an event with data, written out of line to leave the last pass's loop its registers.
[[gnu::noinline]] std::uint32_t write_data_record(SongEvent* list, std::uint32_t place, std::uint32_t delta,
    std::uint64_t record, const TrackIndex& index, std::span<const std::span<const std::uint8_t>> chunks,
    std::vector<std::size_t>& places)
{
    DataEvent const& event = index.data_events[record & (kChannelRecord - 1)];
    if (event.status == kSystemExclusive)
        places.push_back(place);
    return static_cast<std::uint32_t>(write_data_event(list + place, delta, 0, event, chunks[event.track]));
}

// Writes a record's list events at `place` and returns how many: the merges' one way to write them.
std::uint32_t write_record(SongEvent* list, std::uint32_t place, std::uint32_t delta, std::uint64_t record,
    const TrackIndex& index, std::span<const std::span<const std::uint8_t>> chunks,
    std::vector<std::size_t>& places)
{
    if (record & kChannelRecord) [[likely]] {
        write_channel_message(list + place, delta, static_cast<std::uint32_t>(record));
        return 1;
    }
    return write_data_record(list, place, delta, record, index, chunks, places);
}

/*
 * Makes the records of `from` again under `to`, whose rounds are wider. The rounds come back from the
 * ticks: within a track, an event at the tick of the one before it is of the next round.
 */
void widen_rounds(std::uint64_t* records, std::span<const std::size_t> track_starts, const RadixPlan& from,
    const RadixPlan& to)
{
    int const tick_shift = kContentBits + from.round_bits;
    for (std::size_t track = 0; track + 1 < track_starts.size(); ++track) {
        // No tick reaches all ones: it fits the key beside the round.
        std::uint64_t previous_tick = ~std::uint64_t { 0 };
        std::uint32_t round = 0;
        for (std::size_t i = track_starts[track]; i < track_starts[track + 1]; ++i) {
            std::uint64_t const tick = records[i] >> tick_shift;
            round = tick == previous_tick ? round + 1 : 0;
            previous_tick = tick;
            records[i] = to.record(tick, round, records[i]);
        }
    }
}

/*
 * The last pass: writes every event where its digit's offset, counted in list events, puts it. The
 * events of one digit arrive in list order, so each one's delta counts from the one before it of its
 * digit; the first of each digit counts from tick 0 until the digits before it are all written, and
 * is then mended. `counts` holds the pass's counts; `places` receives where the system-exclusive
 * events lie.
 */
void write_merged(Song& song, std::span<const std::uint64_t> records, const DigitCounts& counts,
    const RadixPlan& plan, const TrackIndex& index, std::span<const std::span<const std::uint8_t>> chunks,
    std::vector<std::size_t>& places)
{
    int const last = plan.passes - 1;
    int const shift = plan.shift[last];
    std::size_t const mask = plan.mask[last];
    int const tick_shift = kContentBits + plan.round_bits;
    // Each digit's next offset, and in the high half the tick of its last event.
    std::array<std::uint64_t, kDigits> next;
    std::uint32_t offset = 0;
    for (std::size_t digit = 0; digit <= mask; ++digit) {
        next[digit] = offset;
        offset += counts[digit];
    }
    SongEvent* const list = song.events.data();
    for (std::uint64_t const record : records) {
        std::uint64_t& slot = next[record >> shift & mask];
        auto const place = static_cast<std::uint32_t>(slot);
        auto const tick = static_cast<std::uint32_t>(record >> tick_shift);
        std::uint32_t const delta = tick - static_cast<std::uint32_t>(slot >> 32);
        std::uint32_t const written = write_record(list, place, delta, record, index, chunks, places);
        slot = std::uint64_t { tick } << 32 | (place + written);
    }
    std::uint32_t begin = 0;
    std::uint32_t previous_tick = 0;
    for (std::size_t digit = 0; digit <= mask; ++digit) {
        auto const end = static_cast<std::uint32_t>(next[digit]);
        if (end == begin)
            continue;
        list[begin].delta -= previous_tick;
        previous_tick = static_cast<std::uint32_t>(next[digit] >> 32);
        begin = end;
    }
}

/*
 * Sorts the records and writes the list. `counts` holds the first pass's counts under `plan`. Every
 * pass counts the next pass's digits, the last pass's in list events.
 */
void merge_records(Song& song, std::span<std::uint64_t> records, std::span<std::uint64_t> spare,
    DigitCounts& counts, const RadixPlan& plan, const TrackIndex& index,
    std::span<const std::span<const std::uint8_t>> chunks, std::vector<std::size_t>& places)
{
    auto const weight = [&index](std::uint64_t record) -> std::uint32_t {
        if (record & kChannelRecord) [[likely]]
            return 1;
        return index.data_events[record & (kChannelRecord - 1)].meta_type == kMetaTempo ? 3 : 1;
    };
    if (plan.passes == 1) {
        std::fill_n(counts.begin(), plan.mask[0] + 1, 0);
        for (std::uint64_t const record : records)
            counts[plan.digit(record, 0)] += weight(record);
    }
    DigitCounts next;
    for (int pass = 0; pass + 1 < plan.passes; ++pass) {
        int const shift = plan.shift[pass];
        std::size_t const mask = plan.mask[pass];
        int const next_shift = plan.shift[pass + 1];
        std::size_t const next_mask = plan.mask[pass + 1];
        bool const next_is_last = pass + 2 == plan.passes;
        to_offsets(counts, mask);
        std::fill_n(next.begin(), next_mask + 1, 0);
        for (std::uint64_t const record : records) {
            spare[counts[record >> shift & mask]++] = record;
            next[record >> next_shift & next_mask] += next_is_last ? weight(record) : 1;
        }
        std::swap(records, spare);
        std::swap(counts, next);
    }
    write_merged(song, records, counts, plan, index, chunks, places);
}

/*
 * Most songs are merged by groups of ticks instead: the records are distributed by their tick's
 * group, in group order, and an insertion sort puts each group in order. Within a group they arrive
 * track after track, each track's in order, and tracks seldom play far apart within a few ticks, so
 * few records move: in the largest test song 0.4 a record. The distribution writes each track's
 * records near each other, where the radix sort's first pass scattered them over the whole buffer,
 * and the list is written in order.
 *
 * The reader counts the groups of 2^kGroupShift ticks. A song whose ticks need more than kGroups of
 * them has its groups counted anew, wider: a song of finer ticks has as many records to a group.
 * One that would need groups wider than 2^kWidestGroupShift ticks, and one whose records move more
 * than kMovesPerRecord a record on average, are merged by the radix sort instead, which takes the
 * same time however the tracks lie.
 */
constexpr int kGroupShift = 4;
constexpr int kWidestGroupShift = 10;
constexpr std::size_t kGroups = 4096;
constexpr std::size_t kMovesPerRecord = 2;
using GroupCounts = std::array<std::uint32_t, kGroups>;

// The group of a record whose rounds take `round_bits`, under `shift`.
std::size_t group_of(std::uint64_t record, int round_bits, int shift)
{
    return static_cast<std::size_t>(record >> (kContentBits + round_bits + shift)) & (kGroups - 1);
}

// Whether the records of `from` were merged into the list, in `sorted` as scratch space. False, with
// the list and `places` untouched, when they were too far out of order. `counts` holds how many
// records each group holds, under `shift`. The records' rounds take `FixedRoundBits` bits, or
// `variable_round_bits` when that is 0. Songs whose rounds fit the records as first read, nearly all,
// shift by a constant: shifting by a variable made the whole conversion about 5% slower.
template<int FixedRoundBits>
[[gnu::noinline]] bool merge_groups(Song& song, std::span<const std::uint64_t> from, std::uint64_t* sorted,
    GroupCounts& counts, int variable_round_bits, int shift, const TrackIndex& index,
    std::span<const std::span<const std::uint8_t>> chunks, std::vector<std::size_t>& places)
{
    int const round_bits = FixedRoundBits != 0 ? FixedRoundBits : variable_round_bits;
    to_offsets(counts, static_cast<std::size_t>(index.largest_tick >> shift));
    // A track's records of one group come one after the other: keeping the group's next place in a
    // register saves storing and loading it again for each of them.
    std::size_t group = 0;
    std::uint32_t next = counts[0];
    for (std::uint64_t const record : from) {
        if (group_of(record, round_bits, shift) != group) {
            counts[group] = next;
            group = group_of(record, round_bits, shift);
            next = counts[group];
        }
        sorted[next++] = record;
    }

    // Equal keys never pass each other, which keeps the order of tracks at one tick and round.
    std::size_t moves_left = kMovesPerRecord * from.size();
    // The largest key so far, which an insertion leaves where it was.
    std::uint64_t last_key = 0;
    for (std::size_t i = 0; i < from.size(); ++i) {
        std::uint64_t const record = sorted[i];
        std::uint64_t const key = record >> kContentBits;
        if (last_key <= key) [[likely]] {
            last_key = key;
            continue;
        }
        std::size_t place = i;
        do {
            sorted[place] = sorted[place - 1];
            --place;
        } while (place > 0 && sorted[place - 1] >> kContentBits > key);
        sorted[place] = record;
        if (i - place > moves_left)
            return false;
        moves_left -= i - place;
    }

    SongEvent* const list = song.events.data();
    std::uint32_t place = 0;
    std::uint32_t previous_tick = 0;
    for (std::uint64_t const record : std::span<const std::uint64_t>(sorted, from.size())) {
        auto const tick = static_cast<std::uint32_t>(record >> (kContentBits + round_bits));
        std::uint32_t const delta = tick - previous_tick;
        previous_tick = tick;
        place += write_record(list, place, delta, record, index, chunks, places);
    }
    return true;
}

// Counts the records of each group under `shift`; their rounds take `round_bits`.
void count_groups(std::span<const std::uint64_t> records, int round_bits, int shift, GroupCounts& counts)
{
    counts.fill(0);
    for (std::uint64_t const record : records)
        ++counts[group_of(record, round_bits, shift)];
}

// Counts the records of each digit of the radix sort's first pass.
void count_first_digits(std::span<const std::uint64_t> records, const RadixPlan& plan, DigitCounts& counts)
{
    counts.fill(0);
    for (std::uint64_t const record : records)
        ++counts[plan.digit(record, 0)];
}

// The merge of songs whose records would not hold them: read again, keeping every part whole, and
// sorted by comparison.
struct WideEvent {
    std::uint64_t tick;
    std::uint32_t round;
    std::uint32_t content;
};

// `room` bounds the events of all chunks.
void merge_wide(Song& song, std::span<const std::span<const std::uint8_t>> chunks, std::size_t room)
{
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
    SongEvent* const list = song.events.data();
    std::size_t place = 0;
    std::uint64_t tick = 0;
    std::vector<std::size_t> places;
    for (WideEvent const& event : wide) {
        auto const delta = static_cast<std::uint32_t>(event.tick - tick);
        tick = event.tick;
        if (event.content & kChannelMessage) {
            write_channel_message(list + place++, delta, event.content);
            continue;
        }
        DataEvent const& data_event = index.data_events[event.content];
        if (data_event.status == kSystemExclusive)
            places.push_back(place);
        place += write_data_event(list + place, delta, 0, data_event, chunks[data_event.track]);
    }
    number_system_exclusive(song, places, index, chunks);
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

    // Pass 1: sizes. Every event is read into a record, and the records of each group of ticks are
    // counted. The second half of the block is the merge's second buffer.
    std::size_t room = 0;
    for (auto const& chunk : *chunks)
        room += chunk.size() / kSmallestEvent;
    auto const block = std::make_unique_for_overwrite<std::uint64_t[]>(2 * room);
    std::uint64_t* const records = block.get();
    GroupCounts groups {};
    TrackIndex const index = read_tracks(*chunks, [records, &groups](std::size_t first) {
        return [out = records + first, &groups](
                   std::size_t i, std::uint64_t tick, std::uint32_t round, std::uint32_t content) {
            out[i] = supposed_record(tick, round, content);
            ++groups[tick >> kGroupShift & (kGroups - 1)];
        };
    });
    if (index.system_exclusive.size() > kMaxSystemExclusive)
        return std::nullopt;
    song.events.resize(index.list_events + Song::kSpareEvents);
    std::fill(song.events.begin() + static_cast<std::ptrdiff_t>(index.list_events), song.events.end(),
        SongEvent {});
    song.event_count = index.list_events;
    song.system_exclusive.reserve(index.system_exclusive.size());
    song.loop_tick = index.loop_tick;

    // Pass 2: merge.
    int const round_bits
        = std::max(static_cast<int>(std::bit_width(index.largest_round)), kSupposedRoundBits);
    int const tick_bits = static_cast<int>(std::bit_width(index.largest_tick));
    if (round_bits + tick_bits > kKeyBits || index.data_events.size() > kMostRecordedDataEvents) {
        merge_wide(song, *chunks, room);
        return song;
    }
    std::vector<std::size_t> places;
    places.reserve(index.system_exclusive.size());
    std::size_t const read = index.track_starts.back();
    if (round_bits != kSupposedRoundBits)
        widen_rounds(
            records, index.track_starts, RadixPlan(kSupposedRoundBits), RadixPlan(round_bits, tick_bits));
    int const group_shift = std::max(kGroupShift, tick_bits - std::countr_zero(kGroups));
    bool merged = false;
    if (group_shift <= kWidestGroupShift) {
        if (group_shift != kGroupShift)
            count_groups({ records, read }, round_bits, group_shift, groups);
        auto const merge
            = round_bits == kSupposedRoundBits ? merge_groups<kSupposedRoundBits> : merge_groups<0>;
        merged = merge(
            song, { records, read }, records + room, groups, round_bits, group_shift, index, *chunks, places);
    }
    if (!merged) {
        RadixPlan const plan(round_bits, tick_bits);
        DigitCounts counts;
        count_first_digits({ records, read }, plan, counts);
        merge_records(
            song, { records, read }, { records + room, read }, counts, plan, index, *chunks, places);
    }
    number_system_exclusive(song, places, index, *chunks);
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
