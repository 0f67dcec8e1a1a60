// ColorRef parsing.
#include "graphics/color.h"

namespace advplay::graphics {

namespace {

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// strtol(pair, nullptr, 16) on a text of at most two bytes.
std::int32_t strtol_pair(std::string_view pair)
{
    std::size_t i = 0;
    while (i < pair.size() && (pair[i] == ' ' || (pair[i] >= '\t' && pair[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < pair.size() && (pair[i] == '+' || pair[i] == '-')) {
        negative = pair[i] == '-';
        ++i;
    }
    std::int32_t value = 0;
    for (; i < pair.size() && hex_digit(pair[i]) >= 0; ++i)
        value = value * 16 + hex_digit(pair[i]);
    return negative ? -value : value;
}

} // namespace

ColorRef parse_color(std::string_view text)
{
    if (text.empty() || text[0] != '#')
        return 0;
    auto pair = [text](std::size_t at) {
        return at < text.size() ? strtol_pair(text.substr(at, 2)) : 0;
    };
    return static_cast<std::uint32_t>(pair(1)) | static_cast<std::uint32_t>(pair(3)) << 8
        | static_cast<std::uint32_t>(pair(5)) << 16;
}

} // namespace advplay::graphics
