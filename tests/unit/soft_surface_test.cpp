#include "render/soft_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "parade/session.h"
#include "render/sprites.h"
#include "tests/unit/dib_builder.h"

using namespace virelo;
using virelo::test::DibFields;
using virelo::test::MakeDib;

namespace {

// A stage drawn unscaled, whatever its size: small surfaces keep the test pictures small.
Stage Plain(const Rect& client, std::int32_t zoom) {
    const Rect units = ZoomedClient(client, zoom);
    return {client, zoom, units, false, units};
}

std::string Hex(Pixel p) {
    char s[16];
    std::snprintf(s, sizeof s, "%06X", p);
    return s;
}
std::vector<std::string> Hex(const std::vector<Pixel>& row) {
    std::vector<std::string> out;
    for (Pixel p : row) out.push_back(Hex(p));
    return out;
}

// Keeps the bytes a PackedBitmap points into alive.
struct Sprite {
    std::vector<std::uint8_t> bytes;
    PackedBitmap bmp;
};

// A w x h bitmap; a table shorter than the depth allows is declared as such.
Sprite Build(std::int32_t w, std::int32_t h, std::uint16_t bits, const std::vector<std::uint32_t>& table,
             const std::function<std::uint32_t(int, int)>& value) {
    DibFields f{.width = w, .height = h, .bitCount = bits};
    if (bits != 24 && table.size() < (1u << bits)) f.clrUsed = static_cast<std::uint32_t>(table.size());
    Sprite s{MakeDib(f, table, value), {}};
    const auto bmp = ReadPackedBitmap(s.bytes.data(), s.bytes.size());
    EXPECT_TRUE(bmp.has_value()) << "test bitmap refused";
    if (bmp) s.bmp = *bmp;
    return s;
}
// A mask with every pixel opaque.
Sprite Opaque(std::int32_t w, std::int32_t h) { return Build(w, h, 1, {0, 0xFFFFFF}, [](int, int) { return 0u; }); }

// A client of w x h whose sprites are a 64 x 64 white-and-black checker, fully opaque.
SoftSurface CheckerSurface(std::int32_t w, std::int32_t h) {
    const Sprite sheet = Build(64, 64, 8, {0, 0xFFFFFF}, [](int x, int y) { return std::uint32_t((x + y) % 2); });
    SoftSurface s(w, h);
    s.LoadSheet(sheet.bmp);
    EXPECT_TRUE(s.LoadMask(Opaque(64, 64).bmp));
    return s;
}

constexpr Pixel Navy = 0x102030, Red = 0xFF0000, Blue = 0x0000F0;

// An 8 x 1 sheet: columns 0..3 an opaque navy backdrop; column 4 opaque red, 5 transparent
// black, 6 transparent but blue in the sheet, 7 opaque black.
struct TestSprites {
    Sprite sheet = Build(8, 1, 8, {0, Navy, Red, Blue},
                         [](int x, int) { return std::uint32_t(x < 4 ? 1 : x == 4 ? 2 : x == 6 ? 3 : 0); });
    Sprite mask = Build(8, 1, 1, {0x000000, 0xFFFFFF}, [](int x, int) { return std::uint32_t(x == 5 || x == 6); });
};

// A sheet whose pixel (x, y) has the colour x + 16 y + 1, fully opaque.
struct NumberedSprites {
    Sprite sheet = Build(16, 16, 24, {}, [](int x, int y) { return std::uint32_t(x + 16 * y + 1); });
    Sprite mask = Opaque(16, 16);
};

SoftSurface Loaded(std::int32_t w, std::int32_t h, const Sprite& sheet, const Sprite& mask) {
    SoftSurface s(w, h);
    s.LoadSheet(sheet.bmp);
    EXPECT_TRUE(s.LoadMask(mask.bmp));
    s.BeginFrame(Plain({0, 0, w, h}, 1));
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
    // Opaque red replaces; transparent black keeps navy; transparent blue is ORed onto
    // navy, as the two raster operations do; opaque black clears.
    EXPECT_EQ(Hex(Row(s.Picture(), 0)), Hex({Red, Navy, Navy | Blue, 0}));

    // A source beyond the sheet (or no sheet at all) ORs nothing: the mask alone cuts the
    // silhouette out of the navy backdrop.
    const Sprite tinySheet = Build(1, 1, 8, {Red}, [](int, int) { return 0u; });
    ASSERT_TRUE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));
    s.LoadSheet(tinySheet.bmp);
    ASSERT_TRUE(s.DrawCell(0, {0, 0, 4, 1, 4, 0}));
    EXPECT_EQ(Hex(Row(s.Picture(), 0)), Hex({0, Navy, Navy, 0}));
}

