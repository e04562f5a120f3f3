#pragma once
// Small packed DIBs built in memory for the bitmap and surface tests, written byte by byte
// the way a bitmap file stores them, so that the reader under test shares no code with
// the writer.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace virelo::test {

struct DibFields {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1, height = 1;
    std::uint16_t planes = 1, bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
};

// Little-endian, `bytes` bytes of v.
inline void Put(std::vector<std::uint8_t>& b, std::uint32_t v, int bytes = 4) {
    for (int k = 0; k < bytes; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}
inline void Poke32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

// The header (longer headers padded with zeros), `table` as 0x00RRGGBB colours stored
// blue, green, red, 0, then rows bottom-up with `value(x, y)` (y top-down) as the pixel's
// index, or its 0x00RRGGBB colour at 24 bits (other depths only get zeros). Rows are
// padded to 4 bytes.
inline std::vector<std::uint8_t> MakeDib(const DibFields& f, const std::vector<std::uint32_t>& table,
                                         const std::function<std::uint32_t(int, int)>& value) {
    std::vector<std::uint8_t> b;
    Put(b, f.headerSize);
    Put(b, static_cast<std::uint32_t>(f.width));
    Put(b, static_cast<std::uint32_t>(f.height));
    Put(b, f.planes, 2);
    Put(b, f.bitCount, 2);
    Put(b, f.compression);
    Put(b, 0);     // sizeImage
    Put(b, 2835);  // pixels per metre
    Put(b, 2835);
    Put(b, f.clrUsed);
    Put(b, 0);
    b.resize(f.headerSize < 40 ? 40 : f.headerSize, 0);
    for (std::uint32_t c : table) Put(b, c & 0xFFFFFF);
    // Malformed headers still get |width| x |height| pixels, so that only the header is wrong.
    const int bits = f.bitCount, width = std::abs(f.width), height = std::abs(f.height);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            if (bits == 24) {
                for (int k = 0; k < 3; ++k) row[3 * x + k] = static_cast<std::uint8_t>(v >> (8 * k));
            } else if (bits == 1 || bits == 4 || bits == 8) {
                const int bit = x * bits;
                row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// The same with the 14-byte file header in front.
inline std::vector<std::uint8_t> MakeBmpFile(const DibFields& f, const std::vector<std::uint32_t>& table,
                                             const std::function<std::uint32_t(int, int)>& value) {
    const std::vector<std::uint8_t> dib = MakeDib(f, table, value);
    std::vector<std::uint8_t> b{'B', 'M'};
    Put(b, static_cast<std::uint32_t>(14 + dib.size()));
    Put(b, 0);
    Put(b, static_cast<std::uint32_t>(14 + f.headerSize + 4 * table.size()));
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

}  // namespace virelo::test
