// Polygon regions: scan conversion with the non-zero winding rule.
#include "graphics/polygon_region.h"

#include <algorithm>

namespace advplay::graphics {

namespace {

// Where an edge crosses a row, as the first pixel whose sample point lies on or right of it, and which
// way the edge runs there.
struct Crossing {
    std::int64_t x;
    std::int32_t direction;
};

// Rounded towards minus infinity and plus infinity, for denominator > 0.
std::int64_t floor_division(std::int64_t numerator, std::int64_t denominator)
{
    return numerator >= 0 ? numerator / denominator : -((-numerator + denominator - 1) / denominator);
}
std::int64_t ceiling_division(std::int64_t numerator, std::int64_t denominator)
{
    return -floor_division(-numerator, denominator);
}

} // namespace

bool PolygonRegion::create(std::span<const Point> corners)
{
    m_edge_count = 0;
    m_top = 0;
    m_bottom = 0;
    if (corners.size() > kMaxPolygonCorners)
        return false;
    if (corners.size() < 3)
        return true;
    // The sample points of a row lie a little below the row's own line, so an edge crosses the rows
    // from the one its upper end lies on to the one above its lower end; level edges cross none.
    for (std::size_t i = 0; i < corners.size(); ++i) {
        Point from = corners[i];
        Point to = corners[(i + 1) % corners.size()];
        if (from.y == to.y)
            continue;
        std::int32_t const direction = to.y > from.y ? 1 : -1;
        if (direction < 0)
            std::swap(from, to);
        Edge& edge = m_edges[m_edge_count++];
        edge.top = from.y;
        edge.bottom = to.y;
        edge.x = from.x;
        edge.direction = direction;
        edge.dx = static_cast<std::int64_t>(to.x) - from.x;
        edge.dy = static_cast<std::int64_t>(to.y) - from.y;
        edge.whole = floor_division(edge.dx, edge.dy);
        edge.part = edge.dx - edge.whole * edge.dy;
        m_top = m_edge_count == 1 ? edge.top : std::min(m_top, edge.top);
        m_bottom = m_edge_count == 1 ? edge.bottom : std::max(m_bottom, edge.bottom);
    }
    return true;
}

std::size_t PolygonRegion::row_spans(std::int32_t y, RowSpans& spans) const
{
    return PolygonScan(*this, y).next(spans);
}

bool PolygonRegion::contains(std::int32_t x, std::int32_t y) const
{
    RowSpans spans;
    std::size_t const count = row_spans(y, spans);
    return std::any_of(spans.begin(), spans.begin() + static_cast<std::ptrdiff_t>(count),
        [x](Span span) { return x >= span.begin && x < span.end; });
}

PolygonScan::PolygonScan(const PolygonRegion& region, std::int32_t first_row)
    : m_region(region)
    , m_y(first_row)
{
    for (std::size_t i = 0; i < region.m_edge_count; ++i) {
        PolygonRegion::Edge const& edge = region.m_edges[i];
        if (first_row <= edge.top)
            continue;
        std::int64_t const run = (static_cast<std::int64_t>(first_row) - edge.top) * edge.dx;
        m_offset[i] = ceiling_division(run, edge.dy);
        m_remainder[i] = m_offset[i] * edge.dy - run;
    }
}

std::size_t PolygonScan::next(RowSpans& spans)
{
    // An edge that passes exactly through a pixel's point leaves the pixel to its right: the crossing
    // is the first pixel at or right of the edge.
    // Left uninitialised: only the first `count` are read, and clearing them all, once a row, showed
    // in the time of the clock wipe.
    std::array<Crossing, kMaxPolygonCorners> crossings;
    std::size_t count = 0;
    for (std::size_t i = 0; i < m_region.m_edge_count; ++i) {
        PolygonRegion::Edge const& edge = m_region.m_edges[i];
        if (m_y < edge.top)
            continue;
        if (m_y < edge.bottom)
            crossings[count++] = { edge.x + m_offset[i], edge.direction };
        // On to the next row: (y + 1 - top) * dx is dx more, so the offset grows by whole, and by one
        // more when the remainder would drop below 0.
        // Without a branch, which would be mispredicted on about every other row.
        m_remainder[i] -= edge.part;
        std::int64_t const carry = m_remainder[i] < 0 ? 1 : 0;
        m_remainder[i] += carry * edge.dy;
        m_offset[i] += edge.whole + carry;
    }
    ++m_y;
    // Insertion sort: a row meets at most kMaxPolygonCorners edges.
    for (std::size_t i = 1; i < count; ++i)
        for (std::size_t j = i; j > 0 && crossings[j].x < crossings[j - 1].x; --j)
            std::swap(crossings[j], crossings[j - 1]);

    std::size_t span_count = 0;
    std::int32_t winding = 0;
    std::int64_t begin = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t const before = winding;
        winding += crossings[i].direction;
        if (before == 0 && winding != 0) {
            begin = crossings[i].x;
        } else if (before != 0 && winding == 0 && crossings[i].x > begin) {
            // Corners are int32, so every crossing lies between two of their x and fits as well.
            auto const end = static_cast<std::int32_t>(crossings[i].x);
            if (span_count > 0 && spans[span_count - 1].end == begin)
                spans[span_count - 1].end = end;
            else
                spans[span_count++] = { static_cast<std::int32_t>(begin), end };
        }
    }
    return span_count;
}

} // namespace advplay::graphics
