// Song conversion: the track reader, the sizing pass and the merging pass.
#include "media/song.h"

#include <queue>
#include <string_view>

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

// One event of a track as the file holds it.
struct TrackEvent {
    std::uint32_t delta { 0 };
    std::uint8_t status { 0 };
    // Meta events: the type.
    std::uint8_t meta_type { 0 };
    // The event's data: the one or two bytes of a channel message, the bytes of a system-exclusive
    // or meta event.
    std::span<const std::uint8_t> data;
};

// Reads a track chunk event by event. Both passes read through it, so that they agree on every
// event.
class TrackReader {
public:
    explicit TrackReader(std::span<const std::uint8_t> chunk)
        : m_chunk(chunk)
    {
        advance();
    }

    bool finished() const { return m_finished; }
    // The event read ahead; valid while not finished.
    const TrackEvent& event() const { return m_event; }

    // Reads the next event ahead. The track is finished when fewer than two bytes remain, and also
    // when the next event does not lie whole inside the chunk.
    void advance()
    {
        if (m_chunk.size() - m_position < 2 || !read_event()) {
            m_finished = true;
            m_event = {};
        }
    }

private:
    bool read_byte(std::uint8_t& byte)
    {
        if (m_position >= m_chunk.size())
            return false;
        byte = m_chunk[m_position++];
        return true;
    }

    // 7 bits a byte, most significant first, while the high bit is set. Longer numbers than the
    // format allows wrap around rather than fail, as the files' own players read them.
    bool read_number(std::uint32_t& value)
    {
        value = 0;
        std::uint8_t byte = 0x80;
        while (byte & 0x80) {
            if (!read_byte(byte))
                return false;
            value = value << 7 | (byte & 0x7F);
        }
        return true;
    }

    bool read_data(std::size_t length, std::span<const std::uint8_t>& data)
    {
        if (length > m_chunk.size() - m_position)
            return false;
        data = m_chunk.subspan(m_position, length);
        m_position += length;
        return true;
    }

    bool read_event()
    {
        TrackEvent event;
        if (!read_number(event.delta))
            return false;
        if (m_position >= m_chunk.size())
            return false;
        // QUIRK: every status byte read becomes the running status, system-exclusive and meta
        // statuses included; so data bytes right after a meta event are read as another meta event.
        if (m_chunk[m_position] >= 0x80)
            m_running_status = m_chunk[m_position++];
        event.status = m_running_status;

        std::uint32_t length = 2;
        if (event.status == kSystemExclusive) {
            if (!read_number(length))
                return false;
        } else if (event.status == kMeta) {
            if (!read_byte(event.meta_type) || !read_number(length))
                return false;
        } else if (event.status >= 0xC0 && event.status <= 0xDF) {
            length = 1;
        }
        if (!read_data(length, event.data))
            return false;
        m_event = event;
        return true;
    }

    std::span<const std::uint8_t> m_chunk;
    std::size_t m_position { 0 };
    std::uint8_t m_running_status { 0 };
    bool m_finished { false };
    TrackEvent m_event;
};

bool is_tempo(const TrackEvent& event)
{
    return event.status == kMeta && event.meta_type == kMetaTempo;
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

// Where a track's next event belongs in the merged list: by tick, then by how many events of its
// own track came before it at that tick, then by track. This is the order of merging in passes, in
// which every track due at the earliest tick gives one event, in track order.
struct MergeKey {
    std::uint64_t tick;
    std::uint32_t round;
    std::uint32_t track;

    bool operator>(const MergeKey& other) const
    {
        if (tick != other.tick)
            return tick > other.tick;
        if (round != other.round)
            return round > other.round;
        return track > other.track;
    }
};

void write_tempo(std::vector<SongEvent>& events, std::size_t& count, std::uint32_t delta,
    std::span<const std::uint8_t> data)
{
    // The data bytes as one big-endian number: three in a valid file; none gives 0.
    std::uint32_t tempo = 0;
    for (std::uint8_t const byte : data)
        tempo = tempo << 8 | byte;
    events[count++] = { delta, kMeta, kMetaTempo, 0, 0 };
    events[count].set_word(static_cast<std::uint16_t>(tempo));
    ++count;
    events[count].set_word(static_cast<std::uint16_t>(tempo >> 16));
    ++count;
}

} // namespace

std::optional<Song> convert_song(std::span<const std::uint8_t> file)
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

    // Pass 1: sizes.
    std::size_t event_total = 0;
    std::size_t system_exclusive_total = 0;
    for (auto const& chunk : *chunks) {
        for (TrackReader reader(chunk); !reader.finished(); reader.advance()) {
            event_total += is_tempo(reader.event()) ? 3 : 1;
            system_exclusive_total += reader.event().status == kSystemExclusive;
        }
    }
    if (system_exclusive_total > kMaxSystemExclusive)
        return std::nullopt;
    song.events.assign(event_total + Song::kSpareEvents, SongEvent {});
    song.system_exclusive.reserve(system_exclusive_total);

    // Pass 2: merge.
    std::vector<TrackReader> readers;
    readers.reserve(chunks->size());
    std::priority_queue<MergeKey, std::vector<MergeKey>, std::greater<MergeKey>> due;
    for (std::size_t track = 0; track < chunks->size(); ++track) {
        readers.emplace_back((*chunks)[track]);
        if (!readers.back().finished())
            due.push({ readers.back().event().delta, 0, static_cast<std::uint32_t>(track) });
    }
    std::size_t count = 0;
    std::uint64_t tick = 0;
    while (!due.empty()) {
        MergeKey const key = due.top();
        due.pop();
        TrackReader& reader = readers[key.track];
        TrackEvent const& event = reader.event();
        auto const delta = static_cast<std::uint32_t>(key.tick - tick);
        tick = key.tick;

        if (is_tempo(event)) {
            write_tempo(song.events, count, delta, event.data);
        } else if (event.status == kMeta) {
            std::string_view const text(reinterpret_cast<const char*>(event.data.data()), event.data.size());
            if (key.track == 0 && event.meta_type == kMetaMarker) {
                if (text == "L")
                    song.loop_tick = tick;
                song.events[count++] = { delta, kMeta, kMetaMarker, 0, 0 };
            } else {
                song.events[count++] = { delta, kNoOperation, 0, 0, 0 };
            }
        } else if (event.status == kSystemExclusive) {
            std::vector<std::uint8_t> message;
            message.reserve(event.data.size() + 1);
            message.push_back(kSystemExclusive);
            message.insert(message.end(), event.data.begin(), event.data.end());
            SongEvent out { delta, kSystemExclusive, 0, 0, 0 };
            out.set_word(static_cast<std::uint16_t>(song.system_exclusive.size()));
            song.system_exclusive.push_back(std::move(message));
            song.events[count++] = out;
        } else {
            SongEvent out { delta, event.status, event.data[0], 0, 0 };
            if (event.data.size() > 1)
                out.data2 = event.data[1];
            song.events[count++] = out;
        }

        reader.advance();
        if (!reader.finished()) {
            std::uint64_t const next = tick + reader.event().delta;
            due.push({ next, next == tick ? key.round + 1 : 0, key.track });
        }
    }
    song.event_count = count;
    return song;
}

std::uint32_t tempo_at(const Song& song, std::size_t index)
{
    return static_cast<std::uint32_t>(song.events[index + 2].word()) << 16 | song.events[index + 1].word();
}

} // namespace advplay::media
