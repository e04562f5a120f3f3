// artgen: turns the text pixel art under resources/art into the saver's bitmap
// resources (sheet.bmp, mask.bmp, virelo.ico) and a contact sheet PNG for review.
//
//   virelo-artgen <art-dir> <out-dir> <contact-png>
//
// The output is a pure function of the art files: no time stamps, no hash-order
// iteration, integer arithmetic only, so the committed resources can be compared
// byte for byte with a fresh run.
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/output.h"
#include "parade/sheet.h"

namespace fs = std::filesystem;

namespace {

using virelo::CellSize;
using virelo::CostumedCount;
using virelo::SheetHeight;
using virelo::SheetWidth;
using virelo::WalkerCount;

// The sheet's geometry is the parade's: the saver reads these rectangles straight out of
// the bitmaps.
struct Placement {
    int x, y, width, height;  // of the first pose; the second is CellSize to the right
};

Placement PlacementFor(int walker, int costume) {
    const virelo::Rect r = virelo::PosesFor(walker, costume)->first;
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> ReadLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot open " + path.string());
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

// Calls record(where, words) for every line of a word-per-field text file that is neither
// blank nor a '#' comment; `where` is "file:line" for messages.
template <typename Record>
void ForEachRecord(const fs::path& path, Record record) {
    int lineNo = 0;
    for (const auto& raw : ReadLines(path)) {
        ++lineNo;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        record(path.filename().string() + ":" + std::to_string(lineNo), Words(line));
    }
}

int ParseInt(const std::string& s, const std::string& where) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0') Fail(where + ": expected a number, got '" + s + "'");
    return static_cast<int>(v);
}

// ---------------------------------------------------------------------------
// Palette: one line per entry, "<key> <index> <rrggbb> <name...>". The key is the
// character used in the art; '.' is reserved for transparent and maps to index 0,
// which must be pure black because the saver blits the sheet onto a black screen
// through the mask and any other colour there would show as a box.

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Palette {
    std::array<Rgb, 256> colours{};
    std::array<int, 256> indexOfKey{};  // -1 when the key is unknown
    Palette() { indexOfKey.fill(-1); }
};

constexpr char TransparentKey = '.';

Palette LoadPalette(const fs::path& path) {
    Palette pal;
    std::array<bool, 256> used{};
    ForEachRecord(path, [&](const std::string& where, const std::vector<std::string>& w) {
        if (w.size() < 3 || w[0].size() != 1 || w[2].size() != 6) Fail(where + ": expected '<key> <index> <rrggbb> <name>'");
        const unsigned char key = static_cast<unsigned char>(w[0][0]);
        const int index = ParseInt(w[1], where);
        if (index < 0 || index > 255) Fail(where + ": index out of range");
        if (key == '#' || key <= ' ' || key > '~') Fail(where + ": key must be a printable character other than '#'");
        if (pal.indexOfKey[key] >= 0) Fail(where + ": key used twice");
        if (used[index]) Fail(where + ": index used twice");
        const unsigned long rgb = std::strtoul(w[2].c_str(), nullptr, 16);
        pal.colours[index] = {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                              static_cast<std::uint8_t>(rgb)};
        pal.indexOfKey[key] = index;
        used[index] = true;
    });
    if (pal.indexOfKey[TransparentKey] != 0) Fail(path.string() + ": '.' must be entry 0");
    const Rgb zero = pal.colours[0];
    if (zero.r || zero.g || zero.b) Fail(path.string() + ": entry 0 must be black");
    // An opaque pixel that happens to be index 0 would be indistinguishable in the
    // sheet from background; that is harmless, but a second key on index 0 is not.
    return pal;
}

// ---------------------------------------------------------------------------
// Art files. A file holds one costume of one walker, both poses, at "size" art
// pixels, each drawn as a scale x scale block:
//
//   name Knight
//   size 32 32
//   scale 2
//   outline o        draw key 'o' around every shape (4-neighbourhood); optional
//   pose A
//   ...rows...
//   pose B
//   ...rows...
//
// Rows are exactly "size" wide; '.' is transparent.

struct Pose {
    int width = 0, height = 0;
    std::vector<int> pixels;  // palette index, or -1 for transparent
    int at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

struct Art {
    std::string name;
    int scale = 1;
    std::array<Pose, 2> poses;  // scaled to sheet pixels
};

Pose ApplyOutline(const Pose& in, int outlineIndex, bool eightWay) {
    Pose out = in;
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            if (in.at(x, y) >= 0) continue;
            bool touches = false;
            for (int dy = -1; dy <= 1 && !touches; ++dy) {
                for (int dx = -1; dx <= 1 && !touches; ++dx) {
                    if ((dx == 0 && dy == 0) || (!eightWay && dx != 0 && dy != 0)) continue;
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= in.width || ny >= in.height) continue;
                    touches = in.at(nx, ny) >= 0;
                }
            }
            if (touches) out.pixels[static_cast<std::size_t>(y * in.width + x)] = outlineIndex;
        }
    }
    return out;
}

