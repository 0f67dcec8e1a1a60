// Polygon regions: which pixels a closed polygon covers under the non-zero winding rule, row by row,
// for the transitions that copy through a clip region.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace advplay::graphics {

struct Point {
    std::int32_t x { 0 };
    std::int32_t y { 0 };

    bool operator==(const Point&) const = default;
};

// Pixels begin..end - 1 of a row.
struct Span {
    std::int32_t begin { 0 };
    std::int32_t end { 0 };

    bool operator==(const Span&) const = default;
};

// The most corners a region takes; the transitions need four. Each row of such a polygon has at most
// half as many spans as it has corners.
constexpr std::size_t kMaxPolygonCorners = 8;
using RowSpans = std::array<Span, kMaxPolygonCorners / 2>;

// The pixels inside a closed polygon: pixel (x, y) belongs to it when the outline winds round the
// point (x, y), nudged right and (far less) down, a non-zero number of times. So a point on a left or
// top edge is inside and one on a right or bottom edge is outside: polygons that share an edge share
// no pixel and leave none out between them, and a part of the outline wound twice stays filled.
class PolygonRegion {
public:
    // False, with the region left empty, for more than kMaxPolygonCorners corners. Fewer than three
    // corners make an empty region.
    [[nodiscard]] bool create(std::span<const Point> corners);

    // The runs of row y inside the region, left to right, in spans; returns how many there are.
    // Neighbouring runs are joined.
    std::size_t row_spans(std::int32_t y, RowSpans& spans) const;
    bool contains(std::int32_t x, std::int32_t y) const;

    // The rows top..bottom - 1 hold every pixel of the region.
    std::int32_t top() const { return m_top; }
    std::int32_t bottom() const { return m_bottom; }

private:
    friend class PolygonScan;

    // An edge that is not level, from its upper end down: it crosses the rows top..bottom - 1.
    struct Edge {
        std::int32_t top { 0 };
        std::int32_t bottom { 0 };
        std::int32_t x { 0 };
        // +1 where the outline runs down, -1 where it runs up.
        std::int32_t direction { 0 };
        std::int64_t dx { 0 };
        std::int64_t dy { 0 };
        // dx = whole * dy + part, 0 <= part < dy: how far the crossing moves from one row to the next.
        std::int64_t whole { 0 };
        std::int64_t part { 0 };
    };

    std::array<Edge, kMaxPolygonCorners> m_edges {};
    std::size_t m_edge_count { 0 };
    std::int32_t m_top { 0 };
    std::int32_t m_bottom { 0 };
};

// Walks the rows of a region downwards, one row a call, moving each edge's crossing on by whole
// numbers and a remainder instead of dividing on every row.
class PolygonScan {
public:
    PolygonScan(const PolygonRegion& region, std::int32_t first_row);

    // The spans of the current row, as PolygonRegion::row_spans gives them; then moves to the next row.
    std::size_t next(RowSpans& spans);

private:
    const PolygonRegion& m_region;
    std::int32_t m_y;
    // For each edge that has begun, ceil((y - top) * dx / dy), the crossing's distance from the edge's
    // upper end, and offset * dy - (y - top) * dx, which lies in 0..dy - 1; 0 for the others.
    std::array<std::int64_t, kMaxPolygonCorners> m_offset {};
    std::array<std::int64_t, kMaxPolygonCorners> m_remainder {};
};

} // namespace advplay::graphics
