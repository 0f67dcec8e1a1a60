// FontRasterizer: the platform's text drawing as the engine needs it: one character at a time, in a
// font chosen by a Windows face name, in monochrome, with the metrics the original fonts had.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace advplay::platform {

// Windows face names (UTF-8) to the host's font families. A rasterizer's built-in table maps the
// Japanese system faces to fonts drawn to the same metrics; a map given to it comes first.
using FontMap = std::vector<std::pair<std::string, std::string>>;

struct FontRequest {
    // The face name as scripts give it (Shift-JIS), such as "ＭＳ ゴシック".
    std::string name;
    // The cell height in pixels: the face's ascent plus descent, as a positive font height was.
    std::int32_t height { 32 };
    // 0..1000; 400 is normal, 700 bold.
    std::int32_t weight { 400 };
    bool italic { false };
    bool underline { false };
    bool strikeout { false };
};

// One character's picture: `bits` holds width x height pixels, 1 where the character is drawn,
// top row first; (left, top) is where its top-left pixel lies relative to the pen, whose y is the
// top of the character cell.
struct Glyph {
    std::int32_t advance { 0 };
    std::int32_t left { 0 };
    std::int32_t top { 0 };
    std::int32_t width { 0 };
    std::int32_t height { 0 };
    std::vector<std::uint8_t> bits;
};

class Font {
public:
    virtual ~Font() = default;
    // The glyph of one character: one Shift-JIS byte, or a lead byte and its second byte. A
    // character the font cannot show is the font's missing-glyph box, as wide as a full-width
    // character when it was a two-byte one. The reference stays valid while the font lives.
    virtual const Glyph& glyph(std::string_view character) = 0;
};

class FontRasterizer {
public:
    virtual ~FontRasterizer() = default;
    // A font for the request, or nothing when no font at all can be had. A face name that matches
    // no installed font gets the default gothic face; `substitution` then says so, once per name,
    // in Shift-JIS for the engine's error log.
    virtual std::unique_ptr<Font> create(const FontRequest& request, std::string& substitution) = 0;
};

} // namespace advplay::platform