Pose Upscale(const Pose& in, int scale) {
    Pose out;
    out.width = in.width * scale;
    out.height = in.height * scale;
    out.pixels.resize(static_cast<std::size_t>(out.width * out.height));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[static_cast<std::size_t>(y * out.width + x)] = in.at(x / scale, y / scale);
    return out;
}

Art LoadArt(const fs::path& path, const Palette& pal) {
    Art art;
    int width = 0, height = 0;
    std::optional<int> outline;
    bool eightWay = false;
    std::array<std::vector<std::string>, 2> rows;
    int current = -1;  // pose being read
    int lineNo = 0;
    const std::string file = path.filename().string();
    for (const auto& raw : ReadLines(path)) {
        ++lineNo;
        const std::string where = file + ":" + std::to_string(lineNo);
        const std::string line = Trim(raw);
        if (line.empty()) {
            current = -1;
            continue;
        }
        if (current >= 0 && line.find(' ') == std::string::npos && line.rfind("pose", 0) != 0) {
            rows[static_cast<std::size_t>(current)].push_back(line);
            continue;
        }
        if (line[0] == '#') continue;
        const auto w = Words(line);
        if (w[0] == "name" && w.size() >= 2) {
            art.name = Trim(line.substr(4));
        } else if (w[0] == "size" && w.size() == 3) {
            width = ParseInt(w[1], where);
            height = ParseInt(w[2], where);
        } else if (w[0] == "scale" && w.size() == 2) {
            art.scale = ParseInt(w[1], where);
        } else if (w[0] == "outline" && (w.size() == 2 || w.size() == 3)) {
            if (w[1].size() != 1 || pal.indexOfKey[static_cast<unsigned char>(w[1][0])] <= 0)
                Fail(where + ": outline needs an opaque palette key");
            outline = pal.indexOfKey[static_cast<unsigned char>(w[1][0])];
            eightWay = w.size() == 3 && w[2] == "8";
            if (w.size() == 3 && w[2] != "4" && w[2] != "8") Fail(where + ": outline neighbourhood is 4 or 8");
        } else if (w[0] == "pose" && w.size() == 2 && (w[1] == "A" || w[1] == "B")) {
            current = w[1] == "A" ? 0 : 1;
            if (!rows[static_cast<std::size_t>(current)].empty()) Fail(where + ": pose given twice");
        } else {
            Fail(where + ": cannot read '" + line + "'");
        }
    }
    if (width <= 0 || height <= 0 || art.scale <= 0) Fail(file + ": size and scale must be positive");
    for (int p = 0; p < 2; ++p) {
        const auto& r = rows[static_cast<std::size_t>(p)];
        const std::string poseName = file + " pose " + (p == 0 ? "A" : "B");
        if (static_cast<int>(r.size()) != height)
            Fail(poseName + ": " + std::to_string(r.size()) + " rows, expected " + std::to_string(height));
        Pose pose;
        pose.width = width;
        pose.height = height;
        for (int y = 0; y < height; ++y) {
            if (static_cast<int>(r[static_cast<std::size_t>(y)].size()) != width)
                Fail(poseName + " row " + std::to_string(y) + ": " + std::to_string(r[static_cast<std::size_t>(y)].size()) +
                     " wide, expected " + std::to_string(width));
            for (char c : r[static_cast<std::size_t>(y)]) {
                const int index = pal.indexOfKey[static_cast<unsigned char>(c)];
                if (index < 0) Fail(poseName + " row " + std::to_string(y) + ": unknown key '" + std::string(1, c) + "'");
                pose.pixels.push_back(c == TransparentKey ? -1 : index);
            }
        }
        if (outline) pose = ApplyOutline(pose, *outline, eightWay);
        art.poses[static_cast<std::size_t>(p)] = Upscale(pose, art.scale);
    }
    return art;
}

