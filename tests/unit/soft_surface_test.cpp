#include "tools/common/soft_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/unit/dib_builder.h"

using namespace virelo;
using virelo::test::DibFields;
using virelo::test::MakeDib;

namespace {

std::string Hex(Pixel p) {
    char s[16];
    std::snprintf(s, sizeof s, "%06X", p);
    return s;
}

// Keeps the bytes a PackedBitmap points into alive.
struct Sprite {
    std::vector<std::uint8_t> bytes;
    PackedBitmap bmp;
};

// A table shorter than the depth allows is declared as such.
Sprite Build(DibFields f, const std::vector<std::uint32_t>& table,
             const std::function<std::uint32_t(int, int)>& value) {
    if (f.clrUsed == 0 && f.bitCount != 24 && table.size() < (1u << f.bitCount))
        f.clrUsed = static_cast<std::uint32_t>(table.size());
    Sprite s{MakeDib(f, table, value), {}};
    const auto bmp = ReadPackedBitmap(s.bytes.data(), s.bytes.size());
    EXPECT_TRUE(bmp.has_value()) << "test bitmap refused";
    if (bmp) s.bmp = *bmp;
    return s;
}

DibFields Fields(std::int32_t w, std::int32_t h, std::uint16_t bits) {
    DibFields f;
    f.width = w;
    f.height = h;
    f.bitCount = bits;
    return f;
}

constexpr Pixel Navy = 0x102030, Red = 0xFF0000, Blue = 0x0000F0;

// An 8 x 1 sheet: columns 0..3 an opaque navy backdrop; column 4 opaque red, 5 transparent
// black, 6 transparent but blue in the sheet, 7 opaque black.
struct TestSprites {
    Sprite sheet = Build(Fields(8, 1, 8), {0, Navy, Red, Blue},
                         [](int x, int) { return std::uint32_t(x < 4 ? 1 : x == 4 ? 2 : x == 6 ? 3 : 0); });
    Sprite mask = Build(Fields(8, 1, 1), {0x000000, 0xFFFFFF},
                        [](int x, int) { return std::uint32_t(x == 5 || x == 6); });
};

// A sheet whose pixel (x, y) has the colour x + 16 y + 1, fully opaque.
struct NumberedSprites {
    Sprite sheet = Build(Fields(16, 16, 24), {}, [](int x, int y) { return std::uint32_t(x + 16 * y + 1); });
    Sprite mask = Build(Fields(16, 16, 1), {0, 0xFFFFFF}, [](int, int) { return 0u; });
};

SoftSurface Loaded(std::int32_t w, std::int32_t h, const Sprite& sheet, const Sprite& mask) {
    SoftSurface s(w, h);
    s.LoadSheet(sheet.bmp);
    EXPECT_TRUE(s.LoadMask(mask.bmp));
    s.BeginFrame({0, 0, w, h}, false);
    return s;
}

std::vector<Pixel> Row(const Image& img, std::int32_t y) {
    return {img.pixels.begin() + y * img.width, img.pixels.begin() + (y + 1) * img.width};
}

}  // namespace

// --- The masked transfer -----------------------------------------------------------------

TEST(SoftSurface, AndsTheMaskThenOrsTheSheet) {
    TestSprites sp;
    SoftSurface s = Loaded(4, 1, sp.sheet, sp.mask);
    ASSERT_TRUE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));
    ASSERT_TRUE(s.DrawCell(0, {0, 0, 4, 1, 4, 0}));
    const auto got = Row(s.Picture(), 0);
    // Opaque red replaces; transparent black keeps navy; transparent blue is ORed onto
    // navy, as the two raster operations do; opaque black clears.
    const std::vector<Pixel> want{Red, Navy, Navy | Blue, 0};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Hex(got[x]), Hex(want[x])) << "pixel " << x;
}

