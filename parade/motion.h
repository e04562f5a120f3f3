#pragma once
// Where each walker goes on this tick. Planning touches no position: the redraw commits
// each plan right before it draws that walker, so erases always use the old place.
#include <array>
#include <cstdint>

#include "parade/geometry.h"
#include "parade/random.h"
#include "parade/walkers.h"

namespace virelo {

struct MotionPlan {
    std::array<std::int32_t, WalkerCount> planX;
    std::array<std::int32_t, WalkerCount> planY;
    std::array<std::int32_t, WalkerCount> planDy;
};

// Random thresholds: r < T happens with probability (T - 1) / 2147483646.
constexpr std::int32_t HalfChance = 0x3FFFFFFF;     // re-entry direction: up
constexpr std::int32_t QuarterChance = 0x1FFFFFFF;  // second costume; stop after a turn
constexpr std::int32_t TurnChance = 0x4444444;      // 1/30: turn on this tick

// Walkers re-enter from one cell left of the stage, whatever their own width.
inline std::int32_t ReentryColumn(const Rect& stage) { return stage.left - CellSize; }
// The lowest top edge, the same for all: the tallest walker just touches the bottom.
inline std::int32_t FloorRow(const Rect& stage) { return stage.bottom - TallestWalker; }

// Fills the plan for all walkers in index order. Draws from the random source: per
// moving walker the re-entry direction (wrap with dy 0), the costume (wrap of 12..15),
// the turn (always) and the stop (when the turn fires); a waiting walker draws nothing.
// The only record field written is sheetY of walkers 12..15.
void PlanMotion(const Rect& StageRect, WalkerTable& walkers, RandomState& random,
                MotionPlan& plan);

}  // namespace virelo