// ---------------------------------------------------------------------------
// Composition.

struct Sheet {
    std::vector<std::uint8_t> index = std::vector<std::uint8_t>(SheetWidth * SheetHeight, 0);
    std::vector<std::uint8_t> opaque = std::vector<std::uint8_t>(SheetWidth * SheetHeight, 0);
    std::size_t at(int x, int y) const { return static_cast<std::size_t>(y * SheetWidth + x); }
};

struct Entry {
    int walker;
    int costume;  // as the parade counts: 0, or 1 for the second
    fs::path file;
};

std::vector<Entry> LoadLayout(const fs::path& path) {
    std::vector<Entry> entries;
    ForEachRecord(path, [&](const std::string& where, const std::vector<std::string>& w) {
        if (w.size() != 3) Fail(where + ": expected '<walker> <costume> <file>'");
        // The layout counts costumes from 1, as people do.
        Entry e{ParseInt(w[0], where), ParseInt(w[1], where) - 1, path.parent_path() / w[2]};
        if (e.walker < 0 || e.walker >= WalkerCount) Fail(where + ": no such walker");
        if (!virelo::HasCostume(e.walker, e.costume)) Fail(where + ": this walker has no such costume");
        for (const auto& other : entries)
            if (other.walker == e.walker && other.costume == e.costume) Fail(where + ": listed twice");
        entries.push_back(e);
    });
    if (entries.size() != WalkerCount + CostumedCount) Fail(path.string() + ": every walker and costume must be listed");
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return std::pair(a.costume, a.walker) < std::pair(b.costume, b.walker); });
    return entries;
}

// Areas overlap in exactly one place (the tall walker reaches into the second
// costume row). The saver draws each area with the same mask, so a pixel owned by
// two areas must be transparent for both or one walker would carry a scrap of the
// other. Pixels nobody owns stay transparent.
Sheet Compose(const std::vector<Entry>& entries, const Palette& pal) {
    Sheet sheet;
    std::vector<int> owners(SheetWidth * SheetHeight, 0);
    std::vector<std::uint8_t> painted(SheetWidth * SheetHeight, 0);
    for (const auto& e : entries) {
        const Placement p = PlacementFor(e.walker, e.costume);
        for (int y = p.y; y < p.y + p.height; ++y)
            for (int x = p.x; x < p.x + 2 * p.width; ++x) ++owners[sheet.at(x, y)];
    }
    for (const auto& e : entries) {
        Art art = LoadArt(e.file, pal);
        const Placement p = PlacementFor(e.walker, e.costume);
        const std::string who = "walker " + std::to_string(e.walker) + " costume " + std::to_string(e.costume + 1) + " (" +
                                e.file.filename().string() + ")";
        for (int k = 0; k < 2; ++k) {
            const Pose& pose = art.poses[static_cast<std::size_t>(k)];
            if (pose.width != p.width || pose.height != p.height)
                Fail(who + ": pose is " + std::to_string(pose.width) + "x" + std::to_string(pose.height) + ", the sheet needs " +
                     std::to_string(p.width) + "x" + std::to_string(p.height));
            bool any = false;
            for (int y = 0; y < pose.height; ++y) {
                for (int x = 0; x < pose.width; ++x) {
                    const int v = pose.at(x, y);
                    if (v < 0) continue;
                    const std::size_t at = sheet.at(p.x + k * CellSize + x, p.y + y);
                    if (owners[at] != 1)
                        Fail(who + ": opaque pixel at sheet (" + std::to_string(p.x + k * CellSize + x) + "," +
                             std::to_string(p.y + y) + ") which another area shares");
                    sheet.index[at] = static_cast<std::uint8_t>(v);
                    sheet.opaque[at] = 1;
                    painted[at] = 1;
                    any = true;
                }
            }
            if (!any) Fail(who + ": a pose is empty");
        }
        if (art.poses[0].pixels == art.poses[1].pixels) Fail(who + ": both poses are the same picture");
    }
    return sheet;
}

