#include "platform/x11/window_surface.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <bit>

namespace virelo {
namespace {

GC MakeGc(Display* display, Drawable d, int function) {
    XGCValues v{};
    v.function = function;
    v.foreground = 0;  // black on any TrueColor visual: every channel zero
    v.graphics_exposures = False;
    return XCreateGC(display, d, GCFunction | GCForeground | GCGraphicsExposures, &v);
}

}  // namespace

WindowSurface::WindowSurface(Display* display, Window window, const XWindowAttributes& a)
    : display_(display), window_(window), visual_(a.visual), depth_(a.depth),
      size_{0, 0, a.width, a.height}, soft_(1, 1) {
    if (a.visual->c_class != TrueColor && a.visual->c_class != DirectColor) return;
    const unsigned long masks[3] = {a.visual->red_mask, a.visual->green_mask, a.visual->blue_mask};
    for (int c = 0; c < 3; ++c) {
        if (masks[c] == 0) return;
        shift_[c] = std::countr_zero(masks[c]);
        max_[c] = masks[c] >> shift_[c];
    }
    direct_ = depth_ == 24 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
    gc_ = MakeGc(display_, window_, GXcopy);
    andGc_ = MakeGc(display_, window_, GXand);
    orGc_ = MakeGc(display_, window_, GXor);
}

WindowSurface::~WindowSurface() {
    for (Pixmap p : {sheet_, mask_})
        if (p != None) XFreePixmap(display_, p);
    for (GC gc : {gc_, andGc_, orGc_})
        if (gc) XFreeGC(display_, gc);
}

bool WindowSurface::LoadSprites(const PackedBitmap& sheet, const PackedBitmap& mask) {
    soft_.LoadSheet(sheet);
    if (!Ready() || !soft_.LoadMask(mask)) return false;
    MakePixmaps(1);
    return true;
}

void WindowSurface::MakePixmaps(std::int32_t zoom) {
    for (Pixmap* p : {&sheet_, &mask_}) {
        if (*p != None) XFreePixmap(display_, *p);
        const Image blocks = Blocks(p == &sheet_ ? soft_.Sheet() : soft_.Mask(), zoom);
        *p = XCreatePixmap(display_, window_, static_cast<unsigned>(blocks.width),
                           static_cast<unsigned>(blocks.height), static_cast<unsigned>(depth_));
        Put(*p, blocks, {0, 0, blocks.width, blocks.height});
    }
    pixmapZoom_ = zoom;
}

void WindowSurface::BeginFrame(const Stage& stage) {
    const Rect& client = stage.client;
    // The software surface holds a client-size picture only while it draws.
    logical_ = stage.logical;
    zoom_ = logical_ ? 1 : stage.zoom;
    if (logical_) soft_.BeginFrame(stage);
    else if (zoom_ != pixmapZoom_ && pixmapZoom_ != 0) MakePixmaps(zoom_);
    // A client of another size starts the surface again from black: the window too.
    const Rect size{0, 0, client.right - client.left, client.bottom - client.top};
    if (size != size_) {
        size_ = size;
        Black(size);
    }
}

void WindowSurface::Erase(int walker, const Rect& area) {
    if (!logical_) {
        const std::int32_t z = zoom_;
        XFillRectangle(display_, window_, gc_, area.left * z, area.top * z,
                       static_cast<unsigned>(std::max(area.right - area.left, 0) * z),
                       static_cast<unsigned>(std::max(area.bottom - area.top, 0) * z));
        return;
    }
    soft_.Erase(walker, area);
}

bool WindowSurface::DrawCell(int walker, const CellTransfer& t) {
    if (!logical_) {
        if (t.cx <= 0 || t.cy <= 0) return true;
        const std::int32_t z = zoom_;
        const auto w = static_cast<unsigned>(t.cx * z), h = static_cast<unsigned>(t.cy * z);
        XCopyArea(display_, mask_, window_, andGc_, t.srcX * z, t.srcY * z, w, h, t.x * z, t.y * z);
        XCopyArea(display_, sheet_, window_, orGc_, t.srcX * z, t.srcY * z, w, h, t.x * z, t.y * z);
        return true;
    }
    return soft_.DrawCell(walker, t);
}

void WindowSurface::EndFrame() {
    if (!logical_) return;
    // Only the client pixels that read a changed stage pixel are averaged anew and sent.
    const Image& picture = soft_.Picture();
    for (const Rect& r : soft_.TakeChanged()) Put(window_, picture, r);
}

void WindowSurface::Put(Drawable to, const Image& picture, const Rect& area) {
    const Rect r{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, picture.width),
                 std::min(area.bottom, picture.height)};
    if (r.left >= r.right || r.top >= r.bottom) return;
    const auto w = static_cast<unsigned>(r.right - r.left), h = static_cast<unsigned>(r.bottom - r.top);

    XImage image{};
    image.format = ZPixmap;
    image.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = image.byte_order;
    image.bitmap_pad = 32;
    image.depth = depth_;
    image.bits_per_pixel = 32;
    image.red_mask = visual_->red_mask;
    image.green_mask = visual_->green_mask;
    image.blue_mask = visual_->blue_mask;
    int srcX = r.left, srcY = r.top;
    if (direct_) {
        // The picture's own memory: Xlib only reads it.
        image.width = picture.width;
        image.height = picture.height;
        image.bytes_per_line = picture.width * 4;
        image.data = const_cast<char*>(reinterpret_cast<const char*>(picture.pixels.data()));
    } else {
        // Each channel scaled to the visual's width of that channel, rounded; all ones
        // stays all ones, so the mask still keeps every bit of the screen.
        image.width = static_cast<int>(w);
        image.height = static_cast<int>(h);
        image.bytes_per_line = static_cast<int>(w) * 4;
        converted_.resize(static_cast<std::size_t>(w) * h * 4);
        auto* out = reinterpret_cast<std::uint32_t*>(converted_.data());
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            for (std::int32_t x = r.left; x < r.right; ++x) {
                const Pixel p = picture.At(x, y);
                std::uint32_t v = 0;
                for (int c = 0; c < 3; ++c) {
                    const unsigned long channel = p >> (16 - 8 * c) & 0xFF;
                    v |= static_cast<std::uint32_t>((channel * max_[c] + 127) / 255 << shift_[c]);
                }
                *out++ = v;
            }
        }
        image.data = converted_.data();
        srcX = srcY = 0;
    }
    if (XInitImage(&image)) XPutImage(display_, to, gc_, &image, srcX, srcY, r.left, r.top, w, h);
}

void WindowSurface::Black(const Rect& area) {
    if (gc_) {
        XFillRectangle(display_, window_, gc_, area.left, area.top,
                       static_cast<unsigned>(std::max(area.right - area.left, 0)),
                       static_cast<unsigned>(std::max(area.bottom - area.top, 0)));
    }
    if (logical_) soft_.Black(area);
}

}  // namespace virelo
