#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "parade/frame.h"
#include "render/recording_surface.h"

using namespace virelo;

namespace {

constexpr Rect kClient{0, 0, 640, 480};

WalkerTable AllWaiting(std::int32_t wait) {
    WalkerTable t{};
    for (int i = 0; i < WalkerCount; ++i)
        t[i] = {64, i == 19 ? 70 : 64, 128 * (i % 4), 64 * (i / 4), -64, 100, WalkerStep[i], 0, 8, wait};
    return t;
}

// "f2" is a fill of walker 2, "d2" a transfer that drew it.
std::string Order(const RecordingSurface& s) {
    std::string out;
    for (const DrawEvent& e : s.events)
        out += (out.empty() ? "" : " ") + std::string(e.kind == DrawEvent::Fill ? "f" : "d") + std::to_string(e.walker);
    return out;
}

// Every walker moving, on a grid of touching cells far from the test's own cluster:
// touching is not overlapping, so nobody is grouped unless a test moves them.
WalkerTable Grid() {
    WalkerTable t = AllWaiting(0);
    for (int i = 0; i < WalkerCount; ++i) {
        t[i].x = (i % 10) * 64;
        t[i].y = (i / 10) * 64;
        t[i].height = 64;
    }
    return t;
}

// Runs grouping and both passes with every walker planned to stay where it stands, so
// old and new rectangles coincide.
struct StillRun {
    Frame frame;
    RecordingSurface surface;
    Parade parade;
};

void RunStill(StillRun& run, const WalkerTable& t) {
    run.parade.walkers = t;
    run.parade.random.state = 1;
    BeginFrame(run.frame, {0, 0, 8000, 8000});
    for (int i = 0; i < WalkerCount; ++i) {
        run.frame.plan.planX[i] = t[i].x;
        run.frame.plan.planY[i] = t[i].y;
        run.frame.plan.planDy[i] = t[i].dy;
    }
    GroupOverlaps(run.frame, run.parade.walkers);
    LonePass(run.frame, run.parade, run.surface);
    GroupPass(run.frame, run.parade, run.surface);
}

}  // namespace

