// Text layers: glyph layout, shadow and edge, magnified drawing and the reduced copy.
#include "text/text_layer.h"

#include "common/shift_jis.h"
#include "graphics/compose.h"

#include <algorithm>

namespace advplay::text {

namespace {

constexpr std::int32_t kMaxMagnification = 4;
constexpr std::int32_t kMaxWeight = 1000;
// Beyond these a layer would only hold memory: the screen is 640 x 480, and no glyph this tall
// fits on it even at the largest magnification.
constexpr std::int32_t kMaxLayerSide = 2048;
constexpr std::int32_t kMaxFontHeight = 1024;
constexpr std::size_t kFontCacheSize = 8;

std::int32_t clamp_coordinate(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, -kCoordinateLimit, kCoordinateLimit));
}

// Box edges may lie a shadow offset beyond the pen, and an offset is whatever a script said; they are
// cut where moving a box cuts them.
std::int32_t clamp_edge(std::int64_t value)
{
    constexpr std::int64_t kEdgeLimit = graphics::Box::kEdgeLimit;
    return static_cast<std::int32_t>(std::clamp(value, -kEdgeLimit, kEdgeLimit));
}

std::uint32_t glyph_key(std::string_view character)
{
    // A character is one or two bytes; its length keeps "A" apart from a pair whose first byte is 0.
    std::uint32_t key = 0;
    for (char c : character)
        key = (key << 8) | static_cast<unsigned char>(c);
    return key | static_cast<std::uint32_t>(character.size()) << 16;
}

bool same_request(const platform::FontRequest& a, const platform::FontRequest& b)
{
    return a.name == b.name && a.height == b.height && a.weight == b.weight && a.italic == b.italic
        && a.underline == b.underline && a.strikeout == b.strikeout;
}

GlyphRuns runs_of(const platform::Glyph& glyph)
{
    GlyphRuns result;
    result.advance = glyph.advance;
    for (std::int32_t y = 0; y < glyph.height; ++y) {
        const std::uint8_t* row = glyph.bits.data() + static_cast<std::size_t>(y) * glyph.width;
        std::int32_t x = 0;
        while (x < glyph.width) {
            if (!row[x]) {
                ++x;
                continue;
            }
            std::int32_t const start = x;
            while (x < glyph.width && row[x])
                ++x;
            result.runs.push_back({ glyph.top + y, glyph.left + start, glyph.left + x });
            result.ink.unite({ glyph.left + start, glyph.top + y, glyph.left + x, glyph.top + y + 1 });
        }
    }
    return result;
}

