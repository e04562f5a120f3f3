#include <gtest/gtest.h>

#include "parade/motion.h"

using namespace virelo;

namespace {

constexpr Rect kStage{0, 0, 640, 480};

// All walkers waiting at the re-entry column except the ones a test sets up.
WalkerTable AllWaiting() {
    WalkerTable t{};
    for (int i = 0; i < WalkerCount; ++i)
        t[i] = {64, i == 19 ? 70 : 64, 128 * (i % 4), 64 * (i / 4), -64, 100, WalkerStep[i], 0, 8, 3};
    return t;
}

MotionPlan Plan(WalkerTable& t, RandomState& r) {
    MotionPlan p{};
    PlanMotion(kStage, t, r, p);
    return p;
}

// A state whose next draw is exactly `value`: one step back with the inverse multiplier,
// 16807^-1 mod (2^31 - 1) = 1407677000.
std::int32_t StateBefore(std::int32_t value) {
    return static_cast<std::int32_t>((static_cast<std::int64_t>(value) * 1407677000) % 2147483647);
}

}  // namespace

// One moving walker: its planned place and step, its costume row and the state after the
// draws. The thresholds: turn below 0x4444444 (1/30), stop and second costume below
// 0x1FFFFFFF (1/4), up below 0x3FFFFFFF.
TEST(MotionPlan, OneWalker) {
    const std::int32_t noTurn = StateBefore(2000000000);
    // 1001037 turns; the next draw, 1792043330, does not stop.
    const std::int32_t turnNoStop = StateBefore(1001037);
    struct Case {
        const char* rule;
        int i;
        Walker w;  // width, height, sheetX, sheetY, x, y, dx, dy, vspeed, wait
        std::int32_t state, x, y, dy, sheetY, after;
    };
    const Case cases[] = {
        // From state 1 the draws are 16807 (below all thresholds), then 282475249.
        {"equal to the right edge does not wrap; turn fires and stop stops", 0,
         {64, 64, 0, 0, 628, 100, 12, 8, 8, 0}, 1, 640, 108, 0, 0, 282475249},
        {"a wrap without a step draws a direction (up) and moves in the same tick", 0,
         {64, 64, 0, 0, 629, 100, 12, 0, 8, 0}, 1, -64, 92, -8, 0, 282475249},
        {"a wrap with a step keeps it and draws no direction", 0,
         {64, 64, 0, 0, 629, 100, 12, 8, 8, 0}, 1, -64, 108, 0, 0, 282475249},
        {"walker 12 wraps into its second costume (16807 < 1/4); 282475249 does not turn", 12,
         {64, 64, 0, 192, 636, 200, 12, 8, 8, 0}, 1, -64, 208, 8, 324, 282475249},
        // From state 5: 84035 turns, 1412376245 does not stop.
        {"628 + 12 = 640 stays on the edge", 0, {64, 64, 0, 0, 628, 200, 12, 8, 8, 0}, 5, 640, 208, -8, 0, 1412376245},
        {"629 + 12 = 641 wraps", 0, {64, 64, 0, 0, 629, 200, 12, 8, 8, 0}, 5, -64, 208, -8, 0, 1412376245},
        {"reaching bottom - 70 bounces", 0, {64, 64, 0, 0, 100, 402, 12, 8, 8, 0}, noTurn, 100 + 12, 410, -8, 0, 2000000000},
        {"above bottom - 70 no bounce", 0, {64, 64, 0, 0, 100, 400, 12, 8, 8, 0}, noTurn, 112, 408, 8, 0, 2000000000},
        {"reaching the top exactly is no bounce", 0, {64, 64, 0, 0, 100, 8, 12, -8, 8, 0}, noTurn, 112, 0, -8, 0, 2000000000},
        {"above the top bounces", 0, {64, 64, 0, 0, 100, 0, 12, -8, 8, 0}, noTurn, 112, 0, 8, 0, 2000000000},
        {"turned to +8 near the top, then the bounce negates it again", 0,
         {64, 64, 0, 0, 100, 4, 12, -8, 8, 0}, turnNoStop, 112, 0, -8, 0, 1792043330},
        {"a stopped walker turns upwards and does not move this tick", 0,
         {64, 64, 0, 0, 100, 200, 12, 0, 8, 0}, turnNoStop, 112, 200, -8, 0, 1792043330},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        WalkerTable t = AllWaiting();
        t[c.i] = c.w;
        RandomState r{c.state, nullptr};
        const MotionPlan p = Plan(t, r);
        EXPECT_EQ(p.planX[c.i], c.x);
        EXPECT_EQ(p.planY[c.i], c.y);
        EXPECT_EQ(p.planDy[c.i], c.dy);
        EXPECT_EQ(r.state, c.after) << "the draws made";
        Walker unmoved = c.w;
        unmoved.sheetY = c.sheetY;
        EXPECT_EQ(t[c.i], unmoved) << "planning writes only the costume row";
    }
}

TEST(MotionCostumes, OnlyWalkersTwelveToFifteenChangeRowAndOnlyOnAWrap) {
    for (int i = 0; i < WalkerCount; ++i) {
        WalkerTable t = AllWaiting();
        t[i].wait = 0;
        t[i].x = 639;  // wraps
        t[i].dy = 8;
        RandomState r{1, nullptr};  // 16807 picks the second costume when it is drawn
        Plan(t, r);
        const bool costumed = i >= 12 && i <= 15;
        EXPECT_EQ(t[i].sheetY, costumed ? 324 : 64 * (i / 4)) << "walker " << i;
    }
    WalkerTable t = AllWaiting();
    t[13].wait = 0;
    t[13].x = 100;
    t[13].sheetY = 324;
    RandomState r{1, nullptr};
    Plan(t, r);
    EXPECT_EQ(t[13].sheetY, 324) << "no wrap, no change";

    // A draw at or above the 1/4 threshold puts the first costume back.
    t = AllWaiting();
    t[14] = {64, 64, 256, 324, 639, 200, 10, 6, 6, 0};
    r = {StateBefore(0x1FFFFFFF), nullptr};
    Plan(t, r);
    EXPECT_EQ(t[14].sheetY, 192);
}

TEST(MotionDraws, WaitingWalkersDrawNothingAndMoversDrawOneToFour) {
    WalkerTable t = AllWaiting();
    RandomState r{99, nullptr};
    const MotionPlan p = Plan(t, r);
    EXPECT_EQ(r.state, 99) << "all waiting: no draw";
    for (int i = 0; i < WalkerCount; ++i) {
        EXPECT_EQ(p.planX[i], t[i].x) << "walker " << i;
        EXPECT_EQ(p.planY[i], t[i].y) << "walker " << i;
        EXPECT_EQ(p.planDy[i], t[i].dy) << "walker " << i;
    }
    // Walker 13 wrapping with dy 0 draws direction, costume, turn and, when it fires, stop.
    t[13] = {64, 64, 128, 192, 639, 200, 12, 0, 8, 0};
    for (std::int32_t s : {1, 77, 123456789}) {
        RandomState a{s, nullptr}, b{s, nullptr};
        Plan(t, a);
        int n = 0;
        for (; b.state != a.state && n < 5; ++n) NextRandom(b);
        EXPECT_TRUE(n >= 3 && n <= 4) << "from state " << s << ": " << n << " draws";
    }
}
