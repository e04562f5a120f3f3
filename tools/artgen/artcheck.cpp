// artcheck: reads the committed sheet.bmp, mask.bmp and virelo.ico the way the
// saver and the resource compiler will, and checks what they rely on. It shares
// no code with artgen on purpose: a writer bug repeated in a shared reader would
// pass unnoticed.
//
//   virelo-artcheck <resources-dir>
#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int Width = 512;
constexpr int Height = 388;

int failures = 0;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        std::cerr << "FAIL: " << what << "\n";
        ++failures;
    }
}

std::vector<std::uint8_t> Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return at + 2 <= b.size() ? static_cast<std::uint32_t>(b[at] | b[at + 1] << 8) : 0;
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }
std::int32_t I32(const std::vector<std::uint8_t>& b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

struct Dib {
    bool ok = false;
    int bits = 0;
    std::uint32_t offBits = 0;
    std::array<std::uint32_t, 256> colours{};  // 0x00RRGGBB as stored B,G,R,0
    std::vector<std::uint8_t> file;
};

// Validates the file and info headers shared by both bitmaps.
Dib ReadBmp(const std::string& path, int bits, int colourCount) {
    const int before = failures;
    Dib d;
    d.file = Slurp(path);
    const auto& b = d.file;
    Check(b.size() >= 54, path + ": too short");
    if (b.size() < 54) return d;
    const std::uint32_t stride = ((Width * static_cast<std::uint32_t>(bits) + 31) / 32) * 4;
    Check(b[0] == 'B' && b[1] == 'M', path + ": no BM signature");
    Check(U32(b, 2) == b.size(), path + ": bfSize does not match the file");
    Check(U32(b, 14) == 40, path + ": header is not BITMAPINFOHEADER");
    Check(I32(b, 18) == Width && I32(b, 22) == Height, path + ": not 512 x 388 bottom-up");
    Check(U16(b, 26) == 1, path + ": planes != 1");
    Check(U16(b, 28) == static_cast<std::uint32_t>(bits), path + ": wrong bit depth");
    Check(U32(b, 30) == 0, path + ": compressed");
    const std::uint32_t used = U32(b, 46);
    Check(used == 0 || used == static_cast<std::uint32_t>(colourCount), path + ": unexpected biClrUsed");
    d.offBits = U32(b, 10);
    Check(d.offBits == 54u + 4u * static_cast<std::uint32_t>(colourCount), path + ": pixels do not follow the colour table");
    Check(b.size() >= d.offBits + stride * Height, path + ": pixel data truncated");
    for (int i = 0; i < colourCount && 54 + 4 * i + 3 < static_cast<int>(b.size()); ++i) {
        d.colours[static_cast<std::size_t>(i)] = U32(b, static_cast<std::size_t>(54 + 4 * i));
        Check(b[static_cast<std::size_t>(54 + 4 * i + 3)] == 0, path + ": RGBQUAD reserved byte set");
    }
    d.bits = bits;
    d.ok = failures == before;
    return d;
}

// Top-down accessors over bottom-up rows.
int SheetAt(const Dib& d, int x, int y) {
    return d.file[d.offBits + static_cast<std::size_t>(Height - 1 - y) * Width + static_cast<std::size_t>(x)];
}
bool Transparent(const Dib& d, int x, int y) {
    const std::size_t row = d.offBits + static_cast<std::size_t>(Height - 1 - y) * 64;
    return (d.file[row + static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1;
}

struct Area {
    std::string name;
    int x, y, w, h;
};

void CheckSheet(const Dib& sheet, const Dib& mask) {
    Check(sheet.colours[0] == 0, "sheet: colour 0 is not black");
    Check(mask.colours[0] == 0x000000 && mask.colours[1] == 0xffffff, "mask: colour table is not black, white");

    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if (Transparent(mask, x, y) && sheet.colours[static_cast<std::size_t>(SheetAt(sheet, x, y))] != 0) {
                Check(false, "sheet: not black under a transparent mask pixel at " + std::to_string(x) + "," +
                                 std::to_string(y));
                return;
            }

    std::vector<Area> areas;
    for (int i = 0; i < 20; ++i)
        areas.push_back({"walker " + std::to_string(i), 128 * (i % 4), 64 * (i / 4), 64, i == 19 ? 70 : 64});
    for (int i = 12; i < 16; ++i) areas.push_back({"costume 2 of walker " + std::to_string(i), 128 * (i - 12), 324, 64, 64});

    std::vector<int> owners(Width * Height, 0);
    for (const auto& a : areas)
        for (int y = a.y; y < a.y + a.h; ++y)
            for (int x = a.x; x < a.x + 128; ++x) ++owners[static_cast<std::size_t>(y * Width + x)];

    for (const auto& a : areas) {
        int opaque[2] = {0, 0};
        bool differ = false;
        for (int y = a.y; y < a.y + a.h; ++y) {
            for (int x = a.x; x < a.x + 64; ++x) {
                for (int p = 0; p < 2; ++p)
                    if (!Transparent(mask, x + 64 * p, y)) ++opaque[p];
                const bool ta = Transparent(mask, x, y), tb = Transparent(mask, x + 64, y);
                if (ta != tb || (!ta && SheetAt(sheet, x, y) != SheetAt(sheet, x + 64, y))) differ = true;
            }
        }
        Check(opaque[0] > 0 && opaque[1] > 0, a.name + ": a pose has no opaque pixels");
        Check(differ, a.name + ": the two poses are identical");
        // A walker filling less than half its cell's height would look lost on a
        // big screen; this catches art shifted or clipped out of its cell.
        int top = a.h, bottom = -1;
        for (int y = 0; y < a.h; ++y)
            for (int x = 0; x < 128; ++x)
                if (!Transparent(mask, a.x + x, a.y + y)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        Check(bottom - top + 1 >= 32, a.name + ": drawn less than 32 pixels tall");
        Check(bottom >= a.h - 8, a.name + ": feet are not near the bottom of the cell");
    }

    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const int n = owners[static_cast<std::size_t>(y * Width + x)];
            if (n != 1 && !Transparent(mask, x, y)) {
                Check(false, "mask: opaque pixel owned by " + std::to_string(n) + " areas at " + std::to_string(x) + "," +
                                 std::to_string(y));
                return;
            }
        }
}

void CheckIcon(const std::string& path) {
    const auto b = Slurp(path);
    Check(b.size() >= 6 && U16(b, 0) == 0 && U16(b, 2) == 1, path + ": not an icon file");
    if (b.size() < 6) return;
    const std::uint32_t count = U16(b, 4);
    Check(count == 3, path + ": expected 3 images");
    std::array<bool, 3> seen{};
    for (std::uint32_t i = 0; i < count && 6 + 16 * i + 16 <= b.size(); ++i) {
        const std::size_t e = 6 + 16 * i;
        const int size = b[e] == 0 ? 256 : b[e];
        Check(b[e] == b[e + 1], path + ": image is not square");
        const std::size_t at = U32(b, e + 12), bytes = U32(b, e + 8);
        Check(at + bytes <= b.size(), path + ": image runs past the end of the file");
        if (at + bytes > b.size() || at + 40 > b.size()) continue;
        const int bits = static_cast<int>(U16(b, at + 14));
        Check(U32(b, at) == 40 && I32(b, at + 4) == size && I32(b, at + 8) == 2 * size,
              path + ": image header does not describe XOR + AND of " + std::to_string(size));
        Check(bits == 32 || bits == 8, path + ": image is neither 32 nor 8 bits");
        Check(U16(b, e + 6) == static_cast<std::uint32_t>(bits), path + ": directory bit count disagrees with image");
        const std::size_t colours = bits == 8 ? 256 : 0;
        const std::size_t xorBytes = static_cast<std::size_t>(((size * bits + 31) / 32) * 4 * size);
        const std::size_t andBytes = static_cast<std::size_t>(((size + 31) / 32) * 4 * size);
        Check(bytes == 40 + colours * 4 + xorBytes + andBytes, path + ": image size field is wrong");
        // The icon must show something: some pixel left opaque by the AND mask.
        bool any = false;
        const std::size_t andAt = at + 40 + colours * 4 + xorBytes;
        for (std::size_t k = 0; k < andBytes && andAt + k < b.size(); ++k)
            if (b[andAt + k] != 0xff && ((k % (((size + 31) / 32) * 4)) * 8 < static_cast<std::size_t>(size))) any = true;
        Check(any, path + ": image " + std::to_string(size) + " is fully transparent");
        for (int s = 0; s < 3; ++s)
            if (size == std::array<int, 3>{16, 32, 48}[static_cast<std::size_t>(s)]) seen[static_cast<std::size_t>(s)] = true;
    }
    Check(seen[0] && seen[1] && seen[2], path + ": needs 16, 32 and 48 pixel images");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: virelo-artcheck <resources-dir>\n";
        return 2;
    }
    const std::string dir = argv[1];
    const Dib sheet = ReadBmp(dir + "/sheet.bmp", 8, 256);
    const Dib mask = ReadBmp(dir + "/mask.bmp", 1, 2);
    if (sheet.ok && mask.ok) CheckSheet(sheet, mask);
    CheckIcon(dir + "/virelo.ico");
    if (failures) {
        std::cerr << failures << " problem(s) in " << dir << "\n";
        return 1;
    }
    return 0;
}
