// Save files: building, checking and parsing, and the safe write.
#include "persist/save_file.h"

#include "platform/files.h"

#include <cstring>

namespace advplay::persist {

namespace {

constexpr char kSaveMagic[4] = { 'S', 'A', 'V', '\0' };
constexpr std::size_t kHeaderSize = 12;

struct Parsed {
    std::optional<SaveContents> contents;
    std::string problem;
};

Parsed parse(ByteBuffer& bytes)
{
    Parsed result;
    if (bytes.size() < sizeof kSaveMagic || std::memcmp(bytes.data(), kSaveMagic, sizeof kSaveMagic) != 0) {
        result.problem = "not a save file (it does not begin with \"SAV\")";
        return result;
    }
    bytes.invert_range(4, 0);
    if (bytes.size() < kHeaderSize) {
        result.problem = "the file is shorter than its 12-byte header";
        return result;
    }
    std::int64_t const size = static_cast<std::int64_t>(bytes.size());
    std::int64_t const integer_start = bytes.int32_at(4);
    std::int64_t const string_start = bytes.int32_at(8);
    if (integer_start < static_cast<std::int64_t>(kHeaderSize) || integer_start > string_start
        || string_start > size) {
        result.problem = "the section offsets (" + std::to_string(integer_start) + ", "
            + std::to_string(string_start) + ") do not fit a file of " + std::to_string(size) + " bytes";
        return result;
    }
    auto const* data = reinterpret_cast<const char*>(bytes.data());
    // A name ends at its NUL, which must come before `limit`.
    auto name_at = [&](std::int64_t at, std::int64_t limit) -> std::optional<std::string_view> {
        auto const* nul
            = static_cast<const char*>(std::memchr(data + at, 0, static_cast<std::size_t>(limit - at)));
        if (!nul)
            return std::nullopt;
        return std::string_view(data + at, static_cast<std::size_t>(nul - (data + at)));
    };

    SaveContents contents;
    std::int64_t at = integer_start;
    while (at < string_start) {
        auto const name = name_at(at, string_start);
        std::int64_t const value_at = at + (name ? static_cast<std::int64_t>(name->size()) + 1 : 0);
        if (!name || value_at + 4 > string_start) {
            result.problem = "the integer entry at byte " + std::to_string(at) + " runs past its section";
            return result;
        }
        contents.integers.emplace_back(
            std::string(*name), bytes.int32_at(static_cast<std::size_t>(value_at)));
        at = value_at + 4;
    }
    while (at < size) {
        auto const name = name_at(at, size);
        std::int64_t const length_at = at + (name ? static_cast<std::int64_t>(name->size()) + 1 : 0);
        if (!name || length_at + 4 > size) {
            result.problem
                = "the string entry at byte " + std::to_string(at) + " runs past the end of the file";
            return result;
        }
        std::int64_t const stored = bytes.int32_at(static_cast<std::size_t>(length_at));
        std::int64_t const text_at = length_at + 4;
        auto const text
            = stored >= 1 && text_at + stored <= size ? name_at(text_at, text_at + stored) : std::nullopt;
        if (!text) {
            result.problem = stored < 1
                ? "string \"" + std::string(*name) + "\" has a stored length of " + std::to_string(stored)
                : "the text of string \"" + std::string(*name) + "\" runs past the end of the file";
            return result;
        }
        contents.strings.emplace_back(std::string(*name), std::string(*text));
        at = text_at + stored;
    }
    result.contents = std::move(contents);
    return result;
}

} // namespace

ByteBuffer build_save(const IntegerMap& integers, const StringMap& strings)
{
    ByteBuffer bytes;
    (void)bytes.append(kSaveMagic, sizeof kSaveMagic);
    bytes.append_int32(0);
    bytes.append_int32(0);
    for (auto const& [name, value] : integers) {
        (void)bytes.append(name);
        bytes.append_byte(0);
        bytes.append_int32(value);
    }
    auto const string_start = static_cast<std::int32_t>(bytes.size());
    for (auto const& [name, text] : strings) {
        (void)bytes.append(name);
        bytes.append_byte(0);
        bytes.append_int32(static_cast<std::int32_t>(text.size() + 1));
        (void)bytes.append(text);
        bytes.append_byte(0);
    }
    bytes.put_int32(4, static_cast<std::int32_t>(kHeaderSize));
    bytes.put_int32(8, string_start);
    bytes.invert_range(4, 0);
    return bytes;
}

std::optional<SaveContents> parse_save(ByteBuffer bytes)
{
    return parse(bytes).contents;
}

std::string describe_save_problem(ByteBuffer bytes)
{
    return parse(bytes).problem;
}

bool write_save(platform::Files& files, std::string_view path, const ByteBuffer& bytes)
{
    std::string const temporary = std::string(path) + ".advplay-new";
    // A save killed half-way leaves its temporary file behind. It goes first, so that the folder
    // keeps no litter, and the write below always makes a new file: a stale entry of that name that
    // is a link would otherwise be written through.
    (void)files.remove(temporary);
    auto out = files.open_write(temporary);
    if (!out)
        return false;
    // On the disk before it takes the save's place: a power cut right after the rename could
    // otherwise leave an empty file where the previous save was.
    bool const written = out->write(bytes.bytes()) && out->sync();
    bool const closed = out->close();
    if (!written || !closed) {
        files.remove(temporary);
        return false;
    }
    if (files.replace(temporary, path))
        return true;
    if (files.clear_read_only(path) && files.replace(temporary, path))
        return true;
    files.remove(temporary);
    return false;
}

} // namespace advplay::persist
