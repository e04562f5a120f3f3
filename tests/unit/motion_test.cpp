#include <gtest/gtest.h>

#include "parade/motion.h"

using namespace virelo;

namespace {

constexpr Rect kStage{0, 0, 640, 480};

// All walkers waiting at the re-entry column except the ones a test sets up.
WalkerTable AllWaiting() {
    WalkerTable t{};
    for (int i = 0; i < WalkerCount; ++i) {
        t[i] = {64, i == 19 ? 70 : 64, 128 * (i % 4), 64 * (i / 4), -64, 100, WalkerStep[i], 0,
                8, 3};
    }
    return t;
}

struct Planned {
    std::int32_t x, y, dy;
};

Planned PlanOne(WalkerTable& t, int i, std::int32_t state, RandomState* after = nullptr) {
    RandomState r{state, nullptr};
    MotionPlan p{};
    PlanMotion(kStage, t, r, p);
    if (after) *after = r;
    return {p.planX[i], p.planY[i], p.planDy[i]};
}

// A state whose next draw is exactly `value` (the generator is a bijection; we find the
// predecessor by stepping backwards with the inverse multiplier).
std::int32_t StateBefore(std::int32_t value) {
    // 16807^-1 mod (2^31 - 1) = 1407677000
    return static_cast<std::int32_t>((static_cast<std::int64_t>(value) * 1407677000) % 2147483647);
}

}  // namespace

TEST(MotionWorkedExample, TurnAndStopAtTheEdge) {
    WalkerTable t = AllWaiting();
    t[0] = {64, 64, 0, 0, 628, 100, 12, 8, 8, 0};
    RandomState after;
    const Planned p = PlanOne(t, 0, 1, &after);
    EXPECT_EQ(p.x, 640) << "equal to the right edge does not wrap";
    EXPECT_EQ(p.y, 108);
    EXPECT_EQ(p.dy, 0) << "turn 16807 fires, stop 282475249 stops";
    EXPECT_EQ(after.state, 282475249) << "exactly two draws";
    EXPECT_EQ(t[0].x, 628) << "planning does not move the walker";
}

TEST(MotionWorkedExample, WrapWithoutStepDrawsADirection) {
    WalkerTable t = AllWaiting();
    t[0] = {64, 64, 0, 0, 629, 100, 12, 0, 8, 0};
    RandomState after;
    const Planned p = PlanOne(t, 0, 1, &after);
    EXPECT_EQ(p.x, -64);
    EXPECT_EQ(p.y, 92) << "re-enters upwards and moves in the same tick";
    EXPECT_EQ(p.dy, -8);
    EXPECT_EQ(after.state, 282475249);
}

TEST(MotionWorkedExample, WrapWithStepKeepsItAndDrawsNoDirection) {
    WalkerTable t = AllWaiting();
    t[0] = {64, 64, 0, 0, 629, 100, 12, 8, 8, 0};
    const Planned p = PlanOne(t, 0, 1);
    EXPECT_EQ(p.x, -64);
    EXPECT_EQ(p.y, 108);
    EXPECT_EQ(p.dy, 0);
}

TEST(MotionWorkedExample, CostumeSwitchOfWalkerTwelve) {
    WalkerTable t = AllWaiting();
    t[12] = {64, 64, 0, 192, 636, 200, 12, 8, 8, 0};
    const Planned p = PlanOne(t, 12, 1);
    EXPECT_EQ(t[12].sheetY, 324) << "costume draw 16807 < 1/4 threshold";
    EXPECT_EQ(p.x, -64);
    EXPECT_EQ(p.y, 208);
    EXPECT_EQ(p.dy, 8);
}

TEST(MotionCostumes, OnlyWalkersTwelveToFifteenChangeRowAndOnlyOnAWrap) {
    for (int i = 0; i < WalkerCount; ++i) {
        WalkerTable t = AllWaiting();
        t[i].wait = 0;
        t[i].x = 639;  // wraps
        t[i].dy = 8;
        t[i].sheetY = 64 * (i / 4);
        PlanOne(t, i, 1);  // first draw 16807 picks the second costume when it is drawn
        const bool costumed = i >= 12 && i <= 15;
        EXPECT_EQ(t[i].sheetY, costumed ? 324 : 64 * (i / 4)) << "walker " << i;
    }
    WalkerTable t = AllWaiting();
    t[13].wait = 0;
    t[13].x = 100;
    t[13].sheetY = 324;
    PlanOne(t, 13, 1);
    EXPECT_EQ(t[13].sheetY, 324) << "no wrap, no change";

    // A draw at or above the 1/4 threshold puts the first costume back.
    t = AllWaiting();
    t[14] = {64, 64, 256, 324, 639, 200, 10, 6, 6, 0};
    PlanOne(t, 14, StateBefore(0x1FFFFFFF));
    EXPECT_EQ(t[14].sheetY, 192);
}