TEST(SoftSurface, WithoutAMaskNothingIsDrawn) {
    TestSprites sp;
    SoftSurface s(4, 1);
    s.LoadSheet(sp.sheet.bmp);
    s.BeginFrame({0, 0, 4, 1}, false);
    EXPECT_FALSE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));
    for (Pixel p : s.Picture().pixels) EXPECT_EQ(Hex(p), Hex(0)) << "drawn without a mask";

    // A mask of another depth is refused and leaves the surface without one.
    const Sprite colourMask = Build(Fields(8, 1, 8), {0, 0xFFFFFF}, [](int, int) { return 0u; });
    EXPECT_FALSE(s.LoadMask(colourMask.bmp));
    EXPECT_FALSE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));
}

// A source beyond the sheet (and a surface with no sheet at all) ORs nothing: the mask
// alone cuts the silhouette.
TEST(SoftSurface, PastTheSheetOnlyTheMaskIsApplied) {
    TestSprites sp;
    const Sprite tinySheet = Build(Fields(1, 1, 8), {Red}, [](int, int) { return 0u; });
    SoftSurface s = Loaded(4, 1, sp.sheet, sp.mask);
    ASSERT_TRUE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));  // navy backdrop
    s.LoadSheet(tinySheet.bmp);
    ASSERT_TRUE(s.DrawCell(0, {0, 0, 4, 1, 4, 0}));
    const std::vector<Pixel> want{0, Navy, Navy, 0};
    const auto got = Row(s.Picture(), 0);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Hex(got[x]), Hex(want[x])) << "pixel " << x;
}

TEST(SoftSurface, ReadsEveryDepthThroughItsColours) {
    const std::vector<std::uint32_t> table{0x000000, 0x112233, 0x445566, 0x778899};
    const Sprite mask = Build(Fields(4, 1, 1), {0, 0xFFFFFF}, [](int, int) { return 0u; });
    for (std::uint16_t bits : {std::uint16_t{1}, std::uint16_t{4}, std::uint16_t{8}, std::uint16_t{24}}) {
        // Index x % 2 or x % 4; at 24 bits the table's colours themselves. Index 3 is past
        // a 3-entry table at 4 and 8 bits and must come out black.
        DibFields f = Fields(4, 1, bits);
        f.clrUsed = bits == 1 ? 0 : bits == 24 ? 0 : 3;
        const auto used = bits == 24 ? std::vector<std::uint32_t>{} : bits == 1 ? std::vector<std::uint32_t>{table[0], table[1]}
                                                                                : std::vector<std::uint32_t>{table[0], table[1], table[2]};
        const Sprite sheet = Build(f, used, [&](int x, int) { return bits == 24 ? table[x] : bits == 1 ? std::uint32_t(x % 2) : std::uint32_t(x); });
        SoftSurface s = Loaded(4, 1, sheet, mask);
        ASSERT_TRUE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));
        const std::vector<Pixel> want = bits == 1    ? std::vector<Pixel>{0, 0x112233, 0, 0x112233}
                                        : bits == 24 ? table
                                                     : std::vector<Pixel>{0, 0x112233, 0x445566, 0};
        const auto got = Row(s.Picture(), 0);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Hex(got[x]), Hex(want[x])) << bits << " bits, pixel " << x;
    }
}

// --- Clipping -----------------------------------------------------------------------------

