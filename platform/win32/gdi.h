#pragma once
// GDI side of the parade: the sprite bitmaps and palettes, and the drawing surface that
// FrameStep draws through on the saver window.
#include <windows.h>

#include "parade/frame.h"

namespace virelo::win32 {

struct GdiSprites {
    HBITMAP sheet = nullptr;          // resource 101, device-dependent
    HBITMAP mask = nullptr;           // resource 103, monochrome
    HPALETTE sheetPalette = nullptr;  // selected on every surface that shows the sheet
    HPALETTE maskPalette = nullptr;   // made for symmetry, never selected
};

// Fills what it can; a missing or malformed resource leaves the rest null.
void LoadSprites(GdiSprites& sprites, HINSTANCE module, HWND window);
// Deletes the non-null handles and clears them.
void FreeSprites(GdiSprites& sprites);

// One tick's drawing on the window: takes the window's surface in BeginFrame and gives it
// back in EndFrame.
class GdiSurface final : public DrawSurface {
public:
    GdiSurface(HWND window, const GdiSprites& sprites) : window_(window), sprites_(sprites) {}
    void BeginFrame(const Stage& stage) override;
    void EndFrame() override;
    void Erase(int walker, const Rect& area) override;
    bool DrawCell(int walker, const CellTransfer& transfer) override;

private:
    HWND window_;
    const GdiSprites& sprites_;
    HDC screen_ = nullptr;
    // One memory surface per picture, each selected once per tick: selecting bitmaps is
    // the dearest call here, far more than the transfers themselves.
    HDC maskSource_ = nullptr;
    HDC sheetSource_ = nullptr;
    HGDIOBJ keptMaskSlot_ = nullptr;   // null when the mask could not be selected
    HGDIOBJ keptSheetSlot_ = nullptr;
    HPALETTE keptPalette_ = nullptr;
    int keptMapMode_ = 0;
};

}  // namespace virelo::win32