TEST(SoftSurface, WithoutAMaskNothingIsDrawn) {
    TestSprites sp;
    SoftSurface s(4, 1);
    s.LoadSheet(sp.sheet.bmp);
    s.BeginFrame(Plain({0, 0, 4, 1}, 1));
    EXPECT_FALSE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));
    EXPECT_EQ(Hex(s.Picture().pixels), Hex({0, 0, 0, 0})) << "drawn without a mask";

    // A mask of another depth is refused and leaves the surface without one.
    const Sprite colourMask = Build(8, 1, 8, {0, 0xFFFFFF}, [](int, int) { return 0u; });
    EXPECT_FALSE(s.LoadMask(colourMask.bmp));
    EXPECT_FALSE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));
}

TEST(SoftSurface, ReadsEveryDepthThroughItsColours) {
    const Pixel c1 = 0x112233, c2 = 0x445566, c3 = 0x778899;
    struct Case { std::uint16_t bits; std::vector<std::uint32_t> table; std::vector<Pixel> want; };
    // Pixel x holds index x % 2 at 1 bit and x at 4 and 8 bits, where index 3 is past the
    // 3-entry table and comes out black; at 24 bits the colours themselves.
    for (const Case& c : {Case{1, {0, c1}, {0, c1, 0, c1}}, Case{4, {0, c1, c2}, {0, c1, c2, 0}},
                          Case{8, {0, c1, c2}, {0, c1, c2, 0}}, Case{24, {}, {0, c1, c2, c3}}}) {
        const std::uint16_t bits = c.bits;
        const Sprite sheet = Build(4, 1, bits, c.table, [&](int x, int) {
            return bits == 24 ? std::vector<Pixel>{0, c1, c2, c3}[x] : std::uint32_t(bits == 1 ? x % 2 : x);
        });
        SoftSurface s = Loaded(4, 1, sheet, Opaque(4, 1));
        ASSERT_TRUE(s.DrawCell(0, {0, 0, 4, 1, 0, 0}));
        EXPECT_EQ(Hex(Row(s.Picture(), 0)), Hex(c.want)) << bits << " bits";
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
        SCOPED_TRACE(c.what);
        SoftSurface s = Loaded(10, 10, sp.sheet, sp.mask);
        EXPECT_TRUE(s.DrawCell(0, c.t));
        const Image& img = s.Picture();
        std::vector<std::pair<int, int>> painted;
        for (std::int32_t y = 0; y < 10; ++y)
            for (std::int32_t x = 0; x < 10; ++x)
                if (img.At(x, y) != 0) painted.emplace_back(x, y);
        std::sort(painted.begin(), painted.end());
        std::vector<std::pair<int, int>> want = c.painted;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(painted, want) << "pixels painted";
        if (!c.painted.empty()) {
            EXPECT_EQ(Hex(img.At(c.painted[0].first, c.painted[0].second)), Hex(c.firstColour));
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
    s.BeginFrame(Plain({0, 0, 10, 10}, 1));
    s.EndFrame();
    EXPECT_EQ(Hex(s.Picture().At(3, 3)), Hex(1)) << "a new frame cleared the picture";
    s.BeginFrame(Plain({0, 0, 12, 6}, 1));
    const Image& img = s.Picture();
    ASSERT_EQ(img.width, 12);
    ASSERT_EQ(img.height, 6);
    EXPECT_EQ(img.pixels, std::vector<Pixel>(12 * 6, 0)) << "a resized client kept old pixels";
}

// --- The logical screen ----------------------------------------------------------------------

TEST(ScaleAveraging, AveragesEachCoveredArea) {
    auto scaled = [](std::vector<Pixel> from, std::int32_t width) {
        Image in(static_cast<std::int32_t>(from.size()), 1), out(width, 1);
        in.pixels = std::move(from);
        ScaleAveraging(in, out);
        return Hex(out.pixels);
    };
    // Down: 2/3 of one pixel and 1/3 of the next; up: the middle pixel straddles both halves.
    EXPECT_EQ(scaled({0x000000, 0x030303, 0x090909}, 2), Hex({0x010101, 0x070707}));
    EXPECT_EQ(scaled({0x0000FF, 0xFF0000}, 3), Hex({0x0000FF, 0x800080, 0xFF0000}));
    EXPECT_EQ(scaled({0x000000, 0x030303, 0x090909}, 3), Hex({0x000000, 0x030303, 0x090909}))
        << "scaling to the same size changed the picture";
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

TEST(ScaleAveraging, AnAreaGetsThePixelsOfTheWholeAndNothingElse) {
    Image stage(640, 480);
    for (std::size_t i = 0; i < stage.pixels.size(); ++i) stage.pixels[i] = static_cast<Pixel>(i * 2654435761u) & 0xFFFFFF;
    for (auto [w, h] : {std::pair{152, 112}, {639, 399}}) {
        Image whole(w, h), part(w, h);
        ScaleAveraging(stage, whole);
        std::fill(part.pixels.begin(), part.pixels.end(), 0x123456);
        const Rect area{w / 3, h / 4, w + 5, h / 2};  // runs past the right edge
        ScaleAveraging(stage, part, area);
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x) {
                const bool inside = x >= area.left && y >= area.top && y < area.bottom;
                ASSERT_EQ(Hex(part.At(x, y)), inside ? Hex(whole.At(x, y)) : "123456")
                    << "at " << x << "," << y << " of " << w << " x " << h;
            }
    }
}

TEST(SoftSurface, LogicalScreenDrawsTheStageAndShowsItAveraged) {
    // A 2 x 2 checker of white and black: each halved client pixel sees half white.
    SoftSurface s = CheckerSurface(320, 240);
    s.BeginFrame(StageOf({0, 0, 320, 240}, 1));
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

    s.BeginFrame(StageOf({0, 0, 320, 240}, 1));
    s.Erase(0, {600, 400, 640, 480});
    EXPECT_EQ(Hex(s.Picture().At(300, 200)), Hex(0)) << "an erase on the stage did not reach the picture";
}

TEST(SoftSurface, ZoomDrawsEachUnitAsABlockOfPixels) {
    SoftSurface s = CheckerSurface(9, 5);
    s.BeginFrame(Plain({0, 0, 9, 5}, 2));
    ASSERT_EQ(std::pair(s.Canvas().width, s.Canvas().height), std::pair(4, 2)) << "the odd strip is no unit";
    ASSERT_TRUE(s.DrawCell(0, {1, 0, 64, 64, 0, 0}));
    const Image& img = s.Picture();
    // Units 1..3 of row 0 are black, white, black: pixels 2..7, each twice, in both rows.
    for (std::int32_t y : {0, 1})
        EXPECT_EQ(Hex(std::vector<Pixel>(&img.pixels[y * 9], &img.pixels[y * 9] + 9)),
                  Hex({0, 0, 0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0, 0}));
    EXPECT_EQ(Hex(img.At(3, 3)), Hex(0xFFFFFF)) << "row 1 of the checker starts white at unit 1";
    EXPECT_EQ(Hex(img.At(8, 2)), Hex(0)) << "the strip right of the last unit stays black";
}

// --- Under the parade ----------------------------------------------------------------------------

// With every sprite pixel opaque and non-black, whatever is lit on the surface after any
// tick lies inside some walker's present rectangle: each move erases where it stood.
TEST(SoftSurface, TheParadeLeavesNoTrails) {
    const Sprite sheet = Build(512, 388, 8, {0, 0x808080}, [](int, int) { return 1u; });
    const Sprite mask = Opaque(512, 388);
    for (const Rect client : {Rect{0, 0, 800, 600}, Rect{0, 0, 320, 240}}) {
        Parade parade;
        parade.random.state = 4242;
        PlaceWalkers(parade.walkers, parade.random, client);
        SoftSurface s(client.right, client.bottom);
        s.LoadSheet(sheet.bmp);
        ASSERT_TRUE(s.LoadMask(mask.bmp));
        for (int tick = 1; tick <= 200; ++tick) {
            FrameStep(parade, s, StageOf(client, 1));
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

// What every front end sends: only the rectangles TakeChanged reports, copied out of
// Picture() into a buffer of its own, black at first like a new window, and of any colour
// after a resize, which counts as the whole client. For random clients around the logical
// screen's bounds, plain and zoomed, and random seeds, through exposures, the blanking (at
// tick 32 of every other run) and a resize, that copy is the picture after every tick.
TEST(SoftSurface, TheChangedRectanglesCarryEveryChange) {
    const auto sheet = ReadBitmapFile(SheetFile().data(), SheetFile().size());
    const auto mask = ReadBitmapFile(MaskFile().data(), MaskFile().size());
    std::mt19937 rng(19);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int kinds = 0;  // bits: the logical screen, plain, zoomed
    for (int run = 0; run < 6; ++run) {
        const int zoom = 1 + run % 2;
        const auto side = [&](int units) { return zoom * pick(units * 3 / 4, units * 3 / 2) + pick(0, zoom - 1); };
        Rect client{0, 0, side(640), side(400)};
        Parade parade;
        parade.random.state = pick(1, RandomMax);
        parade.settings = {300, run % 2};
        SoftSurface s(client.right, client.bottom);
        s.LoadSheet(*sheet);
        ASSERT_TRUE(s.LoadMask(*mask));
        StartSession(parade, client, zoom * BaseDpi);
        Image copy(client.right, client.bottom);
        for (int tick = 1; tick <= 36; ++tick) {
            if (tick == 20) client = {0, 0, side(640), side(400)};
            if (SessionTick(parade, s, client) == TickOutcome::Blank) s.Black(client);
            if (tick % 7 == 0) s.Black({pick(-50, 700), pick(-50, 500), pick(0, 1100), pick(0, 800)});
            const Image& picture = s.Picture();
            if (copy.width != picture.width || copy.height != picture.height) {
                copy = Image(picture.width, picture.height);
                std::fill(copy.pixels.begin(), copy.pixels.end(), 0xABCDEF);
            }
            for (const Rect& r : s.TakeChanged())
                for (auto at = std::size_t(r.top) * copy.width + r.left; at < std::size_t(r.bottom) * copy.width;
                     at += copy.width)
                    std::copy_n(picture.pixels.begin() + at, r.right - r.left, copy.pixels.begin() + at);
            if (copy.pixels != picture.pixels) {
                const auto bad = std::mismatch(copy.pixels.begin(), copy.pixels.end(), picture.pixels.begin()).first;
                FAIL() << "pixel " << bad - copy.pixels.begin() << " of " << copy.width << " x " << copy.height
                       << ", tick " << tick << " of run " << run;
            }
            kinds |= s.Logical() ? 1 : zoom == 1 ? 2 : 4;
        }
    }
    EXPECT_EQ(kinds, 7) << "a kind of client left out";
}
