#include "parade/bitmap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parade/walkers.h"
#include "tests/unit/dib_builder.h"

using namespace virelo;
using virelo::test::DibFields;
using virelo::test::MakeBmpFile;
using virelo::test::MakeDib;

namespace {

BitmapHeader Header(std::uint32_t size, std::uint16_t bits, std::uint32_t clrUsed) {
    return {size, 8, 8, 1, bits, 0, 0, 0, 0, clrUsed, 0};
}

// A table of n colours, entry k = 0x00RRGGBB with distinct channels.
std::vector<std::uint8_t> Table(int n) {
    std::vector<std::uint8_t> t;
    for (int k = 0; k < n; ++k) t.insert(t.end(), {std::uint8_t(3 * k), std::uint8_t(k + 1), std::uint8_t(200 - k), 9});
    return t;
}

std::uint32_t Zero(int, int) { return 0; }

// Reads a copy of the first n bytes held in a buffer of exactly n bytes, so that any read
// past the end is a heap overflow the address sanitizer reports.
template <typename Reader>
bool AcceptsPrefix(Reader read, const std::vector<std::uint8_t>& bytes, std::size_t n) {
    std::vector<std::uint8_t> holder(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    holder.shrink_to_fit();
    return read(holder.data(), holder.size()).has_value();
}

std::vector<std::uint8_t> Small8Bit(std::uint32_t headerSize = 40) {
    return MakeDib({.headerSize = headerSize, .width = 3, .height = 2, .clrUsed = 4},
                   {0x000000, 0xFF0000, 0x00FF00, 0x0000FF},
                   [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 4); });
}

}  // namespace

// --- Palettes -------------------------------------------------------------------------

TEST(Palette, EntryCountComesFromClrUsedOrTheDepthAndOnlyTheFortyByteHeaderMakesOne) {
    const auto table = Table(256);
    struct Case { std::uint32_t size; std::uint16_t bits; std::uint32_t clrUsed; int expected; };  // -1: none
    for (const Case c : {Case{40, 4, 0, 16}, Case{40, 4, 5, 5}, Case{40, 1, 0, 2}, Case{40, 8, 0, 256},
                         Case{40, 8, 0x10005, 5}, Case{40, 24, 3, 3}, Case{40, 8, 300, 256},
                         Case{12, 4, 0, -1}, Case{64, 4, 0, -1}, Case{108, 4, 0, -1}, Case{124, 4, 0, -1}}) {
        const auto pal = MakePalette(Header(c.size, c.bits, c.clrUsed), table.data(), table.size());
        EXPECT_EQ(pal ? pal->count : -1, c.expected)
            << "header size " << c.size << ", " << c.bits << " bits, clrUsed " << c.clrUsed;
        EXPECT_EQ(pal ? pal->version : 0x300, 0x300);
    }
}

TEST(Palette, EntriesAreTheTableInRedGreenBlueOrderWithNoFlags) {
    const auto table = Table(5);
    const auto pal = MakePalette(Header(40, 4, 5), table.data(), table.size());
    ASSERT_TRUE(pal.has_value());
    for (int k = 0; k < 5; ++k) {
        const PaletteEntry& e = pal->entries[k];
        const std::vector<int> got{e.red, e.green, e.blue, e.flags};
        EXPECT_EQ(got, (std::vector<int>{table[4 * k + 2], table[4 * k + 1], table[4 * k], 0})) << "entry " << k;
    }
}

