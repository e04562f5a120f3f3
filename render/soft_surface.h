#pragma once
// A framebuffer that draws the parade the way the screen's device context does: erases
// fill black, a cell is the mask ANDed on (bit 0 clears the pixel, bit 1 keeps it) then
// the sheet ORed on. The picture persists between frames, like the screen: FrameStep
// only repaints the walkers' rectangles.
//
// Under the logical screen the 640 x 480 stage is drawn at its own size and scaled onto
// the client when the picture is asked for, each client pixel the area-weighted average
// of the stage pixels it covers. Zoomed (and not logical), the stage is the client in
// units of zoom pixels, and each of its pixels becomes a zoom x zoom block.
#include <cstdint>
#include <vector>

#include "parade/bitmap.h"
#include "parade/frame.h"

namespace virelo {

// 0x00RRGGBB
using Pixel = std::uint32_t;

// Rows of pixels top-down with no padding, in anyone's memory.
struct PixelRows {
    Pixel* pixels;
    std::int32_t width, height;
    Pixel& At(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
};

// A picture in rows top-down.
struct Image {
    std::int32_t width = 0, height = 0;
    std::vector<Pixel> pixels;

    Image() = default;
    Image(std::int32_t w, std::int32_t h);
    Pixel At(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
    Pixel& At(std::int32_t x, std::int32_t y) {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
    PixelRows Rows() { return {pixels.data(), width, height}; }
};

// Area-averaging resample of `from` onto all of `to` (both non-empty), channel by channel,
// rounded to nearest. `from` may hold at most 2^24 pixels, so that the sums fit 32 bits.
void ScaleAveraging(const Image& from, Image& to);
// The same for the pixels of `area` in `to` only (clipped to it), with the same results;
// the others are left alone.
void ScaleAveraging(const Image& from, PixelRows to, const Rect& area);
inline void ScaleAveraging(const Image& from, Image& to, const Rect& area) {
    ScaleAveraging(from, to.Rows(), area);
}
// Adds `r` to a list of changed rectangles. Two become their bounding box when it is no
// larger than the two together: a walker's erase and redraw overlap almost entirely, but
// boxes grown across the screen from walker to walker would cover far more than changed.
void AddMerged(std::vector<Rect>& list, Rect r);
// Every pixel of `from` as a zoom x zoom block.
Image Blocks(const Image& from, std::int32_t zoom);

class SoftSurface final : public DrawSurface {
public:
    // A black client area of width x height (each at least 1), in memory of its own, or at
    // `pixels` (width x height, rows top-down, black), which the caller keeps.
    SoftSurface(std::int32_t width, std::int32_t height, Pixel* pixels = nullptr);

    // The sheet's pixels through its colour table (an index past the table is black), or its
    // 24-bit colours. Any PackedBitmap from ReadPackedBitmap is accepted.
    void LoadSheet(const PackedBitmap& sheet);
    // False, and no mask kept, unless it has 1 bit per pixel.
    bool LoadMask(const PackedBitmap& mask);

    // A client of another size starts again from black.
    void BeginFrame(const Stage& stage) override;
    void EndFrame() override {}
    void Erase(int walker, const Rect& area) override;
    // False, drawing nothing, without a mask. Without a sheet only the AND is done. Parts
    // outside the surface, or outside the sheet or mask, are left alone.
    bool DrawCell(int walker, const CellTransfer& transfer) override;

    // From now on the client picture is drawn at `pixels` (the client's size, rows
    // top-down), memory of the caller's such as a buffer shared with a compositor; nullptr
    // draws in the surface's own again. Where that memory lacks the picture (`missed`,
    // client pixels), `from` holds it: each such pixel is copied before the drawing reads
    // it, not at all where the drawing overwrites it first, and the rest at Settle. A
    // client of a new size must come with memory of that size, black.
    void DrawInto(Pixel* pixels, const Pixel* from = nullptr, std::vector<Rect> missed = {});
    // Brings the changed client pixels up to date from the stage (zoomed or logical).
    void Settle();
    // The client-size picture as of the last drawing; drawn in the surface's own memory.
    const Image& Picture();
    // The client rectangles changed since the last call, for a front end that sends only
    // those (a new size counts as the whole client). What they cover is up to date in
    // Picture() once it has been called.
    std::vector<Rect> TakeChanged();
    // Black over an area in client pixels: an exposure, the blanking. Under a stage, the
    // stage pixels under it go black, and with them every client pixel that reads them.
    void Black(const Rect& area);
    // What the drawing units address: the stage under the logical screen or a zoom, else
    // the client's own picture (empty while drawn into the caller's memory).
    const Image& Canvas() const { return Staged() ? stage_ : client_; }
    bool Logical() const { return logical_; }
    // The sprites as loaded: the sheet's colours, and the mask as 0xFFFFFF where it keeps
    // the screen and 0 where it clears it (empty without a mask).
    const Image& Sheet() const { return sheet_; }
    Image Mask() const;

private:
    bool Staged() const { return logical_ || zoom_ > 1; }
    // The client's pixels, its own or the caller's; what the drawing addresses.
    PixelRows Client() { return {external_ ? external_ : client_.pixels.data(), width_, height_}; }
    PixelRows Target() { return Staged() ? stage_.Rows() : Client(); }
    // A changed area of the canvas, clipped, becomes changed client pixels.
    void Touch(const Rect& canvasArea);
    // The missed client pixels in `area` are read next: copied now. Or overwritten next:
    // never copied.
    void Fetch(const Rect& area);
    void Skip(const Rect& area);
    // The sprite anew from the sheet and the mask as loaded; where (x, y) of them lies in it.
    void Pack();
    std::size_t SpriteAt(std::int64_t x, std::int64_t y) const;

    std::int32_t width_, height_;  // the client's
    Image client_;                 // the client's own picture, empty while drawn externally
    Pixel* external_ = nullptr;
    const Pixel* missedFrom_ = nullptr;
    std::vector<Rect> missed_;     // client pixels that external_ still lacks
    Image stage_;  // 640 x 480 from the first logical frame on, or the zoomed client; kept
    bool logical_ = false;
    std::int32_t zoom_ = 1;
    std::vector<Rect> changed_;  // client pixels, since TakeChanged
    std::vector<Rect> stale_;    // client pixels that Picture must compute from the stage
    Image sheet_;               // colours, top-down
    // The mask's size: the sheet's colours and the mask's bits in one pixel, in strips.
    std::vector<Pixel> sprite_;
    std::int32_t maskWidth_ = 0, maskHeight_ = 0;
};

}  // namespace virelo
