// Long random runs: properties that must hold on every tick, whatever the seed and size.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

#include "parade/frame.h"
#include "render/recording_surface.h"

using namespace virelo;

namespace {

struct RunCase {
    std::int32_t seed;
    Rect client;
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << "seed " << c.seed << ", client " << c.client.right << "x" << c.client.bottom;
}

class LongRun : public ::testing::TestWithParam<RunCase> {};

}  // namespace

TEST_P(LongRun, InvariantsHoldOnEveryTick) {
    const RunCase c = GetParam();
    Parade p;
    p.random.state = c.seed;
    PlaceWalkers(p.walkers, p.random, c.client);
    const Rect stage = StageFor(c.client);
    RecordingSurface s;
    Frame f;
    std::array<int, WalkerCount> wraps{};
    std::array<bool, 2> costumesSeen{};
    for (int tick = 1; tick <= 100000; ++tick) {
        s.events.clear();
        FrameStep(p, s, StageOf(c.client, 1), f);
        ASSERT_TRUE(p.random.state >= 1 && p.random.state <= RandomMax) << p.random.state;
        for (int i = 0; i < WalkerCount; ++i) {
            const Walker& w = p.walkers[i];
            ASSERT_GE(w.y, stage.top) << "walker " << i << " tick " << tick;
            ASSERT_LE(w.y, stage.bottom - 70) << "walker " << i << " tick " << tick;
            ASSERT_GE(w.wait, 0) << "walker " << i << " tick " << tick;
            ASSERT_LE(w.wait, 25) << "walker " << i << " tick " << tick;
            if (w.wait > 0) {
                ASSERT_EQ(w.x, stage.left - 64) << "walker " << i << " tick " << tick << ": waits only off stage";
            }
            ASSERT_LE(w.x, stage.right) << "walker " << i << " tick " << tick;
            ASSERT_TRUE(w.dy == 0 || w.dy == w.vspeed || w.dy == -w.vspeed) << "walker " << i << " tick " << tick << ": dy " << w.dy;
            if (i >= 12 && i <= 15) {
                ASSERT_TRUE(w.sheetY == 192 || w.sheetY == 324) << "walker " << i << " tick " << tick << ": sheetY " << w.sheetY;
                costumesSeen[w.sheetY == 324] = true;
            } else {
                ASSERT_EQ(w.sheetY, 64 * (i / 4)) << "walker " << i << " tick " << tick;
            }
            wraps[i] += w.x == stage.left - 64;
        }
        // Within a group, every erase precedes every draw; a walker is drawn at most once.
        std::array<int, WalkerCount> lastFill{}, firstDraw{}, draws{};
        lastFill.fill(-1);
        firstDraw.fill(1 << 30);
        for (int k = 0; k < static_cast<int>(s.events.size()); ++k) {
            const DrawEvent& e = s.events[k];
            if (e.kind == DrawEvent::Fill) {
                lastFill[e.walker] = k;
            } else if (++draws[e.walker] == 1) {
                firstDraw[e.walker] = k;
            }
        }
        for (int i = 0; i < WalkerCount; ++i) {
            ASSERT_LE(draws[i], 1) << "walker " << i << " tick " << tick;
            if (f.groupId[i] == -1 || draws[i] == 0) continue;
            for (int j = 0; j < WalkerCount; ++j) {
                if (f.groupId[j] != f.groupId[i]) continue;
                ASSERT_LT(lastFill[j], firstDraw[i])
                    << "walker " << i << " drawn before the erase of " << j << ", tick " << tick;
            }
        }
    }
    for (int i = 0; i < WalkerCount; ++i) EXPECT_GT(wraps[i], 0) << "walker " << i << " never wrapped";
    EXPECT_TRUE(costumesSeen[0] && costumesSeen[1]) << "first costume seen " << costumesSeen[0]
                                                    << ", second " << costumesSeen[1];
}

INSTANTIATE_TEST_SUITE_P(
    SeedsAndSizes, LongRun,
    ::testing::Values(RunCase{1, {0, 0, 640, 480}}, RunCase{2147483646, {0, 0, 1920, 1080}},
                      RunCase{123456789, {0, 0, 152, 112}}, RunCase{42, {0, 0, 640, 400}},
                      RunCase{987654, {0, 0, 3840, 2160}}, RunCase{7, {0, 0, 800, 72}}),
    [](const ::testing::TestParamInfo<RunCase>& param) {
        const RunCase& c = param.param;
        return "seed" + std::to_string(c.seed) + "_" + std::to_string(c.client.right) + "x" +
               std::to_string(c.client.bottom);
    });
