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

inline void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
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
    Put32(b, f.headerSize);
    Put32(b, static_cast<std::uint32_t>(f.width));
    Put32(b, static_cast<std::uint32_t>(f.height));
    Put16(b, f.planes);
    Put16(b, f.bitCount);
    Put32(b, f.compression);
    Put32(b, 0);     // sizeImage
    Put32(b, 2835);  // pixels per metre
    Put32(b, 2835);
    Put32(b, f.clrUsed);
    Put32(b, 0);
    b.resize(f.headerSize < 40 ? 40 : f.headerSize, 0);
    for (std::uint32_t c : table) {
        b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(static_cast<std::uint8_t>(c >> 8));
        b.push_back(static_cast<std::uint8_t>(c >> 16));
        b.push_back(0);
    }
    // Malformed headers still get |width| x |height| pixels, so that only the header is wrong.
    const int bits = f.bitCount, width = std::abs(f.width), height = std::abs(f.height);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            if (bits == 24) {
                row[3 * x] = static_cast<std::uint8_t>(v);
                row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
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
    Put32(b, static_cast<std::uint32_t>(14 + dib.size()));
    Put32(b, 0);
    Put32(b, static_cast<std::uint32_t>(14 + f.headerSize + 4 * table.size()));
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

}  // namespace virelo::test
