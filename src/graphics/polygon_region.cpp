// Polygon regions: scan conversion with the non-zero winding rule.
#include "graphics/polygon_region.h"

#include <algorithm>

namespace advplay::graphics {

namespace {

// Where an edge crosses a row, as the first pixel whose sample point lies on or right of it, and which
// way the edge runs there.
struct Crossing {
    std::int32_t x { 0 };
    std::int32_t direction { 0 };
};

// The smallest integer not below numerator / denominator, for denominator > 0.
std::int64_t ceiling_division(std::int64_t numerator, std::int64_t denominator)
{
    return numerator >= 0 ? (numerator + denominator - 1) / denominator : -(-numerator / denominator);
}

} // namespace

bool PolygonRegion::create(std::span<const Point> corners)
{
    m_count = 0;
    m_top = 0;
    m_bottom = 0;
    if (corners.size() > kMaxPolygonCorners)
        return false;
    if (corners.size() < 3)
        return true;
    std::copy(corners.begin(), corners.end(), m_corners.begin());
    m_count = corners.size();
    auto const [low, high]
        = std::minmax_element(corners.begin(), corners.end(), [](Point a, Point b) { return a.y < b.y; });
    m_top = low->y;
    m_bottom = high->y;
    return true;
}

std::size_t PolygonRegion::row_spans(std::int32_t y, RowSpans& spans) const
{
    // The sample points of row y lie a little below the row's own line, so an edge crosses the row
    // when it begins on or above that line and ends below it; level edges cross no row. An edge that
    // passes exactly through a pixel's point leaves the pixel to its right.
    std::array<Crossing, kMaxPolygonCorners> crossings {};
    std::size_t count = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        Point from = m_corners[i];
        Point to = m_corners[(i + 1) % m_count];
        if (from.y == to.y)
            continue;
        std::int32_t const direction = to.y > from.y ? 1 : -1;
        if (direction < 0)
            std::swap(from, to);
        if (y < from.y || y >= to.y)
            continue;
        std::int64_t const run
            = static_cast<std::int64_t>(y - from.y) * (static_cast<std::int64_t>(to.x) - from.x);
        std::int64_t const x = from.x + ceiling_division(run, static_cast<std::int64_t>(to.y) - from.y);
        crossings[count++] = { static_cast<std::int32_t>(x), direction };
    }
    std::sort(crossings.begin(), crossings.begin() + static_cast<std::ptrdiff_t>(count),
        [](Crossing a, Crossing b) { return a.x < b.x; });

    std::size_t span_count = 0;
    std::int32_t winding = 0;
    std::int32_t begin = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t const before = winding;
        winding += crossings[i].direction;
        if (before == 0 && winding != 0) {
            begin = crossings[i].x;
        } else if (before != 0 && winding == 0 && crossings[i].x > begin) {
            if (span_count > 0 && spans[span_count - 1].end == begin)
                spans[span_count - 1].end = crossings[i].x;
            else
                spans[span_count++] = { begin, crossings[i].x };
        }
    }
    return span_count;
}

bool PolygonRegion::contains(std::int32_t x, std::int32_t y) const
{
    RowSpans spans;
    std::size_t const count = row_spans(y, spans);
    return std::any_of(spans.begin(), spans.begin() + static_cast<std::ptrdiff_t>(count),
        [x](Span span) { return x >= span.begin && x < span.end; });
}

} // namespace advplay::graphics
