// GPLP: the packed form of data files, and the author tools that make and open it.
//
// A packed file (little-endian throughout):
//   0   4  "GPLP"
//   4   1  0 (the magic is a NUL-terminated string)
//   5   7  not interpreted (0 when packed here)
//   12  4  I, the size of the info block (at least 20)
//   16  I  info block: 4 bytes not interpreted, then N, F, T and U as uint32
//      N   stored name with its NUL
//      F   flag bitmap: bit (i mod 8) of byte i / 8 describes token i; 1 a literal, 0 a reference
//      T   tokens: a literal is one byte; a reference a uint16 w, length (w & 15) + 3 and distance
//          (w >> 4) + 3, copied a byte at a time so that it may overlap what it produces
// unpacking to U bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::platform {
class Files;
}

namespace advplay::datafile {

constexpr std::size_t kGplpHeaderSize = 16;
constexpr std::size_t kGplpInfoSize = 20;
constexpr std::size_t kGplpMinimumMatch = 3;
constexpr std::size_t kGplpMaximumMatch = 18;
constexpr std::size_t kGplpMinimumDistance = 3;
constexpr std::size_t kGplpMaximumDistance = 4098;

// The first bytes of a file, as many as there are up to 16, read as a NUL-terminated string, are
// exactly "GPLP".
bool has_gplp_magic(std::span<const std::uint8_t> head);

struct GplpContent {
    std::vector<std::uint8_t> bytes;
    // The stored name, up to its first NUL.
    std::string name;
};

// Unpacks a whole packed file. False, with `content` unspecified, when the file is corrupt: the magic
// is wrong; the header, info block, name, flags or tokens are shorter than their stated lengths; a
// reference token is cut off; a token has no flag bit; a reference reaches before the start of the
// output; the output would exceed U bytes or fall short of it. Nothing outside `file` is ever read.
[[nodiscard]] bool gplp_unpack(std::span<const std::uint8_t> file, GplpContent& content);

// Packs `bytes` with a greedy LZ77 search over the whole window, storing `name`. The result holds
// exactly the flag bytes and token bytes the tokens need.
std::vector<std::uint8_t> gplp_pack(std::span<const std::uint8_t> bytes, std::string_view name);

// The name a packed data file has beside the plain one: the path cut at its last "." (of the whole
// path, not only the last component) with ".dpa" appended.
std::string packed_path(std::string_view path);

enum class GplpToolResult {
    Done,
    // The input cannot be opened or read (for unpacking: or it is a corrupt packed file).
    CannotRead,
    // Unpacking: the input is not a packed file.
    NotPacked,
    CannotWrite,
};

// `advplay gplp pack FILE [OUT]`: packs FILE (its bytes as they are) into OUT, storing FILE's last
// path component as the name.
GplpToolResult pack_file(platform::Files& files, std::string_view input, std::string_view output);
// `advplay gplp unpack FILE OUT`: writes the content that the engine reads from the packed FILE.
GplpToolResult unpack_file(platform::Files& files, std::string_view input, std::string_view output);

} // namespace advplay::datafile