// A layout box times the magnification, cut to the surface; nothing when no part lies on it.
bool scaled_rect(
    const graphics::Box& box, std::int32_t m, const graphics::Surface& surface, graphics::Rect& out)
{
    graphics::Box const scaled { box.left * m, box.top * m, box.right * m, box.bottom * m };
    graphics::Box const inside = scaled.intersection({ 0, 0, surface.width(), surface.height() });
    if (inside.empty())
        return false;
    out = inside.rect();
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Characters
// ---------------------------------------------------------------------------------------------------

std::size_t character_length(std::string_view text)
{
    if (text.empty())
        return 0;
    return is_lead_byte(text[0]) && text.size() >= 2 ? 2 : 1;
}

bool is_hanging_character(std::string_view character)
{
    if (character.size() != 2)
        return false;
    auto const first = static_cast<unsigned char>(character[0]);
    auto const second = static_cast<unsigned char>(character[1]);
    auto const among = [second](std::initializer_list<unsigned char> list) {
        return std::find(list.begin(), list.end(), second) != list.end();
    };
    switch (first) {
    case 0x81: // 、 。 ？ ！ ー ） 」 』 ☆ ♪
        return among({ 0x41, 0x42, 0x48, 0x49, 0x5B, 0x6A, 0x76, 0x78, 0x99, 0xF4 });
    case 0x82: // ぁ ぃ ぅ ぇ ぉ っ ゃ ゅ ょ
        return among({ 0x9F, 0xA1, 0xA3, 0xA5, 0xA7, 0xC1, 0xE1, 0xE3, 0xE5 });
    case 0x83: // ァ ィ ゥ ェ ォ ッ ャ ュ ョ
        return among({ 0x40, 0x42, 0x44, 0x46, 0x48, 0x62, 0x83, 0x85, 0x87 });
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------------
// Set-up and settings
// ---------------------------------------------------------------------------------------------------

void TextLayer::attach_fonts(platform::FontRasterizer* fonts, std::function<void(std::string_view)> report)
{
    m_fonts = fonts;
    m_report = std::move(report);
}

bool TextLayer::init(graphics::Surface* destination, std::int32_t wrap_width, std::int32_t surface_width,
    std::int32_t height, std::int32_t magnification)
{
    bool const geometry = set_geometry(wrap_width, surface_width, height, magnification);
    m_font_name = kDefaultFontName;
    m_weight = kNormalWeight;
    m_italic = m_underline = m_strikeout = false;
    m_font_size = kInitialFontSize;
    (void)create_font();
    m_destination = destination;
    return geometry;
}

bool TextLayer::set_geometry(
    std::int32_t wrap_width, std::int32_t surface_width, std::int32_t height, std::int32_t magnification)
{
    if (!empty() || wrap_width <= 0 || surface_width < wrap_width || height <= 0 || magnification < 1
        || magnification > kMaxMagnification || surface_width > kMaxLayerSide || height > kMaxLayerSide)
        return false;
    if (wrap_width == m_wrap_width && surface_width == m_surface_width && height == m_height
        && magnification == m_magnification)
        return true;
    graphics::Surface made;
    if (!made.create(surface_width * magnification, height * magnification))
        return false;
    graphics::fill(made, m_transparent);
    m_surface = std::move(made);
    m_wrap_width = wrap_width;
    m_surface_width = surface_width;
    m_height = height;
    m_magnification = magnification;
    (void)create_font();
    return true;
}

bool TextLayer::set_font_name(std::string_view name)
{
    if (name == m_font_name)
        return true;
    m_font_name = name;
    return create_font();
}

bool TextLayer::set_font_size(std::int32_t size)
{
    if (size == m_font_size)
        return true;
    if (!m_lines[m_current_line].text.empty())
        set_pen(m_pen_x, std::int64_t { m_pen_y } + m_font_size - size);
    m_font_size = size;
    return create_font();
}

bool TextLayer::set_weight(std::int32_t weight)
{
    if (weight == m_weight)
        return true;
    // Taken as unsigned, so that negative weights are refused too.
    if (static_cast<std::uint32_t>(weight) > kMaxWeight)
        return false;
    m_weight = weight;
    return create_font();
}

bool TextLayer::set_italic(bool on)
{
    if (on == m_italic)
        return true;
    m_italic = on;
    return create_font();
}

bool TextLayer::set_underline(bool on)
{
    if (on == m_underline)
        return true;
    m_underline = on;
    return create_font();
}

bool TextLayer::set_strikeout(bool on)
{
    if (on == m_strikeout)
        return true;
    m_strikeout = on;
    return create_font();
}

void TextLayer::set_spacing(std::int32_t spacing)
{
    if (!m_lines[m_current_line].text.empty())
        set_pen(std::int64_t { m_pen_x } + spacing - m_spacing, m_pen_y);
    m_spacing = spacing;
}

bool TextLayer::set_transparent(graphics::ColorRef color)
{
    if (!empty())
        return false;
    m_transparent = color;
    graphics::fill(m_surface, color);
    return true;
}

bool TextLayer::create_font()
{
    platform::FontRequest request;
    request.name = m_font_name;
    request.height = m_font_size * m_magnification;
    request.weight = m_weight;
    request.italic = m_italic;
    request.underline = m_underline;
    request.strikeout = m_strikeout;
    // A size the system would read as "any size" or as an em height, or one no screen can show,
    // keeps the previous font.
    if (m_font_size < 1 || m_font_size > kMaxFontHeight / m_magnification)
        return false;
    for (auto it = m_font_cache.begin(); it != m_font_cache.end(); ++it) {
        if (same_request((*it)->request, request)) {
            std::rotate(it, it + 1, m_font_cache.end());
            m_font = m_font_cache.back().get();
            return true;
        }
    }
    if (!m_fonts)
        return false;
    std::string note;
    auto font = m_fonts->create(request, note);
    if (!note.empty() && m_report)
        m_report(note);
    if (!font)
        return false;
    if (m_font_cache.size() >= kFontCacheSize) {
        auto const victim = std::find_if(m_font_cache.begin(), m_font_cache.end(),
            [this](const std::unique_ptr<FontEntry>& entry) { return entry.get() != m_font; });
        m_font_cache.erase(victim);
    }
    auto entry = std::make_unique<FontEntry>();
    entry->request = request;
    entry->font = std::move(font);
    m_font = entry.get();
    m_font_cache.push_back(std::move(entry));
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------------------------------

void TextLayer::set_pen(std::int64_t x, std::int64_t y)
{
    m_pen_x = clamp_coordinate(x);
    m_pen_y = clamp_coordinate(y);
}

const GlyphRuns* TextLayer::glyph(std::string_view character)
{
    if (!m_font)
        return nullptr;
    std::uint32_t const key = glyph_key(character);
    auto found = m_font->glyphs.find(key);
    if (found == m_font->glyphs.end())
        found = m_font->glyphs.emplace(key, runs_of(m_font->font->glyph(character))).first;
    return &found->second;
}

std::int32_t TextLayer::character_width(std::string_view character)
{
    std::int32_t const m = m_magnification;
    if (GlyphRuns const* runs = glyph(character))
        return (runs->advance + m - 1) / m;
    // Without a font a character still takes the room of a gothic one.
    return character.size() == 2 ? m_font_size : m_font_size / 2;
}

void TextLayer::new_line()
{
    m_current_line = std::min(m_current_line + 1, kCoordinateLimit);
    set_pen(0, std::int64_t { m_pen_y } + m_font_size + m_leading);
    if (static_cast<std::size_t>(m_current_line) >= m_lines.size())
        m_lines.emplace_back();
}

void TextLayer::move_to(std::int32_t x, std::int32_t y)
{
    x = clamp_coordinate(x);
    y = clamp_coordinate(y);
    if (x == m_pen_x && y == m_pen_y)
        return;
    if (!m_lines[m_current_line].text.empty())
        new_line();
    set_pen(x, y);
}

void TextLayer::move_by(std::int32_t dx, std::int32_t dy)
{
    move_to(clamp_coordinate(std::int64_t { m_pen_x } + dx), clamp_coordinate(std::int64_t { m_pen_y } + dy));
}

void TextLayer::move_from_last(std::int32_t dx, std::int32_t dy)
{
    move_to(clamp_coordinate(std::int64_t { m_last_end_x } + dx),
        clamp_coordinate(std::int64_t { m_last_end_y } + dy));
}

std::int32_t TextLayer::measure(std::string_view text)
{
    std::int64_t width = -std::int64_t { m_spacing };
    while (!text.empty() && text.front() != '\n') {
        std::size_t const n = character_length(text);
        std::string_view const character = text.substr(0, n);
        text.remove_prefix(n);
        // A lead byte cut off at the end is no character.
        if (n == 1 && is_lead_byte(character[0]))
            continue;
        width += character_width(character) + std::int64_t { m_spacing };
    }
    return clamp_coordinate(width);
}

const LineRecord* TextLayer::line_info(std::int32_t index) const
{
    if (index < 0 || index > m_current_line)
        return nullptr;
    return &m_lines[static_cast<std::size_t>(index)];
}

graphics::Box TextLayer::text_box() const
{
    graphics::Box all;
    for (std::int32_t i = 0; i <= m_current_line; ++i)
        all.unite(m_lines[static_cast<std::size_t>(i)].box);
    return all;
}

// ---------------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------------

void TextLayer::draw_glyph(const GlyphRuns& glyph, std::int64_t x, std::int64_t y, graphics::Pixel pixel)
{
    if (!glyph.ink.empty()) {
        m_lines[static_cast<std::size_t>(m_current_line)].ink.unite(
            { clamp_edge(x + glyph.ink.left), clamp_edge(y + glyph.ink.top), clamp_edge(x + glyph.ink.right),
                clamp_edge(y + glyph.ink.bottom) });
    }
    std::int64_t const width = m_surface.width();
    std::int64_t const height = m_surface.height();
    for (auto const& run : glyph.runs) {
        std::int64_t const row = y + run.y;
        if (row < 0 || row >= height)
            continue;
        std::int64_t const from = std::max<std::int64_t>(x + run.x0, 0);
        std::int64_t const to = std::min<std::int64_t>(x + run.x1, width);
        if (from >= to)
            continue;
        graphics::Pixel* line = m_surface.row(static_cast<std::int32_t>(row));
        std::fill(line + from, line + to, pixel);
    }
}

void TextLayer::draw_character(std::string_view character, graphics::Box& accumulated, Flush flush)
{
    std::int32_t const w = character_width(character);
    std::int64_t const o = shadow_offset;
    std::int64_t const s = m_font_size;
    std::int64_t x = m_pen_x;
    std::int64_t y = m_pen_y;
    std::int64_t left = o > 0 ? x : x + o;
    std::int64_t top = o > 0 ? y : y + o;
    std::int64_t right = o > 0 ? x + w + o : x + w;
    std::int64_t bottom = o > 0 ? y + s + o : y + s;
    // The edge reaches one pixel further on the sides that the shadow does not already cover.
    if (edge) {
        if (o >= 0) {
            --left;
            --top;
        }
        if (o <= 0) {
            ++right;
            ++bottom;
        }
    }
    std::int32_t const limit = is_hanging_character(character) ? m_surface_width : m_wrap_width;
    if (right > limit) {
        if (flush == Flush::Yes) {
            copy_to_destination(accumulated);
            accumulated = {};
        }
        new_line();
        left += m_pen_x - x;
        right += m_pen_x - x;
        top += m_pen_y - y;
        bottom += m_pen_y - y;
        x = m_pen_x;
        y = m_pen_y;
    }
    LineRecord& line = m_lines[static_cast<std::size_t>(m_current_line)];
    if (line.text.empty()) {
        line.start_x = m_pen_x;
        line.start_y = m_pen_y;
    }
    line.text.append(character);
    graphics::Box const box { clamp_edge(left), clamp_edge(top), clamp_edge(right), clamp_edge(bottom) };
    line.box.unite(box);
    accumulated.unite(box);

    if (GlyphRuns const* runs = glyph(character)) {
        std::int64_t const m = m_magnification;
        graphics::Pixel const shadow = graphics::color_to_pixel(shadow_color);
        // The shadow is always drawn, so with offset 0 it lies under the text.
        draw_glyph(*runs, (x + o) * m, (y + o) * m, shadow);
        if (edge) {
            draw_glyph(*runs, x * m, (y - 1) * m, shadow);
            draw_glyph(*runs, (x - 1) * m, y * m, shadow);
            draw_glyph(*runs, (x + 1) * m, y * m, shadow);
            draw_glyph(*runs, x * m, (y + 1) * m, shadow);
        }
        draw_glyph(*runs, x * m, y * m, graphics::color_to_pixel(text_color));
    }
    set_pen(x + w + m_spacing, y);
    m_last_end_x = m_pen_x;
    m_last_end_y = m_pen_y;
}

graphics::Box TextLayer::draw_text(std::string_view text, Flush flush)
{
    graphics::Box accumulated;
    while (!text.empty()) {
        std::size_t const n = character_length(text);
        std::string_view const character = text.substr(0, n);
        text.remove_prefix(n);
        if (character == "\n") {
            if (flush == Flush::Yes) {
                copy_to_destination(accumulated);
                accumulated = {};
            }
            new_line();
            continue;
        }
        // A lead byte cut off at the end of the text is no character; it draws nothing.
        if (n == 1 && is_lead_byte(character[0]))
            continue;
        draw_character(character, accumulated, flush);
    }
    if (flush == Flush::Yes)
        copy_to_destination(accumulated);
    return accumulated;
}

void TextLayer::clear_line(std::int32_t index)
{
    if (index < 0 || index > m_current_line)
        return;
    LineRecord& line = m_lines[static_cast<std::size_t>(index)];
    graphics::Rect area;
    if (scaled_rect(line.box, m_magnification, m_surface, area))
        graphics::fill(m_surface, area, m_transparent);
    if (scaled_rect(line.ink, 1, m_surface, area))
        graphics::fill(m_surface, area, m_transparent);
    line.box = {};
    line.ink = {};
    line.start_x = line.start_y = 0;
    line.text.clear();
}

void TextLayer::clear_all()
{
    for (std::int32_t i = 0; i <= m_current_line; ++i)
        clear_line(i);
    m_current_line = 0;
    m_pen_x = m_pen_y = 0;
    m_last_end_x = m_last_end_y = 0;
}

void TextLayer::copy_to(graphics::Surface& target, const graphics::Box& rect) const
{
    if (rect.empty())
        return;
    for (std::int32_t i = 0; i <= m_current_line; ++i) {
        graphics::Box const part = m_lines[static_cast<std::size_t>(i)].box.intersection(rect);
        if (part.empty())
            continue;
        graphics::Box const placed = part.moved(window_x, window_y);
        graphics::Rect const area = placed.rect();
        (void)graphics::reduce(target, area, m_surface, part.left, part.top, m_transparent, m_magnification);
    }
}

void TextLayer::copy_to_destination(const graphics::Box& rect)
{
    if (m_destination)
        copy_to(*m_destination, rect);
}

void TextLayer::copy_line(std::int32_t index)
{
    LineRecord const* line = line_info(index);
    if (!line || !m_destination)
        return;
    graphics::Box const placed = line->box.moved(window_x, window_y);
    (void)graphics::reduce(*m_destination, placed.rect(), m_surface, line->box.left, line->box.top,
        m_transparent, m_magnification);
}

void TextLayer::copy_all()
{
    if (m_destination)
        copy_all_to(*m_destination);
}

void TextLayer::copy_all_to(graphics::Surface& target) const
{
    for (std::int32_t i = 0; i <= m_current_line; ++i) {
        graphics::Box const& box = m_lines[static_cast<std::size_t>(i)].box;
        graphics::Box const placed = box.moved(window_x, window_y);
        (void)graphics::reduce(
            target, placed.rect(), m_surface, box.left, box.top, m_transparent, m_magnification);
    }
}

void TextLayer::redraw_line(std::int32_t index, Flush flush)
{
    if (index < 0 || index > m_current_line)
        return;
    std::int32_t const current = m_current_line;
    std::int32_t const pen_x = m_pen_x;
    std::int32_t const pen_y = m_pen_y;
    LineRecord& line = m_lines[static_cast<std::size_t>(index)];
    m_current_line = index;
    m_pen_x = line.start_x;
    m_pen_y = line.start_y;
    std::string const text = line.text;
    clear_line(index);
    (void)draw_text(text, flush);
    m_current_line = current;
    m_pen_x = pen_x;
    m_pen_y = pen_y;
}

} // namespace advplay::text
