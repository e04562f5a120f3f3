#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "parade/walkers.h"

using namespace virelo;

namespace {

WalkerTable PlaceFromOne(std::int32_t w, std::int32_t h, RandomState* out = nullptr) {
    RandomState r{1, nullptr};
    WalkerTable t{};
    PlaceWalkers(t, r, {0, 0, w, h});
    if (out) *out = r;
    return t;
}

const std::vector<std::pair<int, int>> kSmallStage = {
    {0, 32},    {96, 128},  {224, 224}, {560, 320}, {160, 32},  {416, 128}, {576, 224},
    {32, 320},  {336, 32},  {640, 128}, {384, 224}, {592, 320}, {208, 32},  {560, 128},
    {16, 224},  {128, 320}, {384, 32},  {48, 128},  {144, 224}, {352, 320}};

}  // namespace

TEST(Placement, LogicalScreenPositionsFromStateOne) {
    // 640 x 480 itself, and clients too small in either direction, use the same stage.
    for (auto [w, h] : {std::pair{640, 480}, {320, 240}, {639, 1000}, {1000, 399}, {152, 112}}) {
        const WalkerTable t = PlaceFromOne(w, h);
        for (int i = 0; i < WalkerCount; ++i) {
            EXPECT_EQ(t[i].x, kSmallStage[i].first) << "walker " << i << " client " << w << "x" << h;
            EXPECT_EQ(t[i].y, kSmallStage[i].second) << "walker " << i << " client " << w << "x" << h;
        }
    }
}

TEST(Placement, LeavesTheTwentiethValueInTheState) {
    RandomState r;
    PlaceFromOne(640, 480, &r);
    EXPECT_EQ(r.state, 143542612);
}

TEST(Placement, LargeClientRowsAndColumns) {
    const WalkerTable t = PlaceFromOne(1024, 768);
    const std::pair<int, int> first7[] = {{0, 32},    {96, 128}, {224, 224}, {560, 320},
                                          {800, 416}, {32, 512}, {192, 608}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(t[i].x, first7[i].first) << "walker " << i;
        EXPECT_EQ(t[i].y, first7[i].second) << "walker " << i;
    }
    EXPECT_EQ(t[7].y, 32) << "704 >= 768 - 70, so the eighth row starts over";
}

TEST(Placement, ExactlyAtTheSizeLimitUsesTheClient) {
    const WalkerTable t = PlaceFromOne(640, 400);
    const int rows[] = {32, 128, 224, 320, 32};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(t[i].y, rows[i]) << "walker " << i;
    EXPECT_FALSE(UsesLogicalScreen({0, 0, 640, 400}));
    EXPECT_TRUE(UsesLogicalScreen({0, 0, 639, 400}));
    EXPECT_TRUE(UsesLogicalScreen({0, 0, 640, 399}));
}

TEST(Placement, RecordFieldsAndConstants) {
    const WalkerTable t = PlaceFromOne(1920, 1080);
    const int vspeed[] = {8, 8, 8, 8, 8, 8, 8, 8, 6, 8, 8, 6, 8, 8, 6, 8, 8, 8, 5, 8};
    for (int i = 0; i < WalkerCount; ++i) {
        EXPECT_EQ(t[i].vspeed, vspeed[i]) << "walker " << i;
        EXPECT_EQ(t[i].dy, i % 2 ? -vspeed[i] : vspeed[i]) << "walker " << i;
        EXPECT_EQ(t[i].sheetX, 128 * (i % 4)) << "walker " << i;
        EXPECT_EQ(t[i].sheetY, 64 * (i / 4)) << "walker " << i;
        EXPECT_EQ(t[i].width, 64);
        EXPECT_EQ(t[i].height, i == 19 ? 70 : 64) << "walker " << i;
        EXPECT_EQ(t[i].wait, 0);
    }
}

TEST(Placement, ReplacingResetsCostumesAndPauses) {
    RandomState r{7, nullptr};
    WalkerTable t{};
    PlaceWalkers(t, r, {0, 0, 800, 600});
    t[13].sheetY = 324;
    t[4].wait = 9;
    t[6].x = -64;
    PlaceWalkers(t, r, {0, 0, 800, 600});
    EXPECT_EQ(t[13].sheetY, 192);
    EXPECT_EQ(t[4].wait, 0);
}

TEST(Placement, TinyClientsStayWithinTheLogicalStage) {
    for (auto [w, h] : {std::pair{1, 1}, {1, 10000}, {10000, 1}}) {
        RandomState r{123456, nullptr};
        WalkerTable t{};
        PlaceWalkers(t, r, {0, 0, w, h});
        for (int i = 0; i < WalkerCount; ++i) {
            EXPECT_GE(t[i].x, 0);
            EXPECT_LE(t[i].x, 640);
            EXPECT_LT(t[i].y, 480 - 70);
        }
    }
}
