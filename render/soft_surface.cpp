#include "render/soft_surface.h"

#include <algorithm>

#include "parade/sheet.h"

namespace virelo {
namespace {

// The index of pixel x in a stored row of 1, 4 or 8 bits per pixel, leftmost pixel in the
// high bits.
std::uint32_t IndexAt(const std::uint8_t* row, std::int32_t x, std::uint16_t bits) {
    const std::int64_t bit = std::int64_t{x} * bits;
    const std::uint32_t byte = row[bit / 8];
    const auto shift = static_cast<std::uint32_t>(8 - bits - bit % 8);
    return (byte >> shift) & ((1u << bits) - 1);
}

// For one axis of a resample: dest pixel d covers source units [d * from, (d + 1) * from)
// where source pixel s covers [s * to, (s + 1) * to), so every dest pixel's weights sum to
// `from`.
struct Span {
    std::int32_t first;
    std::size_t weight;  // index of the first weight in Axis::weights
    std::int32_t count;
};

struct Axis {
    std::vector<Span> spans;
    std::vector<std::uint32_t> weights;
};

Axis MakeAxis(std::int32_t from, std::int32_t to) {
    Axis a;
    a.spans.reserve(to);
    for (std::int64_t d = 0; d < to; ++d) {
        const std::int64_t lo = d * from, hi = (d + 1) * from;
        const std::int64_t first = lo / to, last = (hi - 1) / to;
        a.spans.push_back({static_cast<std::int32_t>(first), a.weights.size(),
                           static_cast<std::int32_t>(last - first + 1)});
        for (std::int64_t s = first; s <= last; ++s)
            a.weights.push_back(
                static_cast<std::uint32_t>(std::min(hi, (s + 1) * to) - std::max(lo, s * to)));
    }
    return a;
}

// Rows of a picture lie a page or more apart, too far for the processor to fetch the next
// ahead by itself, and a saver's picture is cold at every tick: the first touch of each row
// costs a trip to memory. Asked for all at once, before the work, those trips overlap
// instead of following one another (a fifth off a cold tick).
template <int Write = 1>
void Prefetch(const Pixel* row, std::int64_t width) {
    for (std::int64_t i = 0; i < width; i += 16) __builtin_prefetch(row + i, Write);
}

// A sprite pixel packs both pictures: the sheet's colour in the low 24 bits, and bit 24
// set where the mask keeps the screen.
constexpr Pixel Keeps = Pixel{1} << 24;
// The sprite lies in strips this many columns wide, a strip's rows one after the other:
// a cell's rows are then one run of memory, which the processor streams in ahead,
// instead of rows a sheet's width apart that each cost a miss.
constexpr std::int64_t StripWidth = CellSize;

// One run of a masked transfer: (screen AND mask) OR sheet, in blocks of 8 pixels over
// buffers declared distinct, which -O2 turns into vector steps (a plain loop of unknown
// length stays scalar there).
void AndOrRun(Pixel* __restrict out, const Pixel* __restrict sprite, std::int64_t width) {
    const auto one = [](Pixel o, Pixel v) { return (o & ((0u - (v >> 24)) & 0xFFFFFF)) | (v & 0xFFFFFF); };
    std::int64_t i = 0;
    for (; i + 8 <= width; i += 8)
        for (int k = 0; k < 8; ++k) out[i + k] = one(out[i + k], sprite[i + k]);
    for (; i < width; ++i) out[i] = one(out[i], sprite[i]);
}

bool Touches(const Rect& a, const Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

std::int64_t Area(const Rect& r) { return std::int64_t{r.right - r.left} * (r.bottom - r.top); }

// `r`, measured in a space of fromW x fromH, in a space of toW x toH, rounded outward: the
// client pixels whose average reads a stage rectangle, or the stage pixels a client
// rectangle's pixels read.
Rect ScaleOutward(const Rect& r, std::int64_t fromW, std::int64_t fromH, std::int64_t toW,
                  std::int64_t toH) {
    return {static_cast<std::int32_t>(r.left * toW / fromW),
            static_cast<std::int32_t>(r.top * toH / fromH),
            static_cast<std::int32_t>((r.right * toW + fromW - 1) / fromW),
            static_cast<std::int32_t>((r.bottom * toH + fromH - 1) / fromH)};
}

Rect Clip(const Rect& r, std::int32_t w, std::int32_t h) {
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, w), std::min(r.bottom, h)};
}

bool Empty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

}  // namespace

