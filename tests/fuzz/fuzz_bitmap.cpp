// Arbitrary bytes through everything that reads a bitmap resource: both readers, the
// palette, the mask rows, and the software surface loading and drawing whatever was
// accepted. libFuzzer hands over a buffer of exactly `size` bytes, so the address
// sanitizer reports any read past the input; the traps check what the view promises.
#include <cstddef>
#include <cstdint>

#include "parade/bitmap.h"
#include "render/soft_surface.h"

using namespace virelo;

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void Exercise(const PackedBitmap& b, const std::uint8_t* data, std::size_t size) {
    const BitmapHeader& h = b.header;
    // The view lies inside the input, in order: header, table, pixel rows.
    Check(b.base >= data && b.base + b.size == data + size);
    Check(b.colourTable == b.base + h.size);
    Check(b.pixels == b.colourTable + 4 * std::size_t{b.colours});
    Check(b.rowBytes % 4 == 0 && b.rowBytes * 8 >= std::size_t(h.width) * h.bitCount);
    Check(std::size_t(b.pixels - b.base) + b.rowBytes * std::size_t(h.height) <= b.size);

    if (const auto pal = MakePalette(h, b.colourTable, 4 * std::size_t{b.colours}))
        Check(pal->count >= 1 && pal->count <= 256 && pal->version == PaletteVersion);

    const auto rows = MaskRows(b);
    Check(h.bitCount == 1 ? rows.size() == std::size_t((h.width + 15) / 16 * 2) * h.height
                          : rows.empty());

    // The same bitmap as sheet and (when 1-bit) as mask, drawn at places taken from its
    // own header so that the clipping sees edges, negative and far coordinates.
    SoftSurface surface(48, 40);
    surface.LoadSheet(b);
    const bool masked = surface.LoadMask(b);
    Check(masked == (h.bitCount == 1));
    const std::int32_t v = static_cast<std::int32_t>(h.xPelsPerMeter);
    const std::int32_t w = static_cast<std::int32_t>(h.yPelsPerMeter);
    // Drawing on the logical screen's 640 x 480 stage for one header value only: it is the
    // costlier path, and its resample onto the client never depends on the input.
    const bool logical = h.clrImportant == 1;
    const Rect client{0, 0, 48, 40};
    surface.BeginFrame({client, 1, client, logical, logical ? LogicalScreen : client});
    Check(surface.DrawCell(0, {v % 700 - 64, w % 500 - 64, h.width, h.height, v >> 16, w >> 16}) == masked);
    Check(surface.DrawCell(1, {v, w, 64, 70, h.width - 32, h.height - 32}) == masked);
    surface.Erase(0, {v % 50, w % 50, v % 50 + 20, w % 50 + 20});
    surface.EndFrame();
    Check(surface.Canvas().width == (logical ? 640 : 48) && surface.Canvas().height == (logical ? 480 : 40));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto packed = ReadPackedBitmap(data, size)) Exercise(*packed, data, size);
    if (const auto file = ReadBitmapFile(data, size)) Exercise(*file, data, size);

    // The palette from header values alone, its table being whatever follows them.
    if (size >= InfoHeaderSize) {
        const BitmapHeader h{Le32(data), static_cast<std::int32_t>(Le32(data + 4)),
                             static_cast<std::int32_t>(Le32(data + 8)), Le16(data + 12),
                             Le16(data + 14), Le32(data + 16), Le32(data + 20),
                             static_cast<std::int32_t>(Le32(data + 24)),
                             static_cast<std::int32_t>(Le32(data + 28)), Le32(data + 32),
                             Le32(data + 36)};
        if (const auto pal = MakePalette(h, data + InfoHeaderSize, size - InfoHeaderSize))
            Check(pal->count <= 256 && (pal->count == 256 || 4 * std::size_t{pal->count} <= size - 40));
    }
    return 0;
}