TEST(MotionBounds, WrapIsStrictlyGreater) {
    WalkerTable t = AllWaiting();
    t[0] = {64, 64, 0, 0, 628, 200, 12, 8, 8, 0};
    EXPECT_EQ(PlanOne(t, 0, 5).x, 640);
    t[0].x = 629;
    EXPECT_EQ(PlanOne(t, 0, 5).x, -64);
}

TEST(MotionBounds, FloorBounceIsInclusive) {
    const std::int32_t noTurn = StateBefore(2000000000);
    WalkerTable t = AllWaiting();
    t[0] = {64, 64, 0, 0, 100, 402, 12, 8, 8, 0};
    Planned p = PlanOne(t, 0, noTurn);
    EXPECT_EQ(p.y, 410);
    EXPECT_EQ(p.dy, -8) << "reaching bottom - 70 bounces";
    t[0].y = 400;
    p = PlanOne(t, 0, noTurn);
    EXPECT_EQ(p.y, 408);
    EXPECT_EQ(p.dy, 8);
}

TEST(MotionBounds, TopBounceIsStrictAndHoldsTwoTicks) {
    const std::int32_t noTurn = StateBefore(2000000000);
    WalkerTable t = AllWaiting();
    t[0] = {64, 64, 0, 0, 100, 8, 12, -8, 8, 0};
    Planned p = PlanOne(t, 0, noTurn);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.dy, -8) << "reaching the top exactly is no bounce";
    t[0].y = 0;
    p = PlanOne(t, 0, noTurn);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.dy, 8);
}

TEST(MotionBounds, TurnThenBounceFromNearTheTop) {
    // Turn fires (draw below 1/30), stop does not (second draw at or above 1/4).
    RandomState probe{StateBefore(1001037), nullptr};
    EXPECT_EQ(NextRandom(probe), 1001037);
    const std::int32_t secondDraw = NextRandom(probe);
    ASSERT_GE(secondDraw, 0x1FFFFFFF) << "the chosen state must not stop the walker";
    WalkerTable t = AllWaiting();
    t[0] = {64, 64, 0, 0, 100, 4, 12, -8, 8, 0};
    const Planned p = PlanOne(t, 0, StateBefore(1001037));
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.dy, -8) << "turned to +8, then the bounce negates it again";
}

TEST(MotionTurns, StoppedWalkerStartsUpwards) {
    RandomState probe{StateBefore(1001037), nullptr};
    NextRandom(probe);
    ASSERT_GE(NextRandom(probe), 0x1FFFFFFF);
    WalkerTable t = AllWaiting();
    t[0] = {64, 64, 0, 0, 100, 200, 12, 0, 8, 0};
    const Planned p = PlanOne(t, 0, StateBefore(1001037));
    EXPECT_EQ(p.y, 200) << "the turn does not move this tick";
    EXPECT_EQ(p.dy, -8);
}

TEST(MotionDraws, WaitingWalkersDrawNothingAndMoversDrawOneToFour) {
    WalkerTable t = AllWaiting();
    RandomState r{99, nullptr};
    MotionPlan p{};
    PlanMotion(kStage, t, r, p);
    EXPECT_EQ(r.state, 99) << "all waiting: no draw";
    for (int i = 0; i < WalkerCount; ++i) {
        EXPECT_EQ(p.planX[i], t[i].x);
        EXPECT_EQ(p.planY[i], t[i].y);
        EXPECT_EQ(p.planDy[i], t[i].dy);
    }
    // Walker 13 wrapping with dy 0 draws direction, costume, turn and, when it fires, stop.
    t[13] = {64, 64, 128, 192, 639, 200, 12, 0, 8, 0};
    for (std::int32_t s : {1, 77, 123456789}) {
        RandomState a{s, nullptr};
        PlanMotion(kStage, t, a, p);
        RandomState b{s, nullptr};
        int n = 0;
        while (b.state != a.state && n < 5) {
            NextRandom(b);
            ++n;
        }
        EXPECT_GE(n, 3) << "from state " << s;
        EXPECT_LE(n, 4) << "from state " << s;
    }
}
