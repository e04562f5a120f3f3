#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "parade/frame.h"
#include "tools/common/recording_surface.h"

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
    for (const DrawEvent& e : s.events) {
        if (!out.empty()) out += ' ';
        out += (e.kind == DrawEvent::Fill ? 'f' : 'd') + std::to_string(e.walker);
    }
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

TEST(Grouping, TouchingRectanglesAreNotGrouped) {
    StillRun run;
    RunStill(run, Grid());
    for (int i = 0; i < WalkerCount; ++i) EXPECT_EQ(run.frame.groupId[i], -1) << "walker " << i;
    std::string expected;
    for (int i = 0; i < WalkerCount; ++i)
        expected += (i ? " f" : "f") + std::to_string(i) + " d" + std::to_string(i);
    EXPECT_EQ(Order(run.surface), expected);
}

TEST(Grouping, ChainOfOverlapsFormsOneGroup) {
    WalkerTable t = Grid();
    // 5 in the middle; 2 and 3 overlap its upper corners, 7 its bottom edge; 2, 3 and 7
    // do not overlap each other.
    t[5].x = 3000, t[5].y = 3000;
    t[2].x = 2940, t[2].y = 2940;
    t[3].x = 3060, t[3].y = 2940;
    t[7].x = 3000, t[7].y = 3060;
    StillRun run;
    RunStill(run, t);
    for (int i = 0; i < WalkerCount; ++i) {
        const bool member = i == 2 || i == 3 || i == 5 || i == 7;
        EXPECT_EQ(run.frame.groupId[i], member ? 2 : -1) << "walker " << i;
    }
    EXPECT_TRUE(Order(run.surface).ends_with(" f2 f3 f5 f7 d2 d3 d5 d7"))
        << "every erase of the group before every draw, after the lone walkers; got "
        << Order(run.surface);
}

TEST(Grouping, TwoGroupsAreNeverMerged) {
    WalkerTable t = Grid();
    // 1-4, 2-6 and 4-6 overlap: 1 founds a group with 4, 2 with 6; the 4-6 overlap is
    // found after both are grouped and joins nothing.
    t[4].x = 3000, t[4].y = 3000;
    t[1].x = 2940, t[1].y = 2940;
    t[6].x = 3060, t[6].y = 3000;
    t[2].x = 3120, t[2].y = 2940;
    StillRun run;
    RunStill(run, t);
    EXPECT_EQ(run.frame.groupId[1], 1);
    EXPECT_EQ(run.frame.groupId[4], 1);
    EXPECT_EQ(run.frame.groupId[2], 2);
    EXPECT_EQ(run.frame.groupId[6], 2);
    EXPECT_TRUE(Order(run.surface).ends_with(" f1 f4 d1 d4 f2 f6 d2 d6"))
        << "group 1 finished before group 2 starts; got " << Order(run.surface);
}