TEST(Palette, TwentyFourBitsWithoutATableGetTheCube) {
    const auto pal = MakePalette(Header(40, 24, 0), nullptr, 0);
    ASSERT_TRUE(pal.has_value());
    ASSERT_EQ(pal->count, 256);
    auto rgb = [&](int k) {
        const PaletteEntry& e = pal->entries[k];
        return std::vector<int>{e.red, e.green, e.blue, e.flags};
    };
    EXPECT_EQ(rgb(0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(rgb(9), (std::vector<int>{32, 32, 0, 0}));
    EXPECT_EQ(rgb(64), (std::vector<int>{0, 0, 64, 0}));
    EXPECT_EQ(rgb(255), (std::vector<int>{224, 224, 192, 0}));
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b)
            ASSERT_NE(rgb(a), rgb(b)) << "cube entries " << a << " and " << b << " are the same";
}

TEST(Palette, RefusedWhenThereIsNothingToMakeItFrom) {
    const auto table = Table(4);
    EXPECT_FALSE(MakePalette(Header(40, 16, 0), nullptr, 0).has_value()) << "16 bits";
    EXPECT_FALSE(MakePalette(Header(40, 32, 0), nullptr, 0).has_value()) << "32 bits";
    EXPECT_FALSE(MakePalette(Header(40, 8, 5), table.data(), table.size()).has_value())
        << "5 entries asked of a 4-entry table";
    EXPECT_FALSE(MakePalette(Header(40, 4, 0), nullptr, 0).has_value()) << "no table";
}

// --- Reading packed bitmaps -------------------------------------------------------------

TEST(ReadPackedBitmap, FindsTableAndPixelsAfterTheHeadersOwnSize) {
    for (std::uint32_t headerSize : {40u, 108u, 124u}) {
        SCOPED_TRACE("header size " + std::to_string(headerSize));
        const auto bytes = Small8Bit(headerSize);
        const auto bmp = ReadPackedBitmap(bytes.data(), bytes.size());
        ASSERT_TRUE(bmp.has_value());
        EXPECT_EQ(bmp->colours, 4u);
        EXPECT_EQ(bmp->rowBytes, 4u);
        EXPECT_EQ(bmp->colourTable - bytes.data(), std::ptrdiff_t(headerSize));
        EXPECT_EQ(bmp->pixels - bytes.data(), std::ptrdiff_t(headerSize + 16));
        EXPECT_EQ(bmp->colourTable[4 * 1 + 2], 0xFF) << "entry 1 should be red";
        // Bottom-up: the first stored row is y = 1, whose pixels are 1, 2, 3.
        EXPECT_EQ(bmp->pixels[0], 1);
        EXPECT_EQ(bmp->pixels[2], 3);
        EXPECT_EQ(bmp->pixels[4], 0) << "second stored row is y = 0";
        // Every truncation is refused without reading past it; trailing bytes are accepted.
        for (std::size_t n = 0; n < bytes.size(); ++n)
            EXPECT_FALSE(AcceptsPrefix(ReadPackedBitmap, bytes, n)) << "accepted the first " << n << " of " << bytes.size() << " bytes";
        EXPECT_TRUE(AcceptsPrefix(ReadPackedBitmap, bytes, bytes.size()));
        auto longer = bytes;
        longer.resize(bytes.size() + 7, 0xAA);
        EXPECT_TRUE(ReadPackedBitmap(longer.data(), longer.size()).has_value()) << "trailing bytes refused";
    }
}

TEST(ReadPackedBitmap, RowLengthsArePaddedToFourBytes) {
    struct Case { std::int32_t width; std::uint16_t bits; std::size_t rowBytes; };
    for (const Case c : {Case{1, 1, 4}, Case{33, 1, 8}, Case{9, 4, 8}, Case{5, 8, 8}, Case{3, 24, 12},
                         Case{4, 24, 12}, Case{5, 24, 16}}) {
        const auto bytes = MakeDib({.width = c.width, .height = 3, .bitCount = c.bits},
                                   std::vector<std::uint32_t>(c.bits == 24 ? 0 : 1u << c.bits), Zero);
        const auto bmp = ReadPackedBitmap(bytes.data(), bytes.size());
        ASSERT_TRUE(bmp.has_value()) << c.width << " px at " << c.bits << " bits";
        EXPECT_EQ(bmp->rowBytes, c.rowBytes) << c.width << " px at " << c.bits << " bits";
    }
}

TEST(ReadPackedBitmap, RefusesMalformedHeaders) {
    struct Case { const char* what; DibFields f; };
    const Case cases[] = {
        {"core header", {.headerSize = 12}},   {"header size 64", {.headerSize = 64}},
        {"top-down", {.height = -1}},          {"zero width", {.width = 0}},
        {"zero height", {.height = 0}},        {"negative width", {.width = -1}},
        {"RLE8", {.compression = 1}},          {"bit fields", {.compression = 3}},
        {"no planes", {.planes = 0}},          {"two planes", {.planes = 2}},
        {"2 bits", {.bitCount = 2}},           {"16 bits", {.bitCount = 16}},
        {"32 bits", {.bitCount = 32}},         {"0 bits", {.bitCount = 0}},
    };
    for (const Case& c : cases) {
        // Pixels generous enough that only the header is at fault.
        auto bytes = MakeDib(c.f, std::vector<std::uint32_t>(256), Zero);
        bytes.resize(bytes.size() + 4096, 0);
        EXPECT_FALSE(ReadPackedBitmap(bytes.data(), bytes.size()).has_value()) << c.what << " accepted";
    }
}

TEST(ReadPackedBitmap, RefusesSizesThatDoNotFit) {
    auto headerOnly = [](std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t clrUsed) {
        std::vector<std::uint8_t> b = MakeDib({.bitCount = bits, .clrUsed = clrUsed}, {}, Zero);
        b.resize(40 + 1024 + 64, 0);  // a full 8-bit table and a little more
        virelo::test::Poke32(b, 4, static_cast<std::uint32_t>(w));
        virelo::test::Poke32(b, 8, static_cast<std::uint32_t>(h));
        return b;
    };
    struct Case { const char* what; std::vector<std::uint8_t> bytes; };
    const Case cases[] = {
        {"width above 32767", headerOnly(32768, 1, 8, 1)},
        {"height above 32767", headerOnly(1, 32768, 8, 1)},
        {"width 2^31 - 1", headerOnly(0x7FFFFFFF, 1, 8, 1)},
        {"largest area, little data", headerOnly(32767, 32767, 24, 0)},
        {"table of 65535 entries", headerOnly(1, 1, 8, 0xFFFF)},
        {"table just past the end", headerOnly(1, 1, 8, (1024 + 64) / 4 + 1)},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ReadPackedBitmap(c.bytes.data(), c.bytes.size()).has_value()) << c.what << " accepted";
    EXPECT_FALSE(ReadPackedBitmap(nullptr, 100).has_value()) << "null data accepted";
}

TEST(ReadBitmapFile, NeedsTheMagicAndAPixelOffsetThatMatchesTheDib) {
    auto file = MakeBmpFile({.width = 5, .height = 3, .bitCount = 4}, std::vector<std::uint32_t>(16),
                            [](int x, int) { return std::uint32_t(x); });
    const auto bmp = ReadBitmapFile(file.data(), file.size());
    ASSERT_TRUE(bmp.has_value());
    EXPECT_EQ(bmp->base, file.data() + 14);
    EXPECT_EQ(bmp->pixels - file.data(), 14 + 40 + 64);

    auto badMagic = file;
    badMagic[1] = 'A';
    EXPECT_FALSE(ReadBitmapFile(badMagic.data(), badMagic.size()).has_value()) << "magic BA accepted";
    auto badOffset = file;
    badOffset[10] += 4;
    EXPECT_FALSE(ReadBitmapFile(badOffset.data(), badOffset.size()).has_value())
        << "a pixel offset 4 bytes past the table accepted";
    for (std::size_t n = 0; n < file.size(); ++n)
        EXPECT_FALSE(AcceptsPrefix(ReadBitmapFile, file, n)) << "accepted " << n << " bytes";
}

// --- Mask rows --------------------------------------------------------------------------

TEST(MaskRows, AreWordAlignedAndTopDown) {
    struct Case { std::int32_t width; std::size_t stored, word; };
    const std::int32_t height = 5;
    for (const Case c : {Case{512, 64, 64}, Case{100, 16, 14}, Case{17, 4, 4}, Case{1, 4, 2}, Case{48, 8, 6}}) {
        SCOPED_TRACE(std::to_string(c.width) + " px");
        // Every row differs from the others.
        const auto bytes = MakeDib({.width = c.width, .height = height, .bitCount = 1}, {0x000000, 0xFFFFFF},
                                   [](int x, int y) { return std::uint32_t((x * 7 + y * 13) % 5 == 0); });
        const auto bmp = ReadPackedBitmap(bytes.data(), bytes.size());
        ASSERT_TRUE(bmp.has_value());
        ASSERT_EQ(bmp->rowBytes, c.stored);
        const auto rows = MaskRows(*bmp);
        ASSERT_EQ(rows.size(), c.word * height);
        for (std::int32_t r = 0; r < height; ++r) {
            // Stored row 0 is the bottom one, so top-down row r is stored row height-1-r.
            const std::uint8_t* stored = bmp->pixels + (height - 1 - r) * c.stored;
            const std::vector<std::uint8_t> want(stored, stored + c.word);
            const std::vector<std::uint8_t> got(rows.begin() + r * c.word, rows.begin() + (r + 1) * c.word);
            EXPECT_EQ(got, want) << "row " << r;
        }
    }
}

TEST(MaskRows, EmptyForAnyDepthButOne) {
    for (std::uint16_t bits : {std::uint16_t{4}, std::uint16_t{8}, std::uint16_t{24}}) {
        const std::uint32_t colours = bits == 24 ? 0 : 2;
        const auto bytes = MakeDib({.width = 16, .height = 2, .bitCount = bits, .clrUsed = colours},
                                   std::vector<std::uint32_t>(colours), [](int, int) { return 1u; });
        const auto bmp = ReadPackedBitmap(bytes.data(), bytes.size());
        ASSERT_TRUE(bmp.has_value());
        EXPECT_EQ(MaskRows(*bmp).size(), 0u) << bits << " bits gave mask rows";
    }
}

// --- Where the walkers stand in the sheet -----------------------------------------------

TEST(SheetPoses, AgreeWithWhatPlacementAndMotionWriteIntoTheRecords) {
    WalkerTable walkers{};
    RandomState random{12345, nullptr};
    PlaceWalkers(walkers, random, {0, 0, 800, 600});
    for (int i = 0; i < WalkerCount; ++i) {
        SCOPED_TRACE("walker " + std::to_string(i));
        const auto p = PosesFor(i, 0);
        ASSERT_TRUE(p.has_value());
        EXPECT_EQ(p->first.left, walkers[i].sheetX);
        EXPECT_EQ(p->first.top, walkers[i].sheetY);
        EXPECT_EQ(p->first.bottom - p->first.top, walkers[i].height);
        EXPECT_EQ(p->second.left, walkers[i].sheetX + CellSize);
        const auto costume = PosesFor(i, 1);
        EXPECT_EQ(costume.has_value(), i >= 12 && i <= 15);
        if (costume) {
            EXPECT_EQ(p->first.top, CostumeRowFirst);
            EXPECT_EQ(costume->first.top, CostumeRowSecond);
            EXPECT_EQ(costume->first.left, p->first.left);
        }
    }
    EXPECT_FALSE(PosesFor(-1, 0).has_value());
    EXPECT_FALSE(PosesFor(20, 0).has_value());
    EXPECT_FALSE(PosesFor(12, 2).has_value());
}

TEST(SheetPoses, StayInTheSheetAndOverlapOnlyWhereTheTallWalkerMeetsTheCostumeRow) {
    struct Cell { std::string name; Rect r; };
    std::vector<Cell> cells;
    for (int i = 0; i < WalkerCount; ++i)
        for (int costume = 0; costume < 2; ++costume)
            if (const auto p = PosesFor(i, costume)) {
                const std::string name = std::to_string(i) + (costume ? "b" : "a");
                cells.push_back({name + " pose 1", p->first});
                cells.push_back({name + " pose 2", p->second});
            }
    ASSERT_EQ(cells.size(), 48u);
    for (std::size_t a = 0; a < cells.size(); ++a) {
        const Rect& r = cells[a].r;
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 512 && r.bottom <= 388)
            << cells[a].name << " leaves the 512 x 388 sheet";
        for (std::size_t b = a + 1; b < cells.size(); ++b) {
            const Rect& s = cells[b].r;
            if (!Overlaps(r, s)) continue;
            // Walker 15's second costume (listed first) under walker 19, pose for pose.
            const bool shared = cells[a].name.starts_with("15b") && cells[b].name.starts_with("19a") &&
                                r.left == s.left && r.top == 324 && s.bottom == 326;
            EXPECT_TRUE(shared) << cells[a].name << " overlaps " << cells[b].name;
        }
    }
}
