#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "parade/walkers.h"

using namespace virelo;

namespace {

WalkerTable Place(std::int32_t w, std::int32_t h, RandomState& r) {
    WalkerTable t{};
    PlaceWalkers(t, r, {0, 0, w, h});
    return t;
}
WalkerTable PlaceFromOne(std::int32_t w, std::int32_t h) {
    RandomState r{1, nullptr};
    return Place(w, h, r);
}

// "x,y x,y ..." of the first n walkers: a failure shows the whole row.
std::string Positions(const WalkerTable& t, int n = WalkerCount) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i ? " " : "") + std::to_string(t[i].x) + "," + std::to_string(t[i].y);
    return out;
}

}  // namespace

TEST(Placement, PositionsFromStateOne) {
    const std::string stage =
        "0,32 96,128 224,224 560,320 160,32 416,128 576,224 32,320 336,32 640,128 384,224 "
        "592,320 208,32 560,128 16,224 128,320 384,32 48,128 144,224 352,320";
    // 640 x 480 itself, and clients too small in either direction, use the same stage.
    for (auto [w, h] : {std::pair{640, 480}, {320, 240}, {639, 1000}, {1000, 399}, {152, 112}})
        EXPECT_EQ(Positions(PlaceFromOne(w, h)), stage) << "client " << w << "x" << h;

    // A large client: columns wrap at its width, rows go on down to it.
    const WalkerTable large = PlaceFromOne(1024, 768);
    EXPECT_EQ(Positions(large, 7), "0,32 96,128 224,224 560,320 800,416 32,512 192,608");
    EXPECT_EQ(large[7].y, 32) << "704 >= 768 - 70, so the eighth row starts over";

    // Exactly 640 x 400 is the client itself: the fifth row 416 >= 400 - 70 starts over.
    EXPECT_EQ(Positions(PlaceFromOne(640, 400), 5), "0,32 96,128 224,224 560,320 160,32");
    EXPECT_FALSE(UsesLogicalScreen({0, 0, 640, 400}));
    EXPECT_TRUE(UsesLogicalScreen({0, 0, 639, 400}));
    EXPECT_TRUE(UsesLogicalScreen({0, 0, 640, 399}));
}

// Whole zoom steps only; the logical-screen test applies to the client in zoomed units.
TEST(Placement, ZoomFromDpiAndTheZoomedStage) {
    for (auto [dpi, zoom] : {std::pair{0, 1}, {72, 1}, {96, 1}, {144, 1}, {191, 1}, {192, 2}, {287, 2}, {288, 3}})
        EXPECT_EQ(ZoomFor(dpi), zoom) << dpi << " dpi";
    EXPECT_EQ(ZoomedClient({0, 0, 1281, 801}, 2), (Rect{0, 0, 640, 400}));
    EXPECT_FALSE(UsesLogicalScreen(ZoomedClient({0, 0, 1280, 800}, 2)));
    EXPECT_TRUE(UsesLogicalScreen(ZoomedClient({0, 0, 1024, 768}, 2)));
    EXPECT_EQ(ZoomedClient({0, 0, 1824, 768}, 1), (Rect{0, 0, 1824, 768}));
}

TEST(Placement, DrawsOneValuePerWalker) {
    RandomState r{1, nullptr};
    Place(640, 480, r);
    EXPECT_EQ(r.state, 143542612) << "the twentieth value from state 1";
}

TEST(Placement, RecordFields) {
    const WalkerTable t = PlaceFromOne(1920, 1080);
    const int vspeed[] = {8, 8, 8, 8, 8, 8, 8, 8, 6, 8, 8, 6, 8, 8, 6, 8, 8, 8, 5, 8};
    for (int i = 0; i < WalkerCount; ++i) {
        SCOPED_TRACE("walker " + std::to_string(i));
        EXPECT_EQ(t[i].vspeed, vspeed[i]);
        EXPECT_EQ(t[i].dy, i % 2 ? -vspeed[i] : vspeed[i]);
        EXPECT_EQ(t[i].sheetX, 128 * (i % 4));
        EXPECT_EQ(t[i].sheetY, 64 * (i / 4));
        EXPECT_EQ(t[i].width, 64);
        EXPECT_EQ(t[i].height, i == 19 ? 70 : 64);
        EXPECT_EQ(t[i].wait, 0);
    }
}

TEST(Placement, ReplacingResetsCostumesAndPauses) {
    RandomState r{7, nullptr};
    WalkerTable t = Place(800, 600, r);
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
        const WalkerTable t = Place(w, h, r);
        for (int i = 0; i < WalkerCount; ++i) {
            EXPECT_TRUE(t[i].x >= 0 && t[i].x <= 640) << "walker " << i << " x " << t[i].x;
            EXPECT_LT(t[i].y, 480 - 70) << "walker " << i;
        }
    }
}
