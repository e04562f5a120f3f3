#pragma once
// Reading the sprite bitmaps as packed DIBs (what a bitmap resource holds: the info header,
// the colour table, then the pixel rows), the palette made from them, the mask's rows in
// the word-aligned layout of a monochrome bitmap, and where each walker sits in the sheet.
// Nothing here trusts the data: every read is checked against the given size first.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "parade/geometry.h"

namespace virelo {

// The 40-byte info header's fields, read little-endian. Longer headers (108, 124 bytes)
// begin with the same fields.
struct BitmapHeader {
    std::uint32_t size;
    std::int32_t width, height;
    std::uint16_t planes, bitCount;
    std::uint32_t compression, sizeImage;
    std::int32_t xPelsPerMeter, yPelsPerMeter;
    std::uint32_t clrUsed, clrImportant;
};

constexpr std::size_t InfoHeaderSize = 40;
constexpr std::size_t FileHeaderSize = 14;
constexpr std::int32_t MaxBitmapSide = 32767;

// The low 16 bits of clrUsed when those are non-zero; otherwise 2, 16 or 256 for 1, 4 and
// 8 bits per pixel and 0 for any other depth.
std::uint32_t ColourCount(const BitmapHeader& h);

// A validated view into a packed DIB; the pointers borrow the caller's bytes.
struct PackedBitmap {
    BitmapHeader header;
    const std::uint8_t* base;
    std::size_t size;
    std::uint32_t colours;              // ColourCount(header)
    const std::uint8_t* colourTable;    // colours * 4 bytes: blue, green, red, reserved
    const std::uint8_t* pixels;         // bottom-up rows
    std::size_t rowBytes;               // stored row length, padded to 4 bytes
};

// Refuses short data, a header size other than 40, 108 or 124, a colour table or pixel rows
// past the end, width or height <= 0 (top-down bitmaps included) or above MaxBitmapSide,
// planes != 1, bitCount outside {1, 4, 8, 24} and any compression. The 12-byte core
// header is refused too: its fields are 16-bit and its table entries 3 bytes, so it would
// need a reader of its own, and neither the resources nor the GDI side use it. Pixels
// start after the header's own size and the colour table.
std::optional<PackedBitmap> ReadPackedBitmap(const std::uint8_t* data, std::size_t size);

// A .bmp file: the 14-byte file header ("BM", ..., pixel offset) and a packed DIB. The
// pixel offset must point where the packed DIB's pixels start, since a resource built
// from the file keeps only the packed DIB and reads its pixels from there.
std::optional<PackedBitmap> ReadBitmapFile(const std::uint8_t* data, std::size_t size);

struct PaletteEntry {
    std::uint8_t red, green, blue, flags;
};

struct PaletteData {
    std::uint16_t version;
    std::uint16_t count;
    std::array<PaletteEntry, 256> entries;
};

constexpr std::uint16_t PaletteVersion = 0x300;

// Only for a 40-byte header: the first ColourCount entries of the table (at most 256, and
// only if the table holds them); with no table, the 256-colour cube for 24 bits per pixel;
// otherwise nothing.
std::optional<PaletteData> MakePalette(const BitmapHeader& h, const std::uint8_t* colourTable,
                                       std::size_t tableBytes);

// A 1-bit bitmap's rows top-down at ((width + 15) / 16) * 2 bytes each, as a monochrome
// bitmap stores them: MaskRowsSize bytes (0 for any other depth), written by
// CopyMaskRows. The caller owns the buffer, so the module can allocate it without the
// C++ library's throwing allocator.
std::size_t MaskRowsSize(const PackedBitmap& mask);
void CopyMaskRows(const PackedBitmap& mask, std::uint8_t* out);

// The same rows in a vector, for tools and tests.
inline std::vector<std::uint8_t> MaskRows(const PackedBitmap& mask) {
    std::vector<std::uint8_t> rows(MaskRowsSize(mask));
    CopyMaskRows(mask, rows.data());
    return rows;
}

}  // namespace virelo
