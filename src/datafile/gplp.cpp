// GPLP: unpacking with every length checked, the greedy packer, and the author tools.
#include "datafile/gplp.h"

#include "common/shift_jis.h"
#include "datafile/data_file.h"
#include "platform/files.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace advplay::datafile {

namespace {

constexpr char kMagic[] = "GPLP";
constexpr std::size_t kMagicLength = 4;

std::uint32_t uint32_at(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8
        | static_cast<std::uint32_t>(bytes[offset + 2]) << 16
        | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

void put_uint32(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out[offset++] = static_cast<std::uint8_t>(value >> shift);
}

// Takes the next `length` bytes of `file` at `offset`; false when the file is shorter.
bool take(std::span<const std::uint8_t> file, std::size_t& offset, std::uint32_t length,
    std::span<const std::uint8_t>& part)
{
    if (file.size() - offset < length)
        return false;
    part = file.subspan(offset, length);
    offset += length;
    return true;
}

// Position of the last "\" or "/" that is not the second byte of a two-byte character.
std::size_t last_separator(std::string_view path)
{
    std::size_t const backslash = find_last_sjis(path, '\\');
    std::size_t const slash = path.rfind('/');
    if (backslash == kNotFound)
        return slash == std::string_view::npos ? kNotFound : slash;
    if (slash == std::string_view::npos)
        return backslash;
    return std::max(backslash, slash);
}

bool read_whole(platform::Files& files, std::string_view path, std::vector<std::uint8_t>& bytes)
{
    auto file = files.open_read(path);
    if (!file || file->size() > 0x7FFFFFFFu)
        return false;
    bytes.assign(static_cast<std::size_t>(file->size()), 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t const got = file->read({ bytes.data() + done, bytes.size() - done });
        if (got == 0)
            return false;
        done += got;
    }
    return true;
}

bool write_whole(platform::Files& files, std::string_view path, std::span<const std::uint8_t> bytes)
{
    auto file = files.open_write(path);
    if (!file)
        return false;
    bool const written = bytes.empty() || file->write(bytes);
    return file->close() && written;
}

} // namespace

bool has_gplp_magic(std::span<const std::uint8_t> head)
{
    // QUIRK: the magic is compared as a C string, so the fifth byte must be there and be its NUL; a
    // file with anything else there is served as plain bytes.
    return head.size() > kMagicLength && std::memcmp(head.data(), kMagic, kMagicLength) == 0
        && head[kMagicLength] == 0;
}

bool gplp_unpack(std::span<const std::uint8_t> file, GplpContent& content)
{
    if (file.size() < kGplpHeaderSize || !has_gplp_magic(file))
        return false;
    std::size_t offset = kGplpHeaderSize;
    std::span<const std::uint8_t> info, name, flags, tokens;
    std::uint32_t const info_size = uint32_at(file, 12);
    if (info_size < kGplpInfoSize || !take(file, offset, info_size, info))
        return false;
    std::uint32_t const output_size = uint32_at(info, 16);
    if (!take(file, offset, uint32_at(info, 4), name) || !take(file, offset, uint32_at(info, 8), flags)
        || !take(file, offset, uint32_at(info, 12), tokens))
        return false;
    // A two-byte reference makes at most 18 bytes, so more than 9 per token byte cannot be reached;
    // refusing it here also bounds what a hostile header can make us allocate.
    if (output_size > std::uint64_t { 9 } * tokens.size())
        return false;

    content.name.assign(name.begin(), std::find(name.begin(), name.end(), 0));
    std::vector<std::uint8_t>& out = content.bytes;
    out.assign(output_size, 0);
    std::size_t k = 0, i = 0, j = 0;
    while (k < tokens.size()) {
        if (i / 8 >= flags.size())
            return false;
        bool const literal = (flags[i / 8] >> (i % 8)) & 1;
        ++i;
        if (literal) {
            if (j >= out.size())
                return false;
            out[j++] = tokens[k++];
            continue;
        }
        if (tokens.size() - k < 2)
            return false;
        unsigned const word = tokens[k] | tokens[k + 1] << 8;
        k += 2;
        std::size_t const length = (word & 0x0F) + kGplpMinimumMatch;
        std::size_t const distance = (word >> 4) + kGplpMinimumDistance;
        if (distance > j || length > out.size() - j)
            return false;
        // Byte by byte: a distance shorter than the length repeats what this very copy produces.
        for (std::size_t n = 0; n < length; ++n, ++j)
            out[j] = out[j - distance];
    }
    return j == out.size();
}

std::vector<std::uint8_t> gplp_pack(std::span<const std::uint8_t> bytes, std::string_view name)
{
    std::vector<std::uint8_t> flags, tokens;
    std::size_t token_count = 0;
    auto const add_flag = [&](bool literal) {
        if (token_count % 8 == 0)
            flags.push_back(0);
        if (literal)
            flags.back() = static_cast<std::uint8_t>(flags.back() | 1u << (token_count % 8));
        ++token_count;
    };

    // Hash chains over the three bytes at each position: head[h] is the latest position with hash h,
    // previous[p] the one before p. A chain runs from near to far, so the first longest match found is
    // also the nearest.
    constexpr std::size_t kHashBits = 15;
    std::vector<std::int64_t> head(std::size_t { 1 } << kHashBits, -1);
    std::vector<std::int64_t> previous(bytes.size(), -1);
    auto const hash = [&bytes](std::size_t p) {
        std::uint32_t const v = bytes[p] | bytes[p + 1] << 8 | bytes[p + 2] << 16;
        return (v * 2654435761u) >> (32 - kHashBits);
    };
    auto const insert = [&](std::size_t p) {
        if (bytes.size() - p < kGplpMinimumMatch)
            return;
        auto const h = hash(p);
        previous[p] = head[h];
        head[h] = static_cast<std::int64_t>(p);
    };

    std::size_t position = 0;
    while (position < bytes.size()) {
        std::size_t const limit = std::min(kGplpMaximumMatch, bytes.size() - position);
        std::size_t best_length = 0, best_distance = 0;
        if (limit >= kGplpMinimumMatch) {
            for (std::int64_t candidate = head[hash(position)];
                 candidate >= 0 && position - candidate <= kGplpMaximumDistance;
                 candidate = previous[candidate]) {
                std::size_t const distance = position - static_cast<std::size_t>(candidate);
                if (distance < kGplpMinimumDistance)
                    continue;
                std::size_t length = 0;
                // The compared bytes may run into the ones being encoded: the unpacker copies byte
                // by byte, so an overlapping match reproduces them.
                while (length < limit && bytes[candidate + length] == bytes[position + length])
                    ++length;
                if (length > best_length) {
                    best_length = length;
                    best_distance = distance;
                    if (length == limit)
                        break;
                }
            }
        }
        if (best_length >= kGplpMinimumMatch) {
            auto const word = static_cast<std::uint16_t>(
                (best_distance - kGplpMinimumDistance) << 4 | (best_length - kGplpMinimumMatch));
            add_flag(false);
            tokens.push_back(static_cast<std::uint8_t>(word));
            tokens.push_back(static_cast<std::uint8_t>(word >> 8));
            for (std::size_t n = 0; n < best_length; ++n)
                insert(position + n);
            position += best_length;
        } else {
            add_flag(true);
            tokens.push_back(bytes[position]);
            insert(position);
            ++position;
        }
    }

    std::string_view const stored = name.substr(0, name.find('\0'));
    std::size_t const name_offset = kGplpHeaderSize + kGplpInfoSize;
    std::size_t const flags_offset = name_offset + stored.size() + 1;
    std::size_t const tokens_offset = flags_offset + flags.size();
    std::vector<std::uint8_t> out(tokens_offset + tokens.size(), 0);
    std::memcpy(out.data(), kMagic, kMagicLength);
    put_uint32(out, 12, kGplpInfoSize);
    put_uint32(out, 20, static_cast<std::uint32_t>(stored.size() + 1));
    put_uint32(out, 24, static_cast<std::uint32_t>(flags.size()));
    put_uint32(out, 28, static_cast<std::uint32_t>(tokens.size()));
    put_uint32(out, 32, static_cast<std::uint32_t>(bytes.size()));
    std::copy(stored.begin(), stored.end(), out.begin() + name_offset);
    std::copy(flags.begin(), flags.end(), out.begin() + flags_offset);
    std::copy(tokens.begin(), tokens.end(), out.begin() + tokens_offset);
    return out;
}

std::string packed_path(std::string_view path)
{
    // QUIRK: the last "." anywhere in the path, so a dot in a folder name cuts the folder.
    std::string result(path.substr(0, std::min(path.size(), path.rfind('.'))));
    result += ".dpa";
    return result;
}

GplpToolResult pack_file(platform::Files& files, std::string_view input, std::string_view output)
{
    std::vector<std::uint8_t> bytes;
    if (!read_whole(files, input, bytes))
        return GplpToolResult::CannotRead;
    std::size_t const separator = last_separator(input);
    std::string_view const name = separator == kNotFound ? input : input.substr(separator + 1);
    if (!write_whole(files, output, gplp_pack(bytes, name)))
        return GplpToolResult::CannotWrite;
    return GplpToolResult::Done;
}

GplpToolResult unpack_file(platform::Files& files, std::string_view input, std::string_view output)
{
    DataFile file(files);
    if (!file.open(input, FileMode::ReadBinary))
        return GplpToolResult::CannotRead;
    if (!file.is_packed())
        return GplpToolResult::NotPacked;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
    if (!bytes.empty() && file.read(bytes) == 0)
        return GplpToolResult::CannotRead;
    if (!write_whole(files, output, bytes))
        return GplpToolResult::CannotWrite;
    return GplpToolResult::Done;
}

} // namespace advplay::datafile