void AddMerged(std::vector<Rect>& list, Rect r) {
    for (std::size_t i = 0; i < list.size();) {
        const Rect& d = list[i];
        const Rect both{std::min(r.left, d.left), std::min(r.top, d.top), std::max(r.right, d.right),
                        std::max(r.bottom, d.bottom)};
        if (Touches(d, r) && Area(both) <= Area(r) + Area(d)) {
            r = both;
            list[i] = list.back();
            list.pop_back();
            i = 0;  // the larger box may now touch one already passed
        } else {
            ++i;
        }
    }
    list.push_back(r);
}

Image::Image(std::int32_t w, std::int32_t h)
    : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, 0) {}

Image Blocks(const Image& from, std::int32_t zoom) {
    Image to(from.width * zoom, from.height * zoom);
    for (std::int32_t y = 0; y < to.height; ++y) {
        const Pixel* row = &from.pixels[static_cast<std::size_t>(y / zoom) * from.width];
        for (std::int32_t x = 0; x < to.width; ++x) to.At(x, y) = row[x / zoom];
    }
    return to;
}

void ScaleAveraging(const Image& from, Image& to) {
    ScaleAveraging(from, to.Rows(), {0, 0, to.width, to.height});
}

void ScaleAveraging(const Image& from, PixelRows to, const Rect& area) {
    const std::int32_t x0 = std::max(area.left, 0), x1 = std::min(area.right, to.width);
    const std::int32_t y0 = std::max(area.top, 0), y1 = std::min(area.bottom, to.height);
    if (x0 >= x1 || y0 >= y1) return;
    const Axis ax = MakeAxis(from.width, to.width);
    const Axis ay = MakeAxis(from.height, to.height);
    // Horizontal pass over the source rows that the area's rows read: per channel sums of at
    // most 255 * from.width.
    const std::int32_t r0 = ay.spans[y0].first;
    const std::int32_t r1 = ay.spans[y1 - 1].first + ay.spans[y1 - 1].count;
    const auto cols = static_cast<std::size_t>(x1 - x0);
    std::vector<std::uint32_t> rows(cols * (r1 - r0) * 3);
    for (std::int32_t y = r0; y < r1; ++y) {
        std::uint32_t* out = rows.data() + static_cast<std::size_t>(y - r0) * cols * 3;
        for (std::int32_t d = x0; d < x1; ++d) {
            const Span& s = ax.spans[d];
            std::uint32_t r = 0, g = 0, b = 0;
            for (std::int32_t k = 0; k < s.count; ++k) {
                const Pixel p = from.At(s.first + k, y);
                const std::uint32_t w = ax.weights[s.weight + k];
                r += (p >> 16 & 0xFF) * w;
                g += (p >> 8 & 0xFF) * w;
                b += (p & 0xFF) * w;
            }
            *out++ = r;
            *out++ = g;
            *out++ = b;
        }
    }
    // Vertical pass: sums reach at most 255 * from.width * from.height.
    const std::uint32_t total = static_cast<std::uint32_t>(from.width) * from.height;
    for (std::int32_t y = y0; y < y1; ++y) {
        const Span& s = ay.spans[y];
        for (std::int32_t x = x0; x < x1; ++x) {
            std::uint32_t c[3] = {0, 0, 0};
            for (std::int32_t k = 0; k < s.count; ++k) {
                const std::uint32_t* in =
                    rows.data() + (static_cast<std::size_t>(s.first + k - r0) * cols + (x - x0)) * 3;
                const std::uint32_t w = ay.weights[s.weight + k];
                for (int ch = 0; ch < 3; ++ch) c[ch] += in[ch] * w;
            }
            for (std::uint32_t& v : c) v = (v + total / 2) / total;
            to.At(x, y) = c[0] << 16 | c[1] << 8 | c[2];
        }
    }
}

SoftSurface::SoftSurface(std::int32_t width, std::int32_t height, Pixel* pixels)
    : width_(width), height_(height), external_(pixels) {
    if (!external_) client_ = Image(width, height);
}

void SoftSurface::DrawInto(Pixel* pixels, const Pixel* from, std::vector<Rect> missed) {
    external_ = pixels;
    if (!external_ && client_.pixels.empty()) client_ = Image(width_, height_);
    missedFrom_ = from;
    missed_ = from && external_ ? std::move(missed) : std::vector<Rect>{};
}

void SoftSurface::Fetch(const Rect& area) {
    const PixelRows to = Client();
    for (std::size_t i = 0; i < missed_.size();) {
        const Rect& m = missed_[i];
        const Rect both{std::max(m.left, area.left), std::max(m.top, area.top), std::min(m.right, area.right),
                        std::min(m.bottom, area.bottom)};
        if (Empty(both)) {
            ++i;
            continue;
        }
        for (std::int32_t y = both.top; y < both.bottom; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * width_ + both.left;
            Prefetch<0>(missedFrom_ + at, both.right - both.left);
            Prefetch(to.pixels + at, both.right - both.left);
        }
        for (std::int32_t y = both.top; y < both.bottom; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * width_ + both.left;
            std::copy_n(missedFrom_ + at, both.right - both.left, to.pixels + at);
        }
        Skip(both);  // whatever is left of the rectangle moves to the end of the list
    }
}

