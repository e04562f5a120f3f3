#include "tools/render/gif.h"

#include <gif_lib.h>

#include <algorithm>

namespace virelo {
namespace {

int Channel(Pixel p, int shift) { return static_cast<int>(p >> shift & 0xFF); }

const char* Why(int err) {
    const char* s = GifErrorString(err);
    return s != nullptr ? s : "gif library error";
}

}  // namespace

GifPalette SheetGifPalette(const PackedBitmap& sheet) {
    GifPalette pal;
    const std::uint32_t n = std::min<std::uint32_t>(sheet.colours, 256);
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::uint8_t* q = sheet.colourTable + 4 * k;
        pal.colours[k] = Pixel{q[2]} << 16 | Pixel{q[1]} << 8 | q[0];
    }
    return pal;
}

GifPalette CubeGifPalette() {
    GifPalette pal;
    int k = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                pal.colours[k++] = static_cast<Pixel>((r * 255 / 5) << 16 | (g * 255 / 6) << 8 |
                                                      (b * 255 / 5));
    return pal;
}

int GifDelay(std::int64_t speed) { return static_cast<int>((1000 + speed / 2) / speed); }

GifWriter::GifWriter(const std::string& path, std::int32_t width, std::int32_t height,
                     const GifPalette& palette, int delay)
    : path_(path), file_(path), width_(width), height_(height), palette_(palette), delay_(delay),
      previous_(static_cast<std::size_t>(width) * height),
      current_(previous_.size()) {
    if (!file_.error().empty()) {
        Fail("");
        return;
    }
    int err = 0;
    gif_ = EGifOpen(this, Put, &err);
    if (gif_ == nullptr) {
        Fail(Why(err));
        return;
    }
    EGifSetGifVersion(gif_, true);
    GifColorType colours[256];
    for (int k = 0; k < 256; ++k)
        colours[k] = {static_cast<GifByteType>(Channel(palette_.colours[k], 16)),
                      static_cast<GifByteType>(Channel(palette_.colours[k], 8)),
                      static_cast<GifByteType>(Channel(palette_.colours[k], 0))};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    const bool ok = map != nullptr && EGifPutScreenDesc(gif_, width, height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (!ok) {
        Fail("cannot write the screen descriptor");
        return;
    }
    // Loop for ever.
    static const GifByteType app[] = "NETSCAPE2.0";
    static const GifByteType loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(gif_, 11, app) != GIF_OK ||
        EGifPutExtensionBlock(gif_, 3, loop) != GIF_OK || EGifPutExtensionTrailer(gif_) != GIF_OK)
        Fail("cannot write the loop extension");
}

GifWriter::~GifWriter() {
    if (gif_ != nullptr) EGifCloseFile(gif_, nullptr);
}

bool GifWriter::Fail(const char* what) {
    if (error_.empty()) error_ = !file_.error().empty() ? file_.error() : "cannot write " + path_ + ": " + what;
    return false;
}

int GifWriter::Put(GifFileType* gif, const std::uint8_t* bytes, int size) {
    return static_cast<GifWriter*>(gif->UserData)->file_.Write(bytes, static_cast<std::size_t>(size)) ? size : 0;
}

std::uint8_t GifWriter::Nearest(Pixel p) {
    if (auto it = nearest_.find(p); it != nearest_.end()) return it->second;
    int best = 0, bestDistance = 1 << 30;
    for (int k = 0; k < 256; ++k) {
        const Pixel q = palette_.colours[k];
        int d = 0;
        for (int shift : {16, 8, 0}) {
            const int e = Channel(p, shift) - Channel(q, shift);
            d += e * e;
        }
        if (d < bestDistance) bestDistance = d, best = k;
    }
    return nearest_[p] = static_cast<std::uint8_t>(best);
}

bool GifWriter::Add(const Image& picture) {
    if (gif_ == nullptr || !error_.empty()) return Fail("cannot open the file");
    if (picture.width != width_ || picture.height != height_) return Fail("frame size changed");
    for (std::size_t k = 0; k < current_.size(); ++k) current_[k] = Nearest(picture.pixels[k]);

    // The changed rectangle; a frame identical to the last still takes one pixel, so that
    // its delay is kept.
    std::int32_t l = 0, t = 0, r = width_, b = height_;
    if (!first_) {
        l = width_, t = height_, r = 0, b = 0;
        for (std::int32_t y = 0; y < height_; ++y)
            for (std::int32_t x = 0; x < width_; ++x) {
                const std::size_t k = static_cast<std::size_t>(y) * width_ + x;
                if (current_[k] == previous_[k]) continue;
                l = std::min(l, x), r = std::max(r, x + 1);
                t = std::min(t, y), b = std::max(b, y + 1);
            }
        if (l >= r) l = 0, t = 0, r = 1, b = 1;
    }
    first_ = false;

    GraphicsControlBlock gcb{DISPOSE_DO_NOT, false, delay_, NO_TRANSPARENT_COLOR};
    GifByteType ext[4];
    const auto extLen = static_cast<int>(EGifGCBToExtension(&gcb, ext));
    if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, extLen, ext) != GIF_OK ||
        EGifPutImageDesc(gif_, l, t, r - l, b - t, false, nullptr) != GIF_OK)
        return Fail("cannot write a frame header");
    for (std::int32_t y = t; y < b; ++y) {
        GifPixelType* row = current_.data() + static_cast<std::size_t>(y) * width_ + l;
        if (EGifPutLine(gif_, row, r - l) != GIF_OK) return Fail("cannot write a frame");
    }
    previous_.swap(current_);
    return true;
}

bool GifWriter::Close() {
    if (gif_ == nullptr) return Fail("cannot open the file");
    int err = 0;
    const int rc = EGifCloseFile(gif_, &err);
    gif_ = nullptr;
    if (rc != GIF_OK) return Fail(Why(err));
    return error_.empty() && (file_.Commit() || Fail(""));
}

}  // namespace virelo
