// Shift-JIS scanning helpers shared by every layer that walks script text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace advplay {

// A byte in 0x80..0x9F or 0xE0..0xFF starts a two-byte character. The byte after it is its second
// byte whatever its value, so a scan for an ASCII delimiter must step over it untested.
constexpr bool is_lead_byte(unsigned char byte)
{
    return (byte >= 0x80 && byte <= 0x9F) || byte >= 0xE0;
}

constexpr bool is_lead_byte(char byte) { return is_lead_byte(static_cast<unsigned char>(byte)); }

// Lower-cases the single bytes "A".."Z" and never the second byte of a pair.
inline void lower_ascii_in_place(char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (is_lead_byte(byte)) {
            ++i;
            continue;
        }
        if (byte >= 'A' && byte <= 'Z')
            text[i] = static_cast<char>(byte + ('a' - 'A'));
    }
}

inline std::string lower_ascii(std::string_view text)
{
    std::string result(text);
    lower_ascii_in_place(result.data(), result.size());
    return result;
}

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Position of the first `wanted` byte that is not the second byte of a pair, or kNotFound.
inline std::size_t find_first_sjis(std::string_view text, char wanted)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_lead_byte(text[i])) {
            ++i;
            continue;
        }
        if (text[i] == wanted)
            return i;
    }
    return kNotFound;
}

// Position of the last `wanted` byte that is not the second byte of a pair, or kNotFound.
inline std::size_t find_last_sjis(std::string_view text, char wanted)
{
    std::size_t found = kNotFound;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_lead_byte(text[i])) {
            ++i;
            continue;
        }
        if (text[i] == wanted)
            found = i;
    }
    return found;
}

} // namespace advplay
