// RIFF chunk lengths.
#include "platform/riff_chunks.h"

#include <algorithm>
#include <cstring>

namespace advplay::platform {

namespace {

constexpr std::size_t kRiffHeaderSize = 12;
constexpr std::size_t kChunkHeaderSize = 8;

std::uint32_t le32(std::span<const std::uint8_t> file, std::size_t at)
{
    return static_cast<std::uint32_t>(file[at]) | static_cast<std::uint32_t>(file[at + 1]) << 8
        | static_cast<std::uint32_t>(file[at + 2]) << 16 | static_cast<std::uint32_t>(file[at + 3]) << 24;
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

} // namespace advplay::platform
