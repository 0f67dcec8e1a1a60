// FreeTypeFonts: fontconfig finds the face, FreeType draws it.
#include "platform/fonts/freetype_fonts.h"

#if ADVPLAY_FONTCONFIG
#include <fontconfig/fontconfig.h>
#else
#include <cstdlib>
#include <fstream>
#include <sstream>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace advplay::platform {

namespace {

// The faces the games name, and the installed faces drawn to the same metrics.
const FontMap& builtin_map()
{
    static const FontMap map = {
        { "ＭＳ ゴシック", "IPAGothic" },
        { "MS Gothic", "IPAGothic" },
        { "ＭＳ Ｐゴシック", "IPAPGothic" },
        { "MS PGothic", "IPAPGothic" },
        { "MS UI Gothic", "IPAPGothic" },
        { "ＭＳ 明朝", "IPAMincho" },
        { "MS Mincho", "IPAMincho" },
        { "ＭＳ Ｐ明朝", "IPAPMincho" },
        { "MS PMincho", "IPAPMincho" },
    };
    return map;
}

constexpr char kDefaultFamily[] = "IPAGothic";

std::string lower_ascii_copy(std::string_view text)
{
    std::string result(text);
    for (auto& c : result)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return result;
}

std::string trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return std::string(text);
}