TEST(Grouping, OverlapsFormGroupsThatEraseAllBeforeDrawingAny) {
    struct Case {
        const char* what;
        std::vector<std::array<int, 3>> moves;  // walker, x, y
        std::map<int, int> groupOf;
        std::string groupOrder;  // after the lone walkers in index order
    };
    const Case cases[] = {
        {"touching rectangles are not grouped", {}, {}, ""},
        // 5 in the middle; 2 and 3 overlap its upper corners, 7 its bottom edge; 2, 3 and 7
        // do not overlap each other.
        {"a chain of overlaps forms one group",
         {{5, 3000, 3000}, {2, 2940, 2940}, {3, 3060, 2940}, {7, 3000, 3060}},
         {{2, 2}, {3, 2}, {5, 2}, {7, 2}},
         " f2 f3 f5 f7 d2 d3 d5 d7"},
        // 1-4, 2-6 and 4-6 overlap: 1 founds a group with 4, 2 with 6; the 4-6 overlap is
        // found after both are grouped and joins nothing. Group 1 ends before group 2 starts.
        {"two groups are never merged",
         {{4, 3000, 3000}, {1, 2940, 2940}, {6, 3060, 3000}, {2, 3120, 2940}},
         {{1, 1}, {4, 1}, {2, 2}, {6, 2}},
         " f1 f4 d1 d4 f2 f6 d2 d6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WalkerTable t = Grid();
        for (auto [i, x, y] : c.moves) t[i].x = x, t[i].y = y;
        StillRun run;
        RunStill(run, t);
        std::string lone;
        for (int i = 0; i < WalkerCount; ++i) {
            const bool grouped = c.groupOf.contains(i);
            EXPECT_EQ(run.frame.groupId[i], grouped ? c.groupOf.at(i) : -1) << "walker " << i;
            if (!grouped) lone += (lone.empty() ? "f" : " f") + std::to_string(i) + " d" + std::to_string(i);
        }
        EXPECT_EQ(Order(run.surface), lone + c.groupOrder);
    }
}

TEST(Grouping, NewRectanglesCountAndOffStageWalkersAreSkipped) {
    WalkerTable t = Grid();
    Frame f;
    BeginFrame(f, kClient);
    for (int i = 0; i < WalkerCount; ++i) {
        f.plan.planX[i] = t[i].x + 4000 + 100 * i;  // everyone moves far apart
        f.plan.planY[i] = t[i].y;
    }
    f.plan.planX[0] = f.plan.planX[9] + 10;  // 0's new place overlaps 9's new place only
    // 11 stands at the re-entry column: pairs with it as the higher index are never tested.
    t[11].x = -64;
    t[10].x = -64 + 5;
    f.plan.planX[10] = -64 + 20;
    f.plan.planX[11] = -64;
    f.plan.planY[11] = t[10].y;
    GroupOverlaps(f, t);
    EXPECT_EQ(f.groupId[0], 0);
    EXPECT_EQ(f.groupId[9], 0);
    EXPECT_EQ(f.groupId[10], -1) << "11 stands at the re-entry column and is skipped";
    EXPECT_EQ(f.groupId[11], -1);
}

TEST(Redraw, PoseFollowsTheQuotientTowardZeroAndOnlyTheRightEdgeClips) {
    Frame f;
    BeginFrame(f, kClient);
    // x / 12 even (toward zero) shows the second pose, at sheetX + 64.
    for (auto [x, srcX] : {std::pair{96, 192}, {108, 128}, {-4, 192}, {8, 192}, {-64, 128}}) {
        RecordingSurface s;
        ASSERT_TRUE(DrawWalker(f, {64, 64, 128, 64, x, 0, 12, 0, 8, 0}, 1, s));
        EXPECT_EQ(s.events.at(0).transfer.srcX, srcX) << "x " << x;
    }
    for (auto [x, cx] : {std::pair{640, 0}, {640 - 24, 24}, {-64, 64}}) {  // no clip at the left
        RecordingSurface s;
        DrawWalker(f, {64, 70, 384, 256, x, 0, 18, 0, 8, 0}, 19, s);
        ASSERT_EQ(s.events.size(), 1u);
        EXPECT_EQ(s.events[0].transfer.cx, cx) << "x " << x;
        EXPECT_EQ(s.events[0].transfer.cy, 70) << "x " << x;
    }
}

TEST(FrameWorkedExample, OneMovingWalker) {
    struct Case {
        const char* what;
        Walker before;
        Rect erased;
        CellTransfer drawn;
        Walker after;
        std::int32_t state;
    };
    const Case cases[] = {
        {"from the edge without a wrap: one tick of standing still, no pause draw",
         {64, 64, 0, 0, 628, 100, 12, 8, 8, 0}, {628, 100, 692, 164}, {640, 108, 0, 64, 0, 0},
         {64, 64, 0, 0, 640, 108, 12, 0, 8, 0}, 282475249},
        {"a wrap arms a pause of 1622650073 / 85899345 + 1 = 18 ticks",
         {64, 64, 0, 0, 629, 100, 12, 0, 8, 0}, {629, 100, 693, 164}, {-64, 92, 64, 64, 0, 0},
         {64, 64, 0, 0, -64, 92, 12, -8, 8, 18}, 1622650073},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Parade p;
        p.walkers = AllWaiting(3);
        p.walkers[0] = c.before;
        p.random.state = 1;
        RecordingSurface s;
        FrameStep(p, s, StageOf(kClient, 1));
        ASSERT_EQ(s.events.size(), 2u);
        EXPECT_EQ(s.events[0].fill, c.erased);
        EXPECT_EQ(s.events[1].transfer, c.drawn);
        EXPECT_EQ(p.walkers[0], c.after);
        for (int i = 1; i < WalkerCount; ++i) EXPECT_EQ(p.walkers[i].wait, 2) << "walker " << i;
        EXPECT_EQ(p.random.state, c.state);
    }
}

TEST(FrameWorkedExample, FirstTickAfterPlacement) {
    Parade p;
    p.random.state = 1;
    PlaceWalkers(p.walkers, p.random, kClient);
    ASSERT_EQ(p.random.state, 143542612);
    RecordingSurface s;
    FrameStep(p, s, StageOf(kClient, 1));
    EXPECT_FALSE(s.logical);
    EXPECT_EQ(Order(s),
              "f0 d0 f2 d2 f5 d5 f6 d6 f7 d7 f9 d9 f10 d10 f13 d13 f14 d14 f15 d15 f18 d18 "
              "f19 d19 f1 f17 d1 d17 f3 f11 d3 d11 f4 f12 d4 d12 f8 f16 d8 d16");
    const std::pair<int, int> at[] = {
        {12, 40},   {108, 120}, {236, 232}, {578, 312}, {172, 40},  {436, 120}, {588, 232},
        {44, 312},  {346, 38},  {-64, 120}, {398, 232}, {602, 314}, {220, 40},  {572, 120},
        {26, 230},  {144, 312}, {396, 40},  {60, 120},  {152, 229}, {370, 312}};
    for (int i = 0; i < WalkerCount; ++i) {
        EXPECT_EQ(std::pair(p.walkers[i].x, p.walkers[i].y), at[i]) << "walker " << i;
        EXPECT_EQ(p.walkers[i].wait, i == 9 ? 6 : 0) << "walker " << i;
    }
    // Clipped at the right edge: 6, 3 and 11; walker 10 (x 398, dx 14, quotient 28) shows
    // its second pose.
    const std::map<int, int> clipped{{6, 52}, {3, 62}, {11, 38}};
    for (const DrawEvent& e : s.events) {
        if (e.kind != DrawEvent::Draw) continue;
        EXPECT_EQ(e.transfer.cx, clipped.contains(e.walker) ? clipped.at(e.walker) : 64) << "walker " << e.walker;
        if (e.walker == 10) {
            EXPECT_EQ(e.transfer.srcX, 320);
        }
    }
}

TEST(Redraw, LogicalScreenForSmallClients) {
    Parade p;
    p.random.state = 5;
    PlaceWalkers(p.walkers, p.random, {0, 0, 320, 240});
    RecordingSurface s;
    FrameStep(p, s, StageOf({0, 0, 320, 240}, 1));
    EXPECT_TRUE(s.logical);
    int beyondClient = 0;
    for (const DrawEvent& e : s.events)
        beyondClient += e.kind == DrawEvent::Draw && e.transfer.x + e.transfer.cx > 320;
    EXPECT_GT(beyondClient, 0) << "drawing units are the 640 x 480 stage, not the client";
    FrameStep(p, s, StageOf({0, 0, 640, 400}, 1));
    EXPECT_FALSE(s.logical);
}

TEST(Redraw, MissingMaskErasesAndCommitsButDrawsNothing) {
    WalkerTable t = Grid();
    t[5].x = 3000, t[5].y = 3000;
    t[2].x = 2940, t[2].y = 2940;
    StillRun run;
    run.surface.maskMissing = true;
    RunStill(run, t);
    EXPECT_EQ(run.surface.events.size(), 20u) << "every walker's old place erased once, nothing drawn";
    for (const DrawEvent& e : run.surface.events) EXPECT_EQ(e.kind, DrawEvent::Fill);
    EXPECT_EQ(run.frame.drawState[2], DrawState::Erased);
    EXPECT_EQ(run.frame.drawState[5], DrawState::Erased);
    // 18 lone attempts; the sweep from 2 tries 2 and 5, the sweep from 5 tries 5 again.
    EXPECT_EQ(run.surface.attempts, 18 + 2 + 1);
    for (int i = 0; i < WalkerCount; ++i) EXPECT_EQ(run.parade.walkers[i].wait, 0) << "walker " << i;
}