TEST(SoftSurface, ClipsTransfersToTheSurfaceAndTheSprites) {
    NumberedSprites sp;
    struct Case { const char* what; CellTransfer t; std::vector<std::pair<int, int>> painted; Pixel firstColour; };
    const Case cases[] = {
        {"fully left of the surface", {-64, 0, 64, 4, 0, 0}, {}, 0},
        {"zero width", {2, 2, 0, 4, 0, 0}, {}, 0},
        {"negative width", {2, 2, -3, 4, 0, 0}, {}, 0},
        {"partly left", {-3, 0, 5, 1, 4, 0}, {{0, 0}, {1, 0}}, 4 + 3 + 1},
        {"partly above", {0, -2, 1, 3, 0, 5}, {{0, 0}}, 16 * 7 + 1},
        {"past the right and bottom", {8, 9, 8, 8, 0, 0}, {{8, 9}, {9, 9}}, 1},
        {"source left of the sprites", {0, 0, 3, 1, -2, 0}, {{2, 0}}, 1},
        {"source past the sprites", {0, 0, 4, 1, 14, 15}, {{0, 0}, {1, 0}}, 14 + 16 * 15 + 1},
        {"far away", {2147483000, -2147483000, 2000, 2000, 0, 0}, {}, 0},
    };
    for (const Case& c : cases) {
        SoftSurface s = Loaded(10, 10, sp.sheet, sp.mask);
        EXPECT_TRUE(s.DrawCell(0, c.t)) << c.what;
        const Image& img = s.Picture();
        int count = 0;
        for (std::int32_t y = 0; y < 10; ++y)
            for (std::int32_t x = 0; x < 10; ++x) count += img.At(x, y) != 0;
        EXPECT_EQ(count, static_cast<int>(c.painted.size())) << c.what << ": pixels painted";
        for (auto [x, y] : c.painted) EXPECT_NE(img.At(x, y), 0u) << c.what << ": (" << x << ", " << y << ") unpainted";
        if (!c.painted.empty()) {
            EXPECT_EQ(Hex(img.At(c.painted[0].first, c.painted[0].second)), Hex(c.firstColour)) << c.what;
        }
    }
}

TEST(SoftSurface, EraseFillsBlackInsideTheSurfaceOnly) {
    NumberedSprites sp;
    SoftSurface s = Loaded(10, 10, sp.sheet, sp.mask);
    ASSERT_TRUE(s.DrawCell(0, {0, 0, 10, 10, 0, 0}));
    s.Erase(0, {-5, 8, 3, 20});
    s.Erase(0, {9, -5, 40, 2});
    s.Erase(0, {4, 4, 4, 9});  // empty
    const Image& img = s.Picture();
    for (std::int32_t y = 0; y < 10; ++y)
        for (std::int32_t x = 0; x < 10; ++x) {
            const bool erased = (x < 3 && y >= 8) || (x == 9 && y < 2);
            EXPECT_EQ(img.At(x, y) == 0, erased) << "(" << x << ", " << y << ") is " << Hex(img.At(x, y));
        }
}

TEST(SoftSurface, ThePictureOutlivesFramesUntilTheClientChanges) {
    NumberedSprites sp;
    SoftSurface s = Loaded(10, 10, sp.sheet, sp.mask);
    ASSERT_TRUE(s.DrawCell(0, {3, 3, 2, 2, 0, 0}));
    s.EndFrame();
    s.BeginFrame({0, 0, 10, 10}, false);
    s.EndFrame();
    EXPECT_EQ(Hex(s.Picture().At(3, 3)), Hex(1)) << "a new frame cleared the picture";
    s.BeginFrame({0, 0, 12, 6}, false);
    const Image& img = s.Picture();
    ASSERT_EQ(img.width, 12);
    ASSERT_EQ(img.height, 6);
    for (Pixel p : img.pixels) ASSERT_EQ(p, 0u) << "a resized client kept old pixels";
}

// --- The logical screen ----------------------------------------------------------------------

TEST(ScaleAveraging, AveragesEachCoveredArea) {
    Image three(3, 1);
    three.pixels = {0x000000, 0x030303, 0x090909};
    Image two(2, 1);
    ScaleAveraging(three, two);  // 2/3 of one pixel and 1/3 of the next
    EXPECT_EQ(Hex(two.At(0, 0)), Hex(0x010101));
    EXPECT_EQ(Hex(two.At(1, 0)), Hex(0x070707));

    Image up(3, 1);
    Image pair(2, 1);
    pair.pixels = {0x0000FF, 0xFF0000};
    ScaleAveraging(pair, up);  // the middle pixel straddles both halves
    EXPECT_EQ(Hex(up.At(0, 0)), Hex(0x0000FF));
    EXPECT_EQ(Hex(up.At(1, 0)), Hex(0x800080));
    EXPECT_EQ(Hex(up.At(2, 0)), Hex(0xFF0000));

    Image same(3, 1);
    ScaleAveraging(three, same);
    EXPECT_EQ(same.pixels, three.pixels) << "scaling to the same size changed the picture";
}

