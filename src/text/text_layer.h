// TextLayer: Shift-JIS text laid out line by line on a surface of its own, with a shadow and an
// optional edge, drawn at a magnification of 1 to 4 and copied reduced onto a destination surface.
#pragma once

#include "graphics/box.h"
#include "graphics/color.h"
#include "graphics/surface.h"
#include "platform/font_rasterizer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace advplay::text {

// Layout coordinates stay within this distance of 0, however far a script moves the pen, so that
// no sum of a few of them can overflow.
constexpr std::int32_t kCoordinateLimit = 1 << 24;

struct LineRecord {
    // The bytes of the characters drawn on this line, in order, without line feeds.
    std::string text;
    // The union of the boxes of those characters; empty while the line is.
    graphics::Box box;
    // The pen when the line's first character was drawn.
    std::int32_t start_x { 0 };
    std::int32_t start_y { 0 };
    // Where the drawing put ink on the layer surface, in surface pixels. A slanted letter reaches
    // past its box; clearing the line clears this too, so that nothing stays on the layer to show
    // through the boxes of a later page.
    graphics::Box ink;
};

enum class Flush {
    // The characters stay on the layer until a copy brings them to the destination.
    No,
    // What is drawn is copied to the destination at each line break and at the end.
    Yes,
};

// One character's ink as horizontal runs, relative to the pen: drawing a glyph is then one fill
// per run instead of a test per pixel.
struct GlyphRuns {
    struct Run {
        std::int32_t y;
        std::int32_t x0;
        std::int32_t x1;
    };
    std::int32_t advance { 0 };
    std::vector<Run> runs;
    // The extent of the runs, relative to the pen.
    graphics::Box ink;
};

// The text layer. Geometry, magnification and the transparent colour change only while the layer
// is empty (no line but line 0, and that one without text); fonts, colours, spacing, leading,
// shadow and edge change at any time and apply to the characters drawn afterwards.
class TextLayer {
public:
    static constexpr std::int32_t kInitialFontSize = 32;
    static constexpr std::int32_t kNormalWeight = 400;
    // "ＭＳ ゴシック" in Shift-JIS.
    static constexpr std::string_view kDefaultFontName = "\x82l\x82r \x83S\x83V\x83"
                                                         "b\x83N";
    static constexpr std::size_t kInitialLineRoom = 32;

    // Empty, without a surface or fonts, until init.
    TextLayer()
        : m_font_name(kDefaultFontName)
    {
        m_lines.reserve(kInitialLineRoom);
        m_lines.emplace_back();
    }
    TextLayer(const TextLayer&) = delete;
    TextLayer& operator=(const TextLayer&) = delete;

    // Where fonts come from, and where a note about a substituted face goes. Without fonts the
    // characters take their room but draw nothing.
    void attach_fonts(platform::FontRasterizer* fonts, std::function<void(std::string_view)> report);

    // set_geometry, then the default font ("ＭＳ ゴシック", 32, weight 400, no styles) and the
    // destination. False when the geometry is refused.
    bool init(graphics::Surface* destination, std::int32_t wrap_width, std::int32_t surface_width,
        std::int32_t height, std::int32_t magnification);
    // Refused unless the layer is empty, surface_width >= wrap_width > 0, height > 0 and
    // 1 <= magnification <= 4. The same values succeed at once; others make the surface anew, all
    // transparent, and create the font again at the new magnification. False also when the surface
    // cannot be had; the layer then keeps its old surface and values.
    bool set_geometry(
        std::int32_t wrap_width, std::int32_t surface_width, std::int32_t height, std::int32_t magnification);

    // Each stores its value and creates the font again (no work when the value is unchanged);
    // false when the font cannot be created, in which case the previous font stays in use.
    bool set_font_name(std::string_view name);
    // A line already begun keeps its bottom edge: the pen moves up or down by the change.
    bool set_font_size(std::int32_t size);
    // Refused, changing nothing, outside 0..1000.
    bool set_weight(std::int32_t weight);
    bool set_italic(bool on);
    bool set_underline(bool on);
    bool set_strikeout(bool on);
    // A line already begun goes on at the new spacing: the pen moves by the change.
    void set_spacing(std::int32_t spacing);
    void set_leading(std::int32_t leading) { m_leading = leading; }
    // Refused unless the layer is empty; fills the whole surface with the colour.
    bool set_transparent(graphics::ColorRef color);
    void set_destination(graphics::Surface* destination) { m_destination = destination; }

    // Lays out and draws each character in turn (line feeds break the line) and returns the union
    // of their boxes. With Flush::Yes what was drawn is copied to the destination as it goes.
    graphics::Box draw_text(std::string_view text, Flush flush);