// The first code point of a UTF-8 text (the text is known to be valid).
std::uint32_t code_point(std::string_view utf8)
{
    auto const byte
        = [&utf8](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(utf8[i])); };
    std::uint32_t const first = byte(0);
    if (first < 0x80)
        return first;
    if ((first & 0xE0) == 0xC0 && utf8.size() >= 2)
        return ((first & 0x1F) << 6) | (byte(1) & 0x3F);
    if ((first & 0xF0) == 0xE0 && utf8.size() >= 3)
        return ((first & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    if (utf8.size() >= 4)
        return ((first & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    return 0;
}

// Where a face's cell comes from. A face asked for by its own name gets the cell Windows would give
// it, from its Windows ascent and descent. A face standing in for a Windows face gets the cell of the
// face it replaces: the Japanese system faces have no internal leading, so their cell is their em,
// and scripts lay out their text by those widths (a full-width character is as wide as the font
// size). The stand-ins' typographic ascent and descent make up their em, while their Windows
// descent is taller, which would make every character a few percent narrower.
enum class Cell {
    Windows,
    Typographic,
};

class FreeTypeFont final : public Font {
public:
    FreeTypeFont(FT_Face face, const FontRequest& request, const TextEncoding& encoding, Cell cell)
        : m_face(face)
        , m_request(request)
        , m_encoding(encoding)
    {
        // A positive font height is the cell, the Windows ascent and descent together, not the em.
        auto const* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        double ascent_units = face->ascender;
        double descent_units = -face->descender;
        bool const has_os2 = os2 && os2->version != 0xFFFF;
        if (has_os2) {
            m_strikeout_position = os2->yStrikeoutPosition;
            m_strikeout_size = os2->yStrikeoutSize;
        }
        if (cell == Cell::Windows && has_os2 && os2->usWinAscent + os2->usWinDescent > 0) {
            ascent_units = os2->usWinAscent;
            descent_units = os2->usWinDescent;
        }
        double const cell_units = std::max(1.0, ascent_units + descent_units);
        m_scale = request.height / cell_units;
        double const em_pixels = face->units_per_EM * m_scale;
        FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em_pixels * 64)), 72, 72);
        m_ascent = static_cast<std::int32_t>(std::lround(ascent_units * m_scale));
        m_full_width = static_cast<std::int32_t>(std::lround(em_pixels));
        m_bold = request.weight >= 600 && !(face->style_flags & FT_STYLE_FLAG_BOLD);
        m_italic = request.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    }
    ~FreeTypeFont() override { FT_Done_Face(m_face); }
    FreeTypeFont(const FreeTypeFont&) = delete;
    FreeTypeFont& operator=(const FreeTypeFont&) = delete;

    const Glyph& glyph(std::string_view character) override
    {
        std::uint32_t key = 0;
        for (char c : character.substr(0, 2))
            key = (key << 8) | static_cast<unsigned char>(c);
        key |= static_cast<std::uint32_t>(std::min<std::size_t>(character.size(), 2)) << 16;
        auto const found = m_cache.find(key);
        if (found != m_cache.end())
            return found->second;
        return m_cache.emplace(key, render(character.substr(0, 2))).first->second;
    }

private:
    Glyph render(std::string_view character)
    {
        bool const wide = character.size() == 2;
        FT_UInt index = 0;
        if (auto const utf8 = m_encoding.to_utf8_exact(character); utf8 && !utf8->empty())
            index = FT_Get_Char_Index(m_face, code_point(*utf8));
        Glyph glyph;
        if (FT_Load_Glyph(m_face, index, FT_LOAD_TARGET_MONO) != 0)
            return glyph;
        FT_GlyphSlot slot = m_face->glyph;
        if (m_bold)
            FT_GlyphSlot_Embolden(slot);
        if (m_italic)
            FT_GlyphSlot_Oblique(slot);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
            return glyph;
        glyph.advance = static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
        // What the font cannot show is its missing-glyph box, as wide as the character would be.
        if (index == 0)
            glyph.advance = wide ? m_full_width : (m_full_width + 1) / 2;
        FT_Bitmap const& bitmap = slot->bitmap;
        std::int32_t const left = slot->bitmap_left;
        auto const columns = static_cast<std::int32_t>(bitmap.width);
        auto const rows = static_cast<std::int32_t>(bitmap.rows);
        // Ink stays inside the cell, and a missing-glyph box inside its advance: the text layer
        // clears and copies characters by their cells, so ink beyond them would stay on the layer
        // after a page is cleared and show through the characters of a later page. A glyph that
        // pokes out by rounding (an overline at some sizes) is moved in rather than cut.
        std::int32_t top = m_ascent - slot->bitmap_top;
        if (rows <= m_request.height)
            top = std::clamp(top, 0, m_request.height - rows);
        std::int32_t const first_row = std::max(0, -top);
        std::int32_t const end_row = std::max(first_row, std::min(rows, m_request.height - top));
        std::int32_t const first_column = index == 0 ? std::max(0, -left) : 0;
        std::int32_t const end_column
            = index == 0 ? std::max(first_column, std::min(columns, glyph.advance - left)) : columns;
        glyph.left = left + first_column;
        glyph.top = top + first_row;
        glyph.width = end_column - first_column;
        glyph.height = end_row - first_row;
        glyph.bits.assign(static_cast<std::size_t>(glyph.width) * glyph.height, 0);
        for (std::int32_t y = 0; y < glyph.height; ++y) {
            const unsigned char* row
                = bitmap.buffer + static_cast<std::ptrdiff_t>(y + first_row) * bitmap.pitch;
            for (std::int32_t x = 0; x < glyph.width; ++x) {
                std::int32_t const column = x + first_column;
                glyph.bits[static_cast<std::size_t>(y) * glyph.width + x]
                    = (row[column / 8] >> (7 - column % 8)) & 1;
            }
        }
        if (m_request.underline) {
            std::int32_t const thickness
                = std::max(1, static_cast<std::int32_t>(std::lround(m_face->underline_thickness * m_scale)));
            std::int32_t const y
                = m_ascent - static_cast<std::int32_t>(std::lround(m_face->underline_position * m_scale));
            add_line(glyph, y, thickness);
        }
        if (m_request.strikeout) {
            double const size = m_strikeout_size > 0 ? m_strikeout_size : m_face->units_per_EM / 20.0;
            double const position
                = m_strikeout_position > 0 ? m_strikeout_position : m_face->units_per_EM / 4.0;
            std::int32_t const thickness
                = std::max(1, static_cast<std::int32_t>(std::lround(size * m_scale)));
            add_line(glyph, m_ascent - static_cast<std::int32_t>(std::lround(position * m_scale)), thickness);
        }
        return glyph;
    }

    // Underline and strikeout run under the whole advance, as the system drew them with the text.
    static void add_line(Glyph& glyph, std::int32_t top, std::int32_t thickness)
    {
        if (glyph.advance <= 0)
            return;
        std::int32_t const left = std::min(glyph.left, 0);
        std::int32_t const right = std::max(glyph.left + glyph.width, glyph.advance);
        std::int32_t const upper = glyph.width > 0 ? std::min(glyph.top, top) : top;
        std::int32_t const lower
            = glyph.width > 0 ? std::max(glyph.top + glyph.height, top + thickness) : top + thickness;
        Glyph grown;
        grown.advance = glyph.advance;
        grown.left = left;
        grown.top = upper;
        grown.width = right - left;
        grown.height = lower - upper;
        grown.bits.assign(static_cast<std::size_t>(grown.width) * grown.height, 0);
        for (std::int32_t y = 0; y < glyph.height; ++y) {
            for (std::int32_t x = 0; x < glyph.width; ++x) {
                grown.bits[static_cast<std::size_t>(y + glyph.top - upper) * grown.width
                    + (x + glyph.left - left)]
                    = glyph.bits[static_cast<std::size_t>(y) * glyph.width + x];
            }
        }
        for (std::int32_t y = top; y < top + thickness; ++y) {
            for (std::int32_t x = 0; x < glyph.advance; ++x)
                grown.bits[static_cast<std::size_t>(y - upper) * grown.width + (x - left)] = 1;
        }
        glyph = std::move(grown);
    }

    FT_Face m_face;
    FontRequest m_request;
    const TextEncoding& m_encoding;
    double m_scale { 1 };
    std::int32_t m_ascent { 0 };
    std::int32_t m_full_width { 0 };
    double m_strikeout_position { 0 };
    double m_strikeout_size { 0 };
    bool m_bold { false };
    bool m_italic { false };
    std::unordered_map<std::uint32_t, Glyph> m_cache;
};

} // namespace

