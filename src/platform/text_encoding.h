// Text encoding at the platform boundary: the engine keeps Shift-JIS (code page 932) bytes and
// converts only where text leaves for the host (titles, message boxes, fonts, file names).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace advplay::platform {

class TextEncoding {
public:
    TextEncoding();
    ~TextEncoding();
    TextEncoding(const TextEncoding&) = delete;
    TextEncoding& operator=(const TextEncoding&) = delete;

    // Shift-JIS to UTF-8. A byte sequence that does not convert becomes U+FFFD and the conversion
    // goes on, so a damaged text is still shown.
    std::string to_utf8(std::string_view sjis) const;
    // Shift-JIS to UTF-8, or nothing when any byte sequence does not convert.
    std::optional<std::string> to_utf8_exact(std::string_view sjis) const;
    // UTF-8 to Shift-JIS; nothing when the text is not valid UTF-8 or has a character that code
    // page 932 lacks.
    std::optional<std::string> to_sjis(std::string_view utf8) const;

private:
    static std::optional<std::string> convert_exact(void* converter, std::string_view text);

    struct Converters;
    std::unique_ptr<Converters> m_converters;
};

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool is_valid_utf8(std::string_view text);
// Appends the UTF-8 form of a code point of the Basic Multilingual Plane.
void append_utf8(std::string& out, std::uint32_t code);

} // namespace advplay::platform
