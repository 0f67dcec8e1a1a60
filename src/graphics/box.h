// Box: a rectangle as its four edges, with the union and intersection by which dirty areas,
// transition areas and text layouts are gathered and cut.
#pragma once

#include "graphics/surface.h"

#include <algorithm>
#include <cstdint>

namespace advplay::graphics {

// A rectangle as edges, right and bottom excluded. Empty when it has no area; the union of an empty
// box with another is the other. The edges are 64-bit so that a script's x + width, which may pass
// the int32 range, is held exactly.
struct Box {
    // What moved() and rect() give stays within this distance of 0: it fits a Rect, and a sum of two
    // such values still fits an int32.
    static constexpr std::int64_t kEdgeLimit = std::int64_t { 1 } << 30;

    std::int64_t left { 0 };
    std::int64_t top { 0 };
    std::int64_t right { 0 };
    std::int64_t bottom { 0 };

    // The area a position-and-size rectangle covers, exactly.
    static Box from_rect(const Rect& rect)
    {
        return { rect.x, rect.y, std::int64_t { rect.x } + rect.w, std::int64_t { rect.y } + rect.h };
    }

    bool empty() const { return right <= left || bottom <= top; }
    bool operator==(const Box&) const = default;

    // Becomes the smallest box holding both; an empty `other` changes nothing.
    void unite(const Box& other)
    {
        if (other.empty())
            return;
        if (empty()) {
            *this = other;
            return;
        }
        left = std::min(left, other.left);
        top = std::min(top, other.top);
        right = std::max(right, other.right);
        bottom = std::max(bottom, other.bottom);
    }

    // The common part; Box {} when there is none, so that boxes without area compare equal.
    Box intersection(const Box& other) const
    {
        Box const result { std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom) };
        return result.empty() ? Box {} : result;
    }

    // Shifted by (dx, dy), each edge cut to +-kEdgeLimit.
    Box moved(std::int32_t dx, std::int32_t dy) const
    {
        return { cut(left + dx), cut(top + dy), cut(right + dx), cut(bottom + dy) };
    }

    // The same area as a position and a size, each cut to +-kEdgeLimit; Rect {} when empty.
    Rect rect() const
    {
        if (empty())
            return {};
        return { cut(left), cut(top), cut(right - left), cut(bottom - top) };
    }

private:
    static std::int32_t cut(std::int64_t value)
    {
        return static_cast<std::int32_t>(std::clamp(value, -kEdgeLimit, kEdgeLimit));
    }
};

} // namespace advplay::graphics
