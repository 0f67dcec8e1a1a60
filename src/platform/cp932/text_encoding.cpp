// Text encoding with code page 932 tables built in, for C libraries whose iconv lacks them (the web
// build's). The tables are the host iconv's, made at build time by tools/make_cp932_table.py, and
// the conversions mirror the iconv ones (posix/text_encoding.cpp) step for step, so that both
// builds turn the same bytes into the same text.
#include "platform/text_encoding.h"

#include <algorithm>
#include <cstdint>

namespace advplay::platform {

namespace {

struct Encoding {
    std::uint16_t code_point;
    std::uint16_t sjis;
};

#include "cp932_table.inc"

constexpr std::uint16_t kNone = 0xFFFF;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool is_lead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The code point of the character at the front of `sjis` and its length; kNone when the bytes
// there are no character (a lead byte at the end counts as one byte).
std::pair<std::uint16_t, std::size_t> decode_one(std::string_view sjis)
{
    auto const lead = static_cast<unsigned char>(sjis[0]);
    if (!is_lead(lead))
        return { kSingleBytes[lead], 1 };
    if (sjis.size() < 2)
        return { kNone, 1 };
    auto const trail = static_cast<unsigned char>(sjis[1]);
    if (trail < 0x40 || trail > 0xFC)
        return { kNone, 2 };
    std::size_t const row = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
    return { kDoubleBytes[row * 189 + (trail - 0x40)], 2 };
}

// The next code point of valid UTF-8 and its length.
std::pair<std::uint32_t, std::size_t> next_code_point(std::string_view utf8)
{
    auto const byte = static_cast<unsigned char>(utf8[0]);
    if (byte < 0x80)
        return { byte, 1 };
    std::size_t const length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    std::uint32_t code = byte & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
        code = (code << 6) | (static_cast<unsigned char>(utf8[k]) & 0x3F);
    return { code, length };
}

} // namespace

// Nothing to open: the tables are part of the program.
struct TextEncoding::Converters { };

TextEncoding::TextEncoding()
    : m_converters(std::make_unique<Converters>())
{
}

TextEncoding::~TextEncoding() = default;

std::string TextEncoding::to_utf8(std::string_view sjis) const
{
    std::string out;
    out.reserve(sjis.size() * 3 / 2 + 4);
    while (!sjis.empty()) {
        auto const [code, length] = decode_one(sjis);
        if (code == kNone) {
            // As the iconv version: one character's worth of bytes becomes one replacement, two for
            // a byte that could begin a pair.
            auto const lead = static_cast<unsigned char>(sjis[0]);
            std::size_t const skip
                = ((lead >= 0x81 && lead <= 0x9F) || lead >= 0xE0) && sjis.size() >= 2 ? 2 : 1;
            out += kReplacement;
            sjis.remove_prefix(skip);
            continue;
        }
        append_utf8(out, code);
        sjis.remove_prefix(length);
    }
    return out;
}

std::optional<std::string> TextEncoding::to_utf8_exact(std::string_view sjis) const
{
    std::string out;
    while (!sjis.empty()) {
        auto const [code, length] = decode_one(sjis);
        if (code == kNone)
            return std::nullopt;
        append_utf8(out, code);
        sjis.remove_prefix(length);
    }
    return out;
}

std::optional<std::string> TextEncoding::to_sjis(std::string_view utf8) const
{
    if (!is_valid_utf8(utf8))
        return std::nullopt;
    std::string out;
    while (!utf8.empty()) {
        auto const [code, length] = next_code_point(utf8);
        utf8.remove_prefix(length);
        auto const* found = std::lower_bound(std::begin(kEncodings), std::end(kEncodings), code,
            [](const Encoding& entry, std::uint32_t wanted) { return entry.code_point < wanted; });
        if (found == std::end(kEncodings) || found->code_point != code)
            return std::nullopt;
        if (found->sjis > 0xFF)
            out += static_cast<char>(found->sjis >> 8);
        out += static_cast<char>(found->sjis & 0xFF);
    }
    return out;
}

std::optional<std::string> TextEncoding::convert_exact(void*, std::string_view)
{
    return std::nullopt;
}

} // namespace advplay::platform
