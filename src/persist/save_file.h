// Save files: the script variables, integer and string, in the engine's "SAV" format.
#pragma once

#include "persist/byte_buffer.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::platform {
class Files;
}

namespace advplay::persist {

// Ordered as unsigned bytes, the order the file keeps its entries in.
using IntegerMap = std::map<std::string, std::int32_t, std::less<>>;
using StringMap = std::map<std::string, std::string, std::less<>>;

// "SAV", then the offsets of the integer and string sections, the integer entries (name, NUL,
// int32) and the string entries (name, NUL, int32 length + 1, text, NUL); all after the magic is
// complemented in whole groups of four.
ByteBuffer build_save(const IntegerMap& integers, const StringMap& strings);

struct SaveContents {
    std::vector<std::pair<std::string, std::int32_t>> integers;
    std::vector<std::pair<std::string, std::string>> strings;
};

// The entries of a save file in file order, or nothing when the bytes are not a whole save file:
// wrong magic, offsets outside the file or out of order, or an entry running past its section.
std::optional<SaveContents> parse_save(ByteBuffer bytes);
// Why parse_save refused the bytes, for the savedump tool.
std::string describe_save_problem(ByteBuffer bytes);

// Writes the file so that a good old save is never replaced by a half-written one: the bytes go
// to a temporary file beside it, which then takes the old one's place. A read-only old save is
// replaced after its mark is cleared. A temporary file left by a save that was killed is removed
// first. False when the new save could not be put in place.
bool write_save(platform::Files& files, std::string_view path, const ByteBuffer& bytes);

} // namespace advplay::persist