    void new_line();
    // Text drawn at a new position always starts a new line record.
    void move_to(std::int32_t x, std::int32_t y);
    void move_by(std::int32_t dx, std::int32_t dy);
    void move_from_last(std::int32_t dx, std::int32_t dy);
    // The width of the text up to its first line feed: each character's width plus the spacing,
    // less one spacing.
    std::int32_t measure(std::string_view text);
    // Null for an index below 0 or beyond the current line.
    const LineRecord* line_info(std::int32_t index) const;
    // Makes a line's box transparent again and empties its record; ignored outside 0..current.
    void clear_line(std::int32_t index);
    // Every line cleared, the current line back to 0, the pen and the last end at (0, 0).
    void clear_all();

    // Copies the parts of the lines' boxes inside `rect` (layout coordinates) onto the destination
    // at the window position, reduced by the magnification and without the transparent colour.
    void copy_to_destination(const graphics::Box& rect);
    // The same onto another surface.
    void copy_to(graphics::Surface& target, const graphics::Box& rect) const;
    // Line by line, each with its whole box: onto the destination, or onto another surface.
    void copy_line(std::int32_t index);
    void copy_all();
    void copy_all_to(graphics::Surface& target) const;
    // Draws a line again in the current colours, keeping the current line and pen.
    void redraw_line(std::int32_t index, Flush flush);

    bool empty() const { return m_current_line == 0 && m_lines[0].text.empty(); }
    // The union of the boxes of lines 0..current.
    graphics::Box text_box() const;

    // The width of one character (one byte, or a lead byte and its second byte).
    std::int32_t character_width(std::string_view character);

    // Colours, shadow, edge and window position are plain values that the message window sets.
    graphics::ColorRef text_color { 0xFFFFFF };
    graphics::ColorRef shadow_color { 0x000000 };
    std::int32_t shadow_offset { 0 };
    bool edge { false };
    std::int32_t window_x { 0 };
    std::int32_t window_y { 0 };

    std::int32_t pen_x() const { return m_pen_x; }
    std::int32_t pen_y() const { return m_pen_y; }
    std::int32_t last_end_x() const { return m_last_end_x; }
    std::int32_t last_end_y() const { return m_last_end_y; }
    std::int32_t current_line() const { return m_current_line; }
    const std::vector<LineRecord>& lines() const { return m_lines; }
    std::int32_t magnification() const { return m_magnification; }
    std::int32_t wrap_width() const { return m_wrap_width; }
    std::int32_t surface_width() const { return m_surface_width; }
    std::int32_t height() const { return m_height; }
    const std::string& font_name() const { return m_font_name; }
    std::int32_t font_size() const { return m_font_size; }
    std::int32_t weight() const { return m_weight; }
    bool italic() const { return m_italic; }
    bool underline() const { return m_underline; }
    bool strikeout() const { return m_strikeout; }
    std::int32_t spacing() const { return m_spacing; }
    std::int32_t leading() const { return m_leading; }
    graphics::ColorRef transparent() const { return m_transparent; }
    const graphics::Surface& surface() const { return m_surface; }
    graphics::Surface* destination() const { return m_destination; }

private:
    struct FontEntry {
        platform::FontRequest request;
        std::unique_ptr<platform::Font> font;
        std::unordered_map<std::uint32_t, GlyphRuns> glyphs;
    };

    bool create_font();
    const GlyphRuns* glyph(std::string_view character);
    void draw_glyph(const GlyphRuns& glyph, std::int64_t x, std::int64_t y, graphics::Pixel pixel);
    void draw_character(std::string_view character, graphics::Box& accumulated, Flush flush);
    void set_pen(std::int64_t x, std::int64_t y);

    graphics::Surface m_surface;
    graphics::Surface* m_destination { nullptr };
    platform::FontRasterizer* m_fonts { nullptr };
    std::function<void(std::string_view)> m_report;
    // Fonts made before, most recent last, so that switching between a few sizes or styles keeps
    // their glyphs; the current font is m_font.
    std::vector<std::unique_ptr<FontEntry>> m_font_cache;
    FontEntry* m_font { nullptr };

    std::int32_t m_magnification { 1 };
    std::int32_t m_wrap_width { 0 };
    std::int32_t m_surface_width { 0 };
    std::int32_t m_height { 0 };
    std::int32_t m_pen_x { 0 };
    std::int32_t m_pen_y { 0 };
    std::int32_t m_last_end_x { 0 };
    std::int32_t m_last_end_y { 0 };
    std::vector<LineRecord> m_lines;
    std::int32_t m_current_line { 0 };
    std::string m_font_name;
    std::int32_t m_font_size { kInitialFontSize };
    std::int32_t m_weight { kNormalWeight };
    bool m_italic { false };
    bool m_underline { false };
    bool m_strikeout { false };
    std::int32_t m_spacing { 0 };
    std::int32_t m_leading { 0 };
    graphics::ColorRef m_transparent { 0xFF00FF };
};

// The hanging characters: punctuation, closing brackets and small kana, which may run past the
// wrap width up to the surface width rather than begin a line.
bool is_hanging_character(std::string_view character);

// The length of the character at the front of `text`: 2 for a lead byte followed by another byte,
// else 1 (0 for an empty text). A lead byte at the very end stands alone.
std::size_t character_length(std::string_view text);

} // namespace advplay::text