// ---------------------------------------------------------------------------
// Little-endian byte writer.

struct Bytes {
    std::vector<std::uint8_t> data;
    void u8(unsigned v) { data.push_back(static_cast<std::uint8_t>(v)); }
    void u16(unsigned v) {
        u8(v & 0xff);
        u8((v >> 8) & 0xff);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
};

// Whole or not at all: a committed resource is never left half written.
void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& data) {
    virelo::OutputFile out(path.string());
    if (!out.Write(data.data(), data.size()) || !out.Commit()) Fail(out.error());
}

void InfoHeader(Bytes& b, int width, int height, int bits, std::uint32_t imageSize, std::uint32_t coloursUsed) {
    b.u32(40);
    b.i32(width);
    b.i32(height);
    b.u16(1);
    b.u16(static_cast<unsigned>(bits));
    b.u32(0);  // BI_RGB
    b.u32(imageSize);
    b.i32(2835);  // 72 dpi; nobody reads it, but zero upsets some viewers
    b.i32(2835);
    b.u32(coloursUsed);
    b.u32(0);
}

std::vector<std::uint8_t> SheetBmp(const Sheet& sheet, const Palette& pal) {
    const std::uint32_t stride = (SheetWidth + 3) & ~3u;
    const std::uint32_t imageSize = stride * SheetHeight;
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    Bytes b;
    b.u8('B');
    b.u8('M');
    b.u32(offset + imageSize);
    b.u32(0);
    b.u32(offset);
    InfoHeader(b, SheetWidth, SheetHeight, 8, imageSize, 256);
    for (const Rgb& c : pal.colours) {
        b.u8(c.b);
        b.u8(c.g);
        b.u8(c.r);
        b.u8(0);
    }
    for (int y = SheetHeight - 1; y >= 0; --y) {
        for (int x = 0; x < SheetWidth; ++x) b.u8(sheet.opaque[sheet.at(x, y)] ? sheet.index[sheet.at(x, y)] : 0);
        for (std::uint32_t x = SheetWidth; x < stride; ++x) b.u8(0);
    }
    return b.data;
}

// Monochrome DIB rows: most significant bit is the leftmost pixel, 1 = transparent.
std::vector<std::uint8_t> MaskRows(int width, int height, const auto& isOpaque) {
    const int stride = ((width + 31) / 32) * 4;
    std::vector<std::uint8_t> rows;
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(stride), 0);
        for (int x = 0; x < width; ++x)
            if (!isOpaque(x, y)) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
}

std::vector<std::uint8_t> MaskBmp(const Sheet& sheet) {
    const auto rows = MaskRows(SheetWidth, SheetHeight, [&](int x, int y) { return sheet.opaque[sheet.at(x, y)] != 0; });
    const std::uint32_t offset = 14 + 40 + 2 * 4;
    Bytes b;
    b.u8('B');
    b.u8('M');
    b.u32(offset + static_cast<std::uint32_t>(rows.size()));
    b.u32(0);
    b.u32(offset);
    InfoHeader(b, SheetWidth, SheetHeight, 1, static_cast<std::uint32_t>(rows.size()), 2);
    b.u32(0x00000000);  // entry 0 black: opaque
    b.u32(0x00ffffff);  // entry 1 white: transparent
    b.data.insert(b.data.end(), rows.begin(), rows.end());
    return b.data;
}

// ---------------------------------------------------------------------------
// Icon: walker 0's first pose, area-averaged from its 64x64 cell. Averaging is done
// on alpha-premultiplied colour in exact integer arithmetic (a target pixel's area
// is 64*64 in units of 1/size of a source pixel), so edges soften without dark
// fringes and the bytes never depend on floating point.

struct Rgba {
    std::uint8_t r, g, b, a;
};

