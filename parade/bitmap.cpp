#include "parade/bitmap.h"

#include <algorithm>
#include <cstring>

#include "parade/walkers.h"

namespace virelo {
namespace {

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

// The caller has checked that InfoHeaderSize bytes are there.
BitmapHeader ParseHeader(const std::uint8_t* p) {
    return {U32(p), I32(p + 4), I32(p + 8), U16(p + 12), U16(p + 14), U32(p + 16), U32(p + 20),
            I32(p + 24), I32(p + 28), U32(p + 32), U32(p + 36)};
}

bool Fits(std::uint64_t offset, std::uint64_t length, std::size_t size) {
    return offset <= size && length <= size - offset;
}

}  // namespace

std::uint32_t ColourCount(const BitmapHeader& h) {
    if (const std::uint32_t used = h.clrUsed & 0xFFFFu; used != 0) return used;
    switch (h.bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

std::optional<PackedBitmap> ReadPackedBitmap(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < InfoHeaderSize) return std::nullopt;
    const BitmapHeader h = ParseHeader(data);
    if (h.size != 40 && h.size != 108 && h.size != 124) return std::nullopt;
    if (h.width <= 0 || h.height <= 0 || h.width > MaxBitmapSide || h.height > MaxBitmapSide)
        return std::nullopt;
    if (h.planes != 1 || h.compression != 0) return std::nullopt;
    if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24)
        return std::nullopt;

    // 64-bit sums: the table is at most 65535 * 4 bytes, a row at most 98304 and the pixel
    // area at most about 3.2e9, so nothing here can wrap.
    const std::uint32_t colours = ColourCount(h);
    const std::uint64_t tableBytes = std::uint64_t{colours} * 4;
    const std::uint64_t rowBytes = (std::uint64_t(h.width) * h.bitCount + 31) / 32 * 4;
    const std::uint64_t pixelBytes = rowBytes * std::uint64_t(h.height);
    if (!Fits(h.size, tableBytes, size)) return std::nullopt;
    if (!Fits(h.size + tableBytes, pixelBytes, size)) return std::nullopt;

    return PackedBitmap{h,
                        data,
                        size,
                        colours,
                        data + h.size,
                        data + h.size + tableBytes,
                        static_cast<std::size_t>(rowBytes)};
}

std::optional<PackedBitmap> ReadBitmapFile(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < FileHeaderSize || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    auto dib = ReadPackedBitmap(data + FileHeaderSize, size - FileHeaderSize);
    if (!dib) return std::nullopt;
    if (U32(data + 10) != FileHeaderSize + static_cast<std::size_t>(dib->pixels - dib->base))
        return std::nullopt;
    return dib;
}

std::optional<PaletteData> MakePalette(const BitmapHeader& h, const std::uint8_t* colourTable,
                                       std::size_t tableBytes) {
    if (h.size != 40) return std::nullopt;
    PaletteData pal{PaletteVersion, 0, {}};
    // An 8-bit pixel reaches only 256 entries, so a longer table is cut there.
    const std::uint32_t n = std::min<std::uint32_t>(ColourCount(h), 256);
    if (n != 0) {
        if (colourTable == nullptr || tableBytes / 4 < n) return std::nullopt;
        for (std::uint32_t k = 0; k < n; ++k) {
            const std::uint8_t* q = colourTable + 4 * k;
            pal.entries[k] = {q[2], q[1], q[0], 0};
        }
        pal.count = static_cast<std::uint16_t>(n);
        return pal;
    }
    if (h.bitCount != 24) return std::nullopt;
    for (std::uint32_t k = 0; k < 256; ++k)
        pal.entries[k] = {static_cast<std::uint8_t>(32 * (k % 8)),
                          static_cast<std::uint8_t>(32 * ((k / 8) % 8)),
                          static_cast<std::uint8_t>(64 * (k / 64)), 0};
    pal.count = 256;
    return pal;
}

namespace {
std::size_t WordRowBytes(const PackedBitmap& mask) {
    return (static_cast<std::size_t>(mask.header.width) + 15) / 16 * 2;
}
}  // namespace

std::size_t MaskRowsSize(const PackedBitmap& mask) {
    if (mask.header.bitCount != 1) return 0;
    return WordRowBytes(mask) * static_cast<std::size_t>(mask.header.height);
}

void CopyMaskRows(const PackedBitmap& mask, std::uint8_t* out) {
    if (mask.header.bitCount != 1) return;
    const std::size_t height = static_cast<std::size_t>(mask.header.height);
    const std::size_t wordRow = WordRowBytes(mask);
    // A word-aligned row is never longer than the 4-byte-aligned stored one.
    for (std::size_t r = 0; r < height; ++r)
        std::memcpy(out + r * wordRow, mask.pixels + (height - 1 - r) * mask.rowBytes, wordRow);
}

}  // namespace virelo
