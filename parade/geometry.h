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

}  // namespace virelo
