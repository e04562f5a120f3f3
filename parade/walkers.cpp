#include "parade/walkers.h"

namespace virelo {

void PlaceWalkers(WalkerTable& walkers, RandomState& random, const Rect& client) {
    const Rect stage = StageFor(client);
    const std::int32_t w = stage.right - stage.left;
    const std::int32_t h = stage.bottom - stage.top;

    std::int32_t cx = stage.left;
    std::int32_t ry = 32;
    for (int i = 0; i < WalkerCount; ++i) {
        Walker& wk = walkers[i];
        const Rect pose = PosesFor(i, 0)->first;
        wk.dx = WalkerStep[i];
        wk.vspeed = (2 * wk.dx) / 3;
        if (wk.vspeed >= 8) wk.vspeed = 8;
        wk.x = cx;
        wk.y = ry;
        wk.sheetX = pose.left;
        wk.sheetY = pose.top;
        wk.width = pose.right - pose.left;
        wk.height = pose.bottom - pose.top;  // walker 19 is taller
        wk.wait = 0;
        wk.dy = (i & 1) ? -wk.vspeed : wk.vspeed;

        // Irregular gaps of 96..416 in steps of 16, wrapping round the width; a column
        // exactly at the width is kept (the walker then starts on the right edge).
        cx += 96 + 16 * (NextRandom(random) / 107374182);
        if (cx > w) cx -= w;
        // A staircase of rows 96 apart that never starts within the tallest walker's
        // height of the bottom.
        ry += 96;
        if (ry >= h - TallestWalker) ry = 32;
    }
}

}  // namespace virelo
