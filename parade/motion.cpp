#include "parade/motion.h"

namespace virelo {

void PlanMotion(const Rect& StageRect, WalkerTable& walkers, RandomState& random,
                MotionPlan& plan) {
    for (int i = 0; i < WalkerCount; ++i) {
        Walker& w = walkers[i];
        if (w.wait != 0) {
            plan.planX[i] = w.x;
            plan.planY[i] = w.y;
            plan.planDy[i] = w.dy;
            continue;
        }
        std::int32_t px = w.x + w.dx;
        std::int32_t pdy = w.dy;
        if (px > StageRect.right) {  // strictly: a walker may stand exactly on the edge
            px = ReentryColumn(StageRect);
            if (pdy == 0) pdy = NextRandom(random) < HalfChance ? -w.vspeed : w.vspeed;
            if (i >= 12 && i <= 15)
                w.sheetY = NextRandom(random) < QuarterChance ? CostumeRowSecond
                                                              : CostumeRowFirst;
        }
        std::int32_t py = w.y + pdy;

        // The turn changes only the step: the new direction shows from the next move.
        if (NextRandom(random) < TurnChance) {
            if (pdy == 0) pdy = w.vspeed;
            pdy = -pdy;
            if (NextRandom(random) < QuarterChance) pdy = 0;
        }

        if (py < StageRect.top) {
            py = StageRect.top;
            pdy = -pdy;
        } else if (py >= FloorRow(StageRect)) {
            py = FloorRow(StageRect);
            pdy = -pdy;
        }
        plan.planX[i] = px;
        plan.planY[i] = py;
        plan.planDy[i] = pdy;
    }
}

}  // namespace virelo