void SoftSurface::Skip(const Rect& area) {
    // Each rectangle that the area cuts is replaced by what lies around the cut.
    const std::size_t count = missed_.size();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Rect m = missed_[i];
        if (!Overlaps(m, area)) {
            missed_[kept++] = m;
            continue;
        }
        const std::int32_t top = std::max(m.top, area.top), bottom = std::min(m.bottom, area.bottom);
        for (const Rect piece : {Rect{m.left, m.top, m.right, top}, Rect{m.left, bottom, m.right, m.bottom},
                                 Rect{m.left, top, std::max(m.left, area.left), bottom},
                                 Rect{std::min(m.right, area.right), top, m.right, bottom}})
            if (!Empty(piece)) missed_.push_back(piece);
    }
    missed_.erase(missed_.begin() + static_cast<std::ptrdiff_t>(kept),
                  missed_.begin() + static_cast<std::ptrdiff_t>(count));
}

void SoftSurface::LoadSheet(const PackedBitmap& sheet) {
    const BitmapHeader& h = sheet.header;
    sheet_ = Image(h.width, h.height);
    for (std::int32_t y = 0; y < h.height; ++y) {
        const std::uint8_t* row = sheet.pixels + static_cast<std::size_t>(h.height - 1 - y) * sheet.rowBytes;
        for (std::int32_t x = 0; x < h.width; ++x) {
            Pixel p = 0;
            if (h.bitCount == 24) {
                const std::uint8_t* q = row + 3 * static_cast<std::size_t>(x);
                p = Pixel{q[2]} << 16 | Pixel{q[1]} << 8 | q[0];
            } else if (const std::uint32_t i = IndexAt(row, x, h.bitCount); i < sheet.colours) {
                const std::uint8_t* q = sheet.colourTable + 4 * static_cast<std::size_t>(i);
                p = Pixel{q[2]} << 16 | Pixel{q[1]} << 8 | q[0];
            }
            sheet_.At(x, y) = p;
        }
    }
    Pack();
}

void SoftSurface::Pack() {
    // The mask's bits stay as they are; a new mask comes to a cleared sprite.
    const std::int64_t strips = (maskWidth_ + StripWidth - 1) / StripWidth;
    sprite_.resize(static_cast<std::size_t>(strips * StripWidth * maskHeight_), 0);
    for (std::int32_t y = 0; y < maskHeight_; ++y)
        for (std::int32_t x = 0; x < maskWidth_; ++x) {
            const Pixel colour = x < sheet_.width && y < sheet_.height ? sheet_.At(x, y) : 0;
            Pixel& p = sprite_[SpriteAt(x, y)];
            p = (p & Keeps) | colour;
        }
}

std::size_t SoftSurface::SpriteAt(std::int64_t x, std::int64_t y) const {
    return static_cast<std::size_t>((x / StripWidth * maskHeight_ + y) * StripWidth + x % StripWidth);
}

bool SoftSurface::LoadMask(const PackedBitmap& mask) {
    sprite_.clear();
    maskWidth_ = maskHeight_ = 0;
    const BitmapHeader& h = mask.header;
    if (h.bitCount != 1) return false;
    maskWidth_ = h.width;
    maskHeight_ = h.height;
    Pack();
    for (std::int32_t y = 0; y < h.height; ++y) {
        const std::uint8_t* row = mask.pixels + static_cast<std::size_t>(h.height - 1 - y) * mask.rowBytes;
        for (std::int32_t x = 0; x < h.width; ++x)
            if (IndexAt(row, x, 1)) sprite_[SpriteAt(x, y)] |= Keeps;
    }
    return true;
}

Image SoftSurface::Mask() const {
    Image m(maskWidth_, maskHeight_);
    for (std::int32_t y = 0; y < maskHeight_; ++y)
        for (std::int32_t x = 0; x < maskWidth_; ++x)
            m.At(x, y) = sprite_[SpriteAt(x, y)] & Keeps ? 0xFFFFFF : 0;
    return m;
}