struct FreeTypeFonts::Library {
    FT_Library freetype { nullptr };
#if ADVPLAY_FONTCONFIG
    FcConfig* fontconfig { nullptr };
#else
    // Without fontconfig: "family = font file" lines, read once.
    std::optional<FontMap> files;
#endif
    ~Library()
    {
#if ADVPLAY_FONTCONFIG
        if (fontconfig)
            FcConfigDestroy(fontconfig);
#endif
        if (freetype)
            FT_Done_FreeType(freetype);
    }
};

std::optional<FontMap> parse_font_map(std::string_view text, std::string& error)
{
    FontMap map;
    int line_number = 0;
    while (!text.empty()) {
        ++line_number;
        std::size_t const end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (std::size_t const comment = line.find('#'); comment != std::string_view::npos)
            line = line.substr(0, comment);
        std::string const whole = trim(line);
        if (whole.empty())
            continue;
        std::size_t const equals = whole.find('=');
        std::string const name = equals == std::string::npos ? std::string() : trim(whole.substr(0, equals));
        std::string const family
            = equals == std::string::npos ? std::string() : trim(whole.substr(equals + 1));
        if (name.empty() || family.empty()) {
            error = "line " + std::to_string(line_number) + ": not \"Windows name = font family\"";
            return std::nullopt;
        }
        map.emplace_back(name, family);
    }
    return map;
}

FreeTypeFonts::FreeTypeFonts(const TextEncoding& encoding, FontMap extra)
    : m_encoding(encoding)
    , m_map(std::move(extra))
    , m_library(std::make_unique<Library>())
{
    m_map.insert(m_map.end(), builtin_map().begin(), builtin_map().end());
}

FreeTypeFonts::~FreeTypeFonts() = default;

FreeTypeFonts::Location FreeTypeFonts::locate(std::string_view utf8_name)
{
    std::string family(utf8_name);
    Location location;
    for (auto const& [name, mapped] : m_map) {
        if (lower_ascii_copy(name) == lower_ascii_copy(utf8_name)) {
            family = mapped;
            location.stand_in = true;
            break;
        }
    }
#if ADVPLAY_FONTCONFIG
    if (!m_library->fontconfig)
        m_library->fontconfig = FcInitLoadConfigAndFonts();
    if (!m_library->fontconfig)
        return location;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(m_library->fontconfig, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(m_library->fontconfig, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return location;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
        location.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &location.index);
    // fontconfig always answers with some font; it is the one asked for only if a family matches.
    FcChar8* found = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &found) == FcResultMatch; ++i) {
        if (lower_ascii_copy(reinterpret_cast<const char*>(found)) == lower_ascii_copy(family))
            location.exact = true;
    }
    FcPatternDestroy(match);
    return location;
#else
    // A build without fontconfig (the web's) has its fonts listed in a file:
    // $ADVPLAY_FONT_FILES, else /fonts/fonts.txt, where the page puts them.
    if (!m_library->files) {
        char const* listed = std::getenv("ADVPLAY_FONT_FILES");
        std::ifstream file(listed && *listed ? listed : "/fonts/fonts.txt", std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        std::string error;
        m_library->files = parse_font_map(text.str(), error).value_or(FontMap {});
    }
    for (auto const& [listed_family, file] : *m_library->files) {
        if (lower_ascii_copy(listed_family) == lower_ascii_copy(family)) {
            location.file = file;
            location.exact = true;
            break;
        }
    }
    return location;
#endif
}

std::string FreeTypeFonts::file_for(std::string_view sjis_name)
{
    return locate(m_encoding.to_utf8(sjis_name)).file;
}

std::unique_ptr<Font> FreeTypeFonts::create(const FontRequest& request, std::string& substitution)
{
    if (!m_library->freetype && FT_Init_FreeType(&m_library->freetype) != 0)
        return nullptr;
    std::string const name = m_encoding.to_utf8(request.name);
    Location location = locate(name);
    if (!location.exact) {
        location = locate(kDefaultFamily);
        // The default gothic stands in for the default face of the scripts.
        location.stand_in = true;
        // The note goes to the engine's error log, which holds Shift-JIS: quote the name as given.
        if (m_reported.insert(name).second)
            substitution = "no installed font is called \"" + request.name + "\"; using " + kDefaultFamily;
    }
    if (location.file.empty() || request.height <= 0)
        return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(m_library->freetype, location.file.c_str(), location.index, &face) != 0)
        return nullptr;
    return std::make_unique<FreeTypeFont>(
        face, request, m_encoding, location.stand_in ? Cell::Typographic : Cell::Windows);
}

} // namespace advplay::platform
