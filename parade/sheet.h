#pragma once
// Where everything stands in the sprite sheet: the parade draws from these rectangles, the
// art generator paints into them, and the tests read them. Costume 0 is the everyday one;
// walkers 12..15 own a second, costume 1, in a row of its own.
#include <cstdint>
#include <optional>

#include "parade/geometry.h"

namespace virelo {

constexpr int WalkerCount = 20;
constexpr std::int32_t SheetWidth = 512;
constexpr std::int32_t SheetHeight = 388;
constexpr std::int32_t CellSize = 64;  // a pose; the second stands CellSize to the right
constexpr int WalkersPerRow = 4;       // two poses each
constexpr int TallWalker = 19;
constexpr std::int32_t TallestWalker = 70;  // walker 19; the floor is measured with it
constexpr int FirstCostumed = 12;
constexpr int CostumedCount = 4;
constexpr std::int32_t CostumeRowFirst = CellSize * (FirstCostumed / WalkersPerRow);  // 192
constexpr std::int32_t CostumeRowSecond = 324;

constexpr bool HasCostume(int walker, int costume) {
    return walker >= 0 && walker < WalkerCount &&
           (costume == 0 || (costume == 1 && walker >= FirstCostumed && walker < FirstCostumed + CostumedCount));
}

struct SheetPoses {
    Rect first, second;
};

// Walker 19's cells are taller and reach into the second costume row's last columns.
constexpr std::optional<SheetPoses> PosesFor(int walker, int costume) {
    if (!HasCostume(walker, costume)) return std::nullopt;
    const std::int32_t x = 2 * CellSize * (walker % WalkersPerRow);
    const std::int32_t y = costume == 1 ? CostumeRowSecond : CellSize * (walker / WalkersPerRow);
    const std::int32_t h = walker == TallWalker ? TallestWalker : CellSize;
    return SheetPoses{{x, y, x + CellSize, y + h}, {x + CellSize, y, x + 2 * CellSize, y + h}};
}

}  // namespace virelo