std::vector<Rgba> Resample(const std::vector<Rgba>& src, int srcSize, int size) {
    std::vector<Rgba> out(static_cast<std::size_t>(size * size));
    const std::int64_t area = static_cast<std::int64_t>(srcSize) * srcSize;
    for (int ty = 0; ty < size; ++ty) {
        for (int tx = 0; tx < size; ++tx) {
            std::int64_t r = 0, g = 0, b = 0, a = 0;
            for (int sy = ty * srcSize / size; sy < srcSize && sy * size < (ty + 1) * srcSize; ++sy) {
                const std::int64_t oy = std::min((sy + 1) * size, (ty + 1) * srcSize) - std::max(sy * size, ty * srcSize);
                for (int sx = tx * srcSize / size; sx < srcSize && sx * size < (tx + 1) * srcSize; ++sx) {
                    const std::int64_t ox = std::min((sx + 1) * size, (tx + 1) * srcSize) - std::max(sx * size, tx * srcSize);
                    if (ox <= 0 || oy <= 0) continue;
                    const Rgba p = src[static_cast<std::size_t>(sy * srcSize + sx)];
                    const std::int64_t w = ox * oy;
                    r += w * p.r * p.a;
                    g += w * p.g * p.a;
                    b += w * p.b * p.a;
                    a += w * p.a;
                }
            }
            Rgba& o = out[static_cast<std::size_t>(ty * size + tx)];
            o.a = static_cast<std::uint8_t>((a + area / 2) / area);
            if (a == 0) {
                o.r = o.g = o.b = 0;
            } else {
                o.r = static_cast<std::uint8_t>((r + a / 2) / a);
                o.g = static_cast<std::uint8_t>((g + a / 2) / a);
                o.b = static_cast<std::uint8_t>((b + a / 2) / a);
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> IconFile(const Sheet& sheet, const Palette& pal) {
    std::vector<Rgba> cell(CellSize * CellSize);
    for (int y = 0; y < CellSize; ++y) {
        for (int x = 0; x < CellSize; ++x) {
            const std::size_t at = sheet.at(x, y);  // walker 0, pose A
            const Rgb c = pal.colours[sheet.index[at]];
            cell[static_cast<std::size_t>(y * CellSize + x)] =
                sheet.opaque[at] ? Rgba{c.r, c.g, c.b, 255} : Rgba{0, 0, 0, 0};
        }
    }
    constexpr std::array<int, 3> sizes = {16, 32, 48};
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) {
        const auto px = Resample(cell, CellSize, size);
        // Old shells ignore alpha and draw through the AND mask, so the mask is
        // the alpha channel cut at one half and the XOR colour is left
        // unpremultiplied. Fully transparent pixels carry black so the XOR pass
        // leaves the screen untouched.
        const auto isOpaque = [&](int x, int y) { return px[static_cast<std::size_t>(y * size + x)].a >= 128; };
        const auto andRows = MaskRows(size, size, isOpaque);
        Bytes b;
        InfoHeader(b, size, size * 2, 32, static_cast<std::uint32_t>(size * size * 4 + andRows.size()), 0);
        for (int y = size - 1; y >= 0; --y) {
            for (int x = 0; x < size; ++x) {
                const Rgba p = px[static_cast<std::size_t>(y * size + x)];
                b.u8(p.a ? p.b : 0);
                b.u8(p.a ? p.g : 0);
                b.u8(p.a ? p.r : 0);
                b.u8(p.a);
            }
        }
        b.data.insert(b.data.end(), andRows.begin(), andRows.end());
        images.push_back(std::move(b.data));
    }
    Bytes ico;
    ico.u16(0);
    ico.u16(1);  // icon, not cursor
    ico.u16(static_cast<unsigned>(sizes.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        ico.u8(static_cast<unsigned>(sizes[i]));
        ico.u8(static_cast<unsigned>(sizes[i]));
        ico.u8(0);  // no colour table
        ico.u8(0);
        ico.u16(1);
        ico.u16(32);
        ico.u32(static_cast<std::uint32_t>(images[i].size()));
        ico.u32(offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images) ico.data.insert(ico.data.end(), image.begin(), image.end());
    return ico.data;
}

// ---------------------------------------------------------------------------
// Contact sheet: the sheet at 2x on black, with a faint cell grid and walker
// numbers drawn only where the sprites are transparent, so nothing of the art is
// covered and what you see is what the saver blits.

constexpr int ContactScale = 2;

// 3x5 glyphs for the labels, one row per 3-bit group, top row first.
constexpr std::array<std::uint16_t, 11> Glyphs = {
    0b111'101'101'101'111,  // 0
    0b010'110'010'010'111,  // 1
    0b111'001'111'100'111,  // 2
    0b111'001'111'001'111,  // 3
    0b101'101'111'001'001,  // 4
    0b111'100'111'001'111,  // 5
    0b111'100'111'101'111,  // 6
    0b111'001'010'010'010,  // 7
    0b111'101'111'101'111,  // 8
    0b111'101'111'001'111,  // 9
    0b100'100'111'101'111,  // b
};

void WritePng(const fs::path& path, int width, int height, const std::vector<Rgb>& px) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        Fail("libpng failed writing " + path.string());
    }
    std::vector<std::uint8_t> bytes;
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto& out = *static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            out.insert(out.end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width * 3));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = px[static_cast<std::size_t>(y * width + x)];
            row[static_cast<std::size_t>(x * 3)] = c.r;
            row[static_cast<std::size_t>(x * 3 + 1)] = c.g;
            row[static_cast<std::size_t>(x * 3 + 2)] = c.b;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    WriteFile(path, bytes);
}

void ContactSheet(const fs::path& path, const Sheet& sheet, const Palette& pal, const std::vector<Entry>& entries) {
    const int w = SheetWidth * ContactScale, h = SheetHeight * ContactScale;
    std::vector<Rgb> px(static_cast<std::size_t>(w * h));
    const auto transparentAt = [&](int x, int y) { return !sheet.opaque[sheet.at(x / ContactScale, y / ContactScale)]; };
    const auto put = [&](int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < w && y < h && transparentAt(x, y)) px[static_cast<std::size_t>(y * w + x)] = c;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t at = sheet.at(x / ContactScale, y / ContactScale);
            px[static_cast<std::size_t>(y * w + x)] = sheet.opaque[at] ? pal.colours[sheet.index[at]] : Rgb{};
        }
    }
    const Rgb grid{26, 26, 40}, poseLine{18, 18, 28}, label{90, 90, 120};
    for (const auto& e : entries) {
        const Placement p = PlacementFor(e.walker, e.costume);
        const int x0 = p.x * ContactScale, y0 = p.y * ContactScale;
        const int x1 = (p.x + 2 * p.width) * ContactScale - 1, y1 = (p.y + p.height) * ContactScale - 1;
        for (int x = x0; x <= x1; ++x) {
            put(x, y0, grid);
            put(x, y1, grid);
        }
        for (int y = y0; y <= y1; ++y) {
            put(x0, y, grid);
            put(x1, y, grid);
            if (y % 4 < 2) put(x0 + p.width * ContactScale, y, poseLine);
        }
        std::vector<int> glyphs;
        if (e.walker >= 10) glyphs.push_back(e.walker / 10);
        glyphs.push_back(e.walker % 10);
        if (e.costume == 1) glyphs.push_back(10);
        int gx = x0 + 3;
        for (int g : glyphs) {
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (Glyphs[static_cast<std::size_t>(g)] >> (14 - row * 3 - col) & 1)
                        for (int s = 0; s < 4; ++s) put(gx + col * 2 + s % 2, y0 + 3 + row * 2 + s / 2, label);
            gx += 8;
        }
    }
    WritePng(path, w, h, px);
}

}  // namespace

int main(int argc, char** argv) {
    virelo::GuardOutput();
    if (argc != 4) {
        std::cerr << "usage: virelo-artgen <art-dir> <out-dir> <contact-png>\n";
        return 2;
    }
    try {
        const fs::path artDir = argv[1], outDir = argv[2], contact = argv[3];
        const Palette pal = LoadPalette(artDir / "palette.txt");
        const auto entries = LoadLayout(artDir / "layout.txt");
        const Sheet sheet = Compose(entries, pal);
        fs::create_directories(outDir);
        if (contact.has_parent_path()) fs::create_directories(contact.parent_path());
        WriteFile(outDir / "sheet.bmp", SheetBmp(sheet, pal));
        WriteFile(outDir / "mask.bmp", MaskBmp(sheet));
        WriteFile(outDir / "virelo.ico", IconFile(sheet, pal));
        ContactSheet(contact, sheet, pal, entries);
    } catch (const std::exception& e) {
        std::cerr << "virelo-artgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