void SoftSurface::BeginFrame(const Stage& stage) {
    const Rect& client = stage.client;
    const std::int32_t w = client.right - client.left, h = client.bottom - client.top;
    const std::int32_t zoom = std::max(stage.zoom, 1);
    if (w != width_ || h != height_ || zoom != zoom_) {
        width_ = std::max(w, 1);
        height_ = std::max(h, 1);
        client_ = external_ ? Image() : Image(width_, height_);
        stage_ = Image();
        missed_.clear();
        changed_.assign(1, {0, 0, width_, height_});
        stale_.clear();
    }
    logical_ = stage.logical;
    zoom_ = zoom;
    if (Staged() && stage_.pixels.empty())
        stage_ = logical_ ? Image(LogicalScreen.right, LogicalScreen.bottom)
                          : Image(std::max(stage.units.right - stage.units.left, 1),
                                  std::max(stage.units.bottom - stage.units.top, 1));
}

void SoftSurface::Erase(int, const Rect& area) {
    const PixelRows t = Target();
    const std::int32_t l = std::max(area.left, 0), r = std::min(area.right, t.width);
    const std::int32_t u = std::max(area.top, 0), b = std::min(area.bottom, t.height);
    if (l >= r || u >= b) return;
    Touch({l, u, r, b});
    if (!Staged()) Skip({l, u, r, b});
    for (std::int32_t y = u; y < b; ++y) Prefetch(&t.At(l, y), r - l);
    for (std::int32_t y = u; y < b; ++y) std::fill(&t.At(l, y), &t.At(l, y) + (r - l), Pixel{0});
}

bool SoftSurface::DrawCell(int, const CellTransfer& c) {
    if (sprite_.empty()) return false;
    const PixelRows t = Target();
    // 64-bit so that no coordinate a caller passes can wrap while clipping.
    std::int64_t x = c.x, y = c.y, sx = c.srcX, sy = c.srcY, w = c.cx, h = c.cy;
    const std::int64_t skipX = std::max({std::int64_t{0}, -x, -sx});
    const std::int64_t skipY = std::max({std::int64_t{0}, -y, -sy});
    x += skipX, sx += skipX, w -= skipX;
    y += skipY, sy += skipY, h -= skipY;
    w = std::min({w, t.width - x, maskWidth_ - sx});
    h = std::min({h, t.height - y, maskHeight_ - sy});
    if (w <= 0 || h <= 0) return true;
    const Rect cell{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<std::int32_t>(x + w),
                    static_cast<std::int32_t>(y + h)};
    Touch(cell);
    if (!Staged()) Fetch(cell);  // the mask keeps what lies beneath

    for (std::int64_t j = 0; j < h; ++j)
        Prefetch(&t.At(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y + j)), w);
    for (std::int64_t j = 0; j < h; ++j) {
        Pixel* out = &t.At(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y + j));
        // A run ends where its strip does.
        for (std::int64_t i = 0, run = 0; i < w; i += run) {
            run = std::min(w - i, StripWidth - (sx + i) % StripWidth);
            AndOrRun(out + i, sprite_.data() + SpriteAt(sx + i, sy + j), run);
        }
    }
    return true;
}

void SoftSurface::Touch(const Rect& area) {
    if (!Staged()) {
        AddMerged(changed_, area);
        return;
    }
    // Zoomed, the strip narrower than a unit is never drawn and stays black.
    const Rect r = Clip(logical_ ? ScaleOutward(area, stage_.width, stage_.height, width_, height_)
                                 : Rect{area.left * zoom_, area.top * zoom_, area.right * zoom_,
                                        area.bottom * zoom_},
                        width_, height_);
    if (Empty(r)) return;
    AddMerged(changed_, r);
    AddMerged(stale_, r);
}

void SoftSurface::Settle() {
    const PixelRows client = Client();
    for (const Rect& r : stale_) Skip(r);  // computed from the stage below
    Fetch({0, 0, width_, height_});
    for (const Rect& r : stale_) {
        if (logical_) {
            ScaleAveraging(stage_, client, r);
            continue;
        }
        for (std::int32_t y = r.top; y < r.bottom; ++y)
            for (std::int32_t x = r.left; x < r.right; ++x) client.At(x, y) = stage_.At(x / zoom_, y / zoom_);
    }
    stale_.clear();
}

const Image& SoftSurface::Picture() {
    Settle();
    return client_;
}

std::vector<Rect> SoftSurface::TakeChanged() {
    std::vector<Rect> taken;
    taken.swap(changed_);
    return taken;
}

void SoftSurface::Black(const Rect& area) {
    const Rect client = Clip(area, width_, height_);
    if (Empty(client)) return;
    if (!Staged()) {
        Erase(-1, client);
        return;
    }
    const Rect stage = logical_ ? ScaleOutward(client, width_, height_, stage_.width, stage_.height)
                                : ScaleOutward(client, zoom_, zoom_, 1, 1);
    Erase(-1, stage);
    // What lies outside every stage pixel (the zoomed strip) is black already.
}

}  // namespace virelo