TEST(Grouping, NewRectanglesCountAndOffStageWalkersAreSkipped) {
    WalkerTable t = Grid();
    Frame f;
    BeginFrame(f, kClient);
    for (int i = 0; i < WalkerCount; ++i) {
        f.plan.planX[i] = t[i].x + 4000 + 100 * i;  // everyone moves far apart
        f.plan.planY[i] = t[i].y;
    }
    // 0's new place overlaps 9's new place only.
    f.plan.planX[0] = f.plan.planX[9] + 10;
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

TEST(Redraw, PoseFollowsTheQuotientTowardZero) {
    Frame f;
    BeginFrame(f, kClient);
    RecordingSurface s;
    Walker w{64, 64, 128, 64, 96, 0, 12, 0, 8, 0};
    const std::pair<int, int> cases[] = {{96, 192}, {108, 128}, {-4, 192}, {8, 192}, {-64, 128}};
    for (auto [x, srcX] : cases) {
        w.x = x;
        s.events.clear();
        ASSERT_TRUE(DrawWalker(f, w, 1, s));
        EXPECT_EQ(s.events.at(0).transfer.srcX, srcX) << "x " << x;
    }
}

TEST(Redraw, ClipsAtTheRightEdgeOnly) {
    Frame f;
    BeginFrame(f, kClient);
    RecordingSurface s;
    Walker w{64, 70, 384, 256, 640, 0, 18, 0, 8, 0};
    DrawWalker(f, w, 19, s);
    w.x = 640 - 24;
    DrawWalker(f, w, 19, s);
    w.x = -64;
    DrawWalker(f, w, 19, s);
    ASSERT_EQ(s.events.size(), 3u);
    EXPECT_EQ(s.events[0].transfer.cx, 0);
    EXPECT_EQ(s.events[1].transfer.cx, 24);
    EXPECT_EQ(s.events[2].transfer.cx, 64) << "no clip at the left";
    EXPECT_EQ(s.events[1].transfer.cy, 70);
}

TEST(FrameWorkedExample, FromTheEdgeWithoutWrap) {
    Parade p;
    p.walkers = AllWaiting(3);
    p.walkers[0] = {64, 64, 0, 0, 628, 100, 12, 8, 8, 0};
    p.random.state = 1;
    RecordingSurface s;
    FrameStep(p, s, kClient);
    ASSERT_EQ(s.events.size(), 2u);
    EXPECT_EQ(s.events[0].fill, (Rect{628, 100, 692, 164}));
    EXPECT_EQ(s.events[1].transfer, (CellTransfer{640, 108, 0, 64, 0, 0}));
    EXPECT_EQ(p.walkers[0], (Walker{64, 64, 0, 0, 640, 108, 12, 0, 8, 0}));
    for (int i = 1; i < WalkerCount; ++i) EXPECT_EQ(p.walkers[i].wait, 2) << "walker " << i;
    EXPECT_EQ(p.random.state, 282475249) << "no pause draw";
}

TEST(FrameWorkedExample, WrapArmsAPause) {
    Parade p;
    p.walkers = AllWaiting(3);
    p.walkers[0] = {64, 64, 0, 0, 629, 100, 12, 0, 8, 0};
    p.random.state = 1;
    RecordingSurface s;
    FrameStep(p, s, kClient);
    ASSERT_EQ(s.events.size(), 2u);
    EXPECT_EQ(s.events[0].fill, (Rect{629, 100, 693, 164}));
    EXPECT_EQ(s.events[1].transfer, (CellTransfer{-64, 92, 64, 64, 0, 0}));
    EXPECT_EQ(p.walkers[0], (Walker{64, 64, 0, 0, -64, 92, 12, -8, 8, 18}));
    EXPECT_EQ(p.random.state, 1622650073);
}

TEST(FrameWorkedExample, FirstTickAfterPlacement) {
    Parade p;
    p.random.state = 1;
    PlaceWalkers(p.walkers, p.random, kClient);
    ASSERT_EQ(p.random.state, 143542612);
    RecordingSurface s;
    FrameStep(p, s, kClient);
    EXPECT_FALSE(s.logical);

    EXPECT_EQ(Order(s),
              "f0 d0 f2 d2 f5 d5 f6 d6 f7 d7 f9 d9 f10 d10 f13 d13 f14 d14 f15 d15 f18 d18 "
              "f19 d19 f1 f17 d1 d17 f3 f11 d3 d11 f4 f12 d4 d12 f8 f16 d8 d16");
    const std::pair<int, int> at[] = {
        {12, 40},   {108, 120}, {236, 232}, {578, 312}, {172, 40},  {436, 120}, {588, 232},
        {44, 312},  {346, 38},  {-64, 120}, {398, 232}, {602, 314}, {220, 40},  {572, 120},
        {26, 230},  {144, 312}, {396, 40},  {60, 120},  {152, 229}, {370, 312}};
    for (int i = 0; i < WalkerCount; ++i) {
        EXPECT_EQ(p.walkers[i].x, at[i].first) << "walker " << i;
        EXPECT_EQ(p.walkers[i].y, at[i].second) << "walker " << i;
        EXPECT_EQ(p.walkers[i].wait, i == 9 ? 6 : 0) << "walker " << i;
    }
    for (const DrawEvent& e : s.events) {
        if (e.kind != DrawEvent::Draw) continue;
        const int expectedWidth = e.walker == 6 ? 52 : e.walker == 3 ? 62 : e.walker == 11 ? 38 : 64;
        EXPECT_EQ(e.transfer.cx, expectedWidth) << "walker " << e.walker;
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
    FrameStep(p, s, {0, 0, 320, 240});
    EXPECT_TRUE(s.logical);
    bool sawBeyondClient = false;
    for (const DrawEvent& e : s.events)
        if (e.kind == DrawEvent::Draw && e.transfer.x + e.transfer.cx > 320) sawBeyondClient = true;
    EXPECT_TRUE(sawBeyondClient) << "drawing units are the 640 x 480 stage, not the client";
    FrameStep(p, s, {0, 0, 640, 400});
    EXPECT_FALSE(s.logical);
}

TEST(Redraw, MissingMaskErasesAndCommitsButDrawsNothing) {
    WalkerTable t = Grid();
    t[5].x = 3000, t[5].y = 3000;
    t[2].x = 2940, t[2].y = 2940;
    StillRun run;
    run.surface.maskMissing = true;
    RunStill(run, t);
    for (const DrawEvent& e : run.surface.events) EXPECT_EQ(e.kind, DrawEvent::Fill);
    EXPECT_EQ(run.surface.events.size(), 20u) << "every walker's old place erased once";
    EXPECT_EQ(run.frame.drawState[2], DrawState::Erased);
    EXPECT_EQ(run.frame.drawState[5], DrawState::Erased);
    // 18 lone attempts; the sweep from 2 tries 2 and 5, the sweep from 5 tries 5 again.
    EXPECT_EQ(run.surface.attempts, 18 + 2 + 1);
    for (int i = 0; i < WalkerCount; ++i) EXPECT_EQ(run.parade.walkers[i].wait, 0);
}
