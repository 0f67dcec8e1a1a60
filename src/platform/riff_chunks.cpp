// RIFF chunk lengths.
#include "platform/riff_chunks.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace advplay::platform {

namespace {

constexpr std::size_t kRiffHeaderSize = 12;
constexpr std::size_t kChunkHeaderSize = 8;

constexpr std::uint32_t kMaxChannels = 8;
constexpr std::uint32_t kMaxSampleRate = 768'000;

std::uint32_t le16(std::span<const std::uint8_t> file, std::size_t at)
{
    return static_cast<std::uint32_t>(file[at]) | static_cast<std::uint32_t>(file[at + 1]) << 8;
}

std::uint32_t le32(std::span<const std::uint8_t> file, std::size_t at)
{
    return le16(file, at) | le16(file, at + 2) << 16;
}

std::uint32_t be16(std::span<const std::uint8_t> file, std::size_t at)
{
    return static_cast<std::uint32_t>(file[at]) << 8 | static_cast<std::uint32_t>(file[at + 1]);
}

std::uint32_t be32(std::span<const std::uint8_t> file, std::size_t at)
{
    return be16(file, at) << 16 | be16(file, at + 2);
}

// The chunk `id` of a RIFF (little-endian lengths) or FORM (big-endian) file: where its content
// starts and how many of its bytes the file holds. Nothing when the file has no such chunk.
std::optional<std::span<const std::uint8_t>> find_chunk(
    std::span<const std::uint8_t> file, const char* id, bool big_endian)
{
    std::size_t at = kRiffHeaderSize;
    while (file.size() >= at && file.size() - at >= kChunkHeaderSize) {
        std::uint64_t const length = big_endian ? be32(file, at + 4) : le32(file, at + 4);
        std::size_t const content = at + kChunkHeaderSize;
        if (std::memcmp(file.data() + at, id, 4) == 0)
            return file.subspan(
                content, static_cast<std::size_t>(std::min<std::uint64_t>(length, file.size() - content)));
        std::uint64_t const next = content + length + (length & 1);
        if (next >= file.size())
            break;
        at = static_cast<std::size_t>(next);
    }
    return std::nullopt;
}

void put_le32(std::span<std::uint8_t> file, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Cuts the length at `at`, which counts the bytes from `from` on, to what the file holds.
// True when it had to.
bool fit_length(std::span<std::uint8_t> file, std::size_t at, std::size_t from)
{
    std::size_t const room = std::min<std::size_t>(file.size() - from, UINT32_MAX);
    if (le32(file, at) <= room)
        return false;
    put_le32(file, at, static_cast<std::uint32_t>(room));
    return true;
}

} // namespace

void fit_riff_chunks(std::span<std::uint8_t> file)
{
    if (file.size() < kRiffHeaderSize || std::memcmp(file.data(), "RIFF", 4) != 0)
        return;
    (void)fit_length(file, 4, 8);
    std::size_t at = kRiffHeaderSize;
    while (file.size() - at >= kChunkHeaderSize) {
        if (fit_length(file, at + 4, at + kChunkHeaderSize))
            return;
        std::uint64_t const length = le32(file, at + 4);
        // Chunks start on even offsets: an odd length is followed by a pad byte.
        std::uint64_t const next = at + kChunkHeaderSize + length + (length & 1);
        if (next >= file.size())
            return;
        at = static_cast<std::size_t>(next);
    }
}

bool is_wave_file(std::span<const std::uint8_t> file)
{
    return file.size() >= kRiffHeaderSize && std::memcmp(file.data(), "RIFF", 4) == 0
        && std::memcmp(file.data() + 8, "WAVE", 4) == 0;
}

bool sound_format_plausible(std::span<const std::uint8_t> file)
{
    if (file.size() < kRiffHeaderSize)
        return true;
    if (is_wave_file(file)) {
        // Tag, channels, rate, bytes a second, block size, bits a sample.
        auto const format = find_chunk(file, "fmt ", false);
        if (!format || format->size() < 16)
            return false;
        std::uint32_t const channels = le16(*format, 2);
        std::uint32_t const rate = le32(*format, 4);
        return channels >= 1 && channels <= kMaxChannels && rate >= 1 && rate <= kMaxSampleRate
            && le16(*format, 12) >= 1 && le16(*format, 14) >= 1;
    }
    if (std::memcmp(file.data(), "FORM", 4) == 0
        && (std::memcmp(file.data() + 8, "AIFF", 4) == 0 || std::memcmp(file.data() + 8, "AIFC", 4) == 0)) {
        // Channels, frames, bits a sample, then the rate as an 80-bit float, whose exponent is kept
        // to rates below 2^20.
        auto const common = find_chunk(file, "COMM", true);
        if (!common || common->size() < 18)
            return false;
        std::uint32_t const channels = be16(*common, 0);
        std::uint32_t const exponent = be16(*common, 8) & 0x7FFF;
        return channels >= 1 && channels <= kMaxChannels && be16(*common, 6) >= 1 && exponent >= 16383
            && exponent < 16383 + 20;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> read_sound_file(const std::string& host_path)
{
    std::ifstream in(host_path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool sound_file_plausible(const std::string& host_path)
{
    std::ifstream in(host_path, std::ios::binary);
    char head[4] {};
    if (!in.read(head, sizeof head))
        return static_cast<bool>(in.is_open());
    if (std::memcmp(head, "RIFF", 4) != 0 && std::memcmp(head, "FORM", 4) != 0)
        return true;
    auto const whole = read_sound_file(host_path);
    return whole && sound_format_plausible(*whole);
}

} // namespace advplay::platform