TEST(ScaleAveraging, KeepsAFlatColourFlatAtAnySize) {
    Image stage(640, 480);
    std::fill(stage.pixels.begin(), stage.pixels.end(), 0x7B2DE1);
    for (auto [w, h] : {std::pair{152, 112}, {320, 240}, {1000, 300}, {639, 481}, {1, 1}}) {
        Image out(w, h);
        ScaleAveraging(stage, out);
        for (Pixel p : out.pixels) ASSERT_EQ(Hex(p), "7B2DE1") << "at " << w << " x " << h;
    }
}

TEST(SoftSurface, LogicalScreenDrawsTheStageAndShowsItAveraged) {
    // A 2 x 2 checker of white and black: each halved client pixel sees half white.
    const Sprite sheet = Build(Fields(64, 64, 8), {0, 0xFFFFFF}, [](int x, int y) { return std::uint32_t((x + y) % 2); });
    const Sprite mask = Build(Fields(64, 64, 1), {0, 0xFFFFFF}, [](int, int) { return 0u; });
    SoftSurface s(320, 240);
    s.LoadSheet(sheet.bmp);
    ASSERT_TRUE(s.LoadMask(mask.bmp));
    s.BeginFrame({0, 0, 320, 240}, true);
    ASSERT_EQ(s.Canvas().width, 640);
    ASSERT_EQ(s.Canvas().height, 480);
    ASSERT_TRUE(s.DrawCell(0, {600, 400, 64, 64, 0, 0}));  // runs off the stage's right edge
    s.EndFrame();
    const Image& img = s.Picture();
    ASSERT_EQ(img.width, 320);
    ASSERT_EQ(img.height, 240);
    EXPECT_EQ(Hex(img.At(300, 200)), "808080");
    EXPECT_EQ(Hex(img.At(319, 239)), Hex(0)) << "below the 64-high cell";
    EXPECT_EQ(Hex(img.At(319, 231)), "808080");
    EXPECT_EQ(Hex(img.At(299, 200)), Hex(0)) << "left of the cell";

    s.BeginFrame({0, 0, 320, 240}, true);
    s.Erase(0, {600, 400, 640, 480});
    EXPECT_EQ(Hex(s.Picture().At(300, 200)), Hex(0)) << "an erase on the stage did not reach the picture";
}

// --- Under the parade ----------------------------------------------------------------------------

// With every sprite pixel opaque and non-black, whatever is lit on the surface after any
// tick lies inside some walker's present rectangle: each move erases where it stood.
TEST(SoftSurface, TheParadeLeavesNoTrails) {
    const Sprite sheet = Build(Fields(512, 388, 8), {0, 0x808080}, [](int, int) { return 1u; });
    const Sprite mask = Build(Fields(512, 388, 1), {0, 0xFFFFFF}, [](int, int) { return 0u; });
    for (const Rect client : {Rect{0, 0, 800, 600}, Rect{0, 0, 320, 240}}) {
        Parade parade;
        parade.random.state = 4242;
        PlaceWalkers(parade.walkers, parade.random, client);
        SoftSurface s(client.right, client.bottom);
        s.LoadSheet(sheet.bmp);
        ASSERT_TRUE(s.LoadMask(mask.bmp));
        for (int tick = 1; tick <= 200; ++tick) {
            FrameStep(parade, s, client);
            const Image& canvas = s.Canvas();
            ASSERT_EQ(s.Logical(), client.right < 640);
            std::vector<std::uint8_t> covered(canvas.pixels.size(), 0);
            for (const Walker& w : parade.walkers)
                for (std::int32_t y = std::max(w.y, 0); y < std::min(w.y + w.height, canvas.height); ++y)
                    for (std::int32_t x = std::max(w.x, 0); x < std::min(w.x + w.width, canvas.width); ++x)
                        covered[static_cast<std::size_t>(y) * canvas.width + x] = 1;
            int stray = 0;
            for (std::size_t k = 0; k < covered.size(); ++k) stray += canvas.pixels[k] != 0 && !covered[k];
            ASSERT_EQ(stray, 0) << "lit pixels outside every walker after tick " << tick << " on "
                                << client.right << " x " << client.bottom;
        }
    }
}
