#pragma once
// The parade drawn into an X window, pixel for pixel as the renderer draws it.
//
// At full size the X server does the masked transfer itself, as GDI does on Windows: the
// mask and the sheet live in server pixmaps, a cell is the mask copied with GXand then
// the sheet with GXor, an erase is a black fill. Each tick sends a few dozen small
// requests and no pixels; zoomed, the pixmaps hold the sprites with each pixel a zoom x
// zoom block and every coordinate is multiplied out. Under the logical screen the picture is an average of stage
// pixels that no raster operation computes, so the software surface draws the stage, and
// only the client pixels that the tick changed are averaged and sent to the server.
#include <X11/Xlib.h>

#include <vector>

#include "parade/bitmap.h"
#include "parade/frame.h"
#include "render/soft_surface.h"

namespace virelo {

class WindowSurface final : public DrawSurface {
public:
    // The window must be of a TrueColor or DirectColor visual (Ready() says).
    WindowSurface(Display* display, Window window, const XWindowAttributes& attributes);
    ~WindowSurface();
    WindowSurface(const WindowSurface&) = delete;
    WindowSurface& operator=(const WindowSurface&) = delete;

    bool Ready() const { return gc_ != nullptr; }
    // False when the mask is not a 1-bit bitmap or the pixmaps cannot be made.
    bool LoadSprites(const PackedBitmap& sheet, const PackedBitmap& mask);

    void BeginFrame(const Stage& stage) override;
    void EndFrame() override;  // sends the changed rectangles of a scaled picture
    void Erase(int walker, const Rect& area) override;
    bool DrawCell(int walker, const CellTransfer& transfer) override;

    // Black on the server and in the picture: the start, an exposure (the walkers that
    // stood there come back when they next move, as after a background erase) and the
    // blanking. In client pixels.
    void Black(const Rect& area);

private:
    // The sheet and mask pixmaps at a zoom; the old ones go.
    void MakePixmaps(std::int32_t zoom);
    // Part of a picture onto a drawable of the window's depth, converted to the visual.
    void Put(Drawable to, const Image& picture, const Rect& area);

    Display* display_;
    Window window_;
    Visual* visual_;
    int depth_;
    Rect size_;                         // the client as of the last frame
    bool logical_ = false;              // this frame is drawn in software
    GC gc_ = nullptr;                   // copies and black fills
    GC andGc_ = nullptr, orGc_ = nullptr;
    Pixmap sheet_ = None, mask_ = None;
    std::int32_t zoom_ = 1;             // this frame's, on the server path
    std::int32_t pixmapZoom_ = 0;       // of the pixmaps; 0: none made
    int shift_[3] = {0, 0, 0};          // of red, green, blue in a pixel of the visual
    unsigned long max_[3] = {0, 0, 0};  // the channels' largest values
    bool direct_ = false;               // the visual's pixels are 0x00RRGGBB already
    SoftSurface soft_;                  // draws the stage
    std::vector<char> converted_;       // scratch for visuals of another layout
};

}  // namespace virelo
