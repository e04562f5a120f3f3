// The committed sprites against what the parade reads out of them: the formats the
// resource loader accepts, every pose where the walkers' records point, nothing but black
// under the transparent mask (the sheet is ORed onto the screen there).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "parade/bitmap.h"
#include "parade/walkers.h"

using namespace virelo;

namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CommittedArt : public ::testing::Test {
protected:
    void SetUp() override {
        sheetBytes_ = ReadAll(std::string(VIRELO_RESOURCE_DIR) + "/sheet.bmp");
        maskBytes_ = ReadAll(std::string(VIRELO_RESOURCE_DIR) + "/mask.bmp");
        if (sheetBytes_.empty() || maskBytes_.empty()) GTEST_SKIP() << "no sprites in " << VIRELO_RESOURCE_DIR;
        auto sheet = ReadBitmapFile(sheetBytes_.data(), sheetBytes_.size());
        auto mask = ReadBitmapFile(maskBytes_.data(), maskBytes_.size());
        ASSERT_TRUE(sheet.has_value()) << "sheet.bmp refused by the reader";
        ASSERT_TRUE(mask.has_value()) << "mask.bmp refused by the reader";
        sheet_ = *sheet;
        mask_ = *mask;
    }

    // The sheet's colour at (x, y) top-down, as 0x00RRGGBB.
    std::uint32_t Colour(int x, int y) const {
        const std::uint8_t i = sheet_.pixels[(sheet_.header.height - 1 - y) * sheet_.rowBytes + x];
        const std::uint8_t* q = sheet_.colourTable + 4 * i;
        return std::uint32_t{q[2]} << 16 | std::uint32_t{q[1]} << 8 | q[0];
    }
    bool Transparent(int x, int y) const {
        const std::uint8_t byte = mask_.pixels[(mask_.header.height - 1 - y) * mask_.rowBytes + x / 8];
        return (byte >> (7 - x % 8)) & 1;
    }
    int OpaqueIn(const Rect& r) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += !Transparent(x, y);
        return n;
    }
    // Pixels that would show differently when drawn: mask or, where opaque, colour.
    int Differences(const Rect& a, const Rect& b) const {
        int n = 0;
        for (int y = 0; y < a.bottom - a.top; ++y)
            for (int x = 0; x < a.right - a.left; ++x) {
                const bool ta = Transparent(a.left + x, a.top + y), tb = Transparent(b.left + x, b.top + y);
                n += ta != tb || (!ta && Colour(a.left + x, a.top + y) != Colour(b.left + x, b.top + y));
            }
        return n;
    }

    std::vector<std::uint8_t> sheetBytes_, maskBytes_;
    PackedBitmap sheet_{}, mask_{};
};

}  // namespace

// Header size (40: longer ones get no palette), width, height (positive: bottom-up), depth
// and colours.
auto Format(const PackedBitmap& b) {
    return std::tuple(b.header.size, b.header.width, b.header.height, b.header.bitCount, b.colours);
}

TEST_F(CommittedArt, FormatsAreWhatTheLoaderExpects) {
    EXPECT_EQ(Format(sheet_), std::tuple(40u, 512, 388, std::uint16_t{8}, 256u)) << "sheet";
    const auto palette = MakePalette(sheet_.header, sheet_.colourTable, 4 * sheet_.colours);
    ASSERT_TRUE(palette.has_value()) << "no palette from the sheet";
    EXPECT_EQ(palette->count, 256);

    ASSERT_EQ(Format(mask_), std::tuple(40u, 512, 388, std::uint16_t{1}, 2u)) << "mask";
    const std::vector<std::uint8_t> table(mask_.colourTable, mask_.colourTable + 8);
    EXPECT_EQ(table, (std::vector<std::uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}))
        << "mask colours must be black (opaque) then white (transparent)";
    EXPECT_EQ(MaskRows(mask_).size(), 64u * 388) << "word-aligned mask rows";
}

TEST_F(CommittedArt, SheetIsBlackWhereverTheMaskIsTransparent) {
    int offenders = 0;
    for (int y = 0; y < 388; ++y)
        for (int x = 0; x < 512; ++x)
            if (Transparent(x, y) && Colour(x, y) != 0) {
                if (++offenders <= 5)
                    ADD_FAILURE() << "(" << x << ", " << y << ") is transparent but coloured " << std::hex
                                  << Colour(x, y) << ", expected black";
            }
    EXPECT_EQ(offenders, 0) << "transparent pixels that are not black";
}

TEST_F(CommittedArt, EveryPoseHasAFigureAndTheTwoPosesDiffer) {
    for (int i = 0; i < WalkerCount; ++i)
        for (int costume = 0; costume < 2; ++costume) {
            const auto p = PosesFor(i, costume);
            if (!p) continue;
            const std::string who = "walker " + std::to_string(i) + (costume ? " second costume" : "");
            EXPECT_GT(OpaqueIn(p->first), 0) << who << ": first pose is empty";
            EXPECT_GT(OpaqueIn(p->second), 0) << who << ": second pose is empty";
            EXPECT_GT(Differences(p->first, p->second), 0) << who << ": poses are identical";
        }
}

TEST_F(CommittedArt, CostumesAreDifferentClothes) {
    for (int i = 12; i <= 15; ++i) {
        const auto a = PosesFor(i, 0), b = PosesFor(i, 1);
        ASSERT_TRUE(a && b);
        EXPECT_GT(Differences(a->first, b->first), 0) << "walker " << i << ": both costumes look the same";
    }
}

TEST_F(CommittedArt, TheTallWalkerUsesItsExtraRowsAndTheSharedRowsStayEmpty) {
    const auto tall = PosesFor(TallWalker, 0);
    ASSERT_TRUE(tall.has_value());
    for (const Rect& pose : {tall->first, tall->second}) {
        ASSERT_EQ(pose.bottom - pose.top, 70);
        // Rows 64..67 of the cell belong to walker 19 alone.
        EXPECT_GT(OpaqueIn({pose.left, pose.top + 64, pose.right, CostumeRowSecond}), 0)
            << "walker 19 at x " << pose.left << " draws nothing below its 64th row";
    }
    // Rows 324..325 at x 384..511 are both walker 19's feet and the top of walker 15's
    // second costume: drawn as either, they must add nothing to the other.
    const Rect shared{384, CostumeRowSecond, 512, tall->first.bottom};
    ASSERT_EQ(shared.bottom, 326);
    EXPECT_EQ(OpaqueIn(shared), 0) << "opaque pixels in the shared rows";
    for (int y = shared.top; y < shared.bottom; ++y)
        for (int x = shared.left; x < shared.right; ++x)
            ASSERT_EQ(Colour(x, y), 0u) << "(" << x << ", " << y << ") in the shared rows is coloured";
}
