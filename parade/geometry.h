#pragma once
// Rectangles in drawing units: left, top, right, bottom, right and bottom exclusive.
#include <cstdint>

namespace virelo {

struct Rect {
    std::int32_t left, top, right, bottom;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Non-empty intersection; rectangles that only share an edge do not overlap.
inline bool Overlaps(const Rect& a, const Rect& b) {
    const std::int32_t l = a.left > b.left ? a.left : b.left;
    const std::int32_t r = a.right < b.right ? a.right : b.right;
    const std::int32_t t = a.top > b.top ? a.top : b.top;
    const std::int32_t u = a.bottom < b.bottom ? a.bottom : b.bottom;
    return (l < r) & (t < u);  // no branch: the grouping makes hundreds of these per tick
}

struct Point {
    std::int32_t x, y;
    friend bool operator==(const Point&, const Point&) = default;
};

// The pointer has moved when it is more than this far from where it was first seen: the
// Windows saver's rule, which every front end keeps.
constexpr std::uint32_t MouseMoveThreshold = 4;
// Manhattan distance, as an unsigned 32-bit number.
inline std::uint32_t CursorDistance(Point a, Point b) {
    const auto absDiff = [](std::int32_t p, std::int32_t q) {
        const auto up = static_cast<std::uint32_t>(p);
        const auto uq = static_cast<std::uint32_t>(q);
        return p >= q ? up - uq : uq - up;
    };
    return absDiff(a.x, b.x) + absDiff(a.y, b.y);
}

}  // namespace virelo
