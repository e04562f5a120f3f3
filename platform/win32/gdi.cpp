#include "platform/win32/gdi.h"

#include "parade/bitmap.h"
#include "resources/resource.h"

namespace virelo::win32 {
namespace {

HPALETTE CreatePaletteFrom(const PaletteData& data) {
    // LOGPALETTE declares one entry; the others follow it in the same block.
    struct {
        LOGPALETTE head;
        PALETTEENTRY rest[255];
    } block;
    block.head.palVersion = data.version;
    block.head.palNumEntries = data.count;
    for (unsigned i = 0; i < data.count; ++i)
        block.head.palPalEntry[i] = {data.entries[i].red, data.entries[i].green,
                                     data.entries[i].blue, data.entries[i].flags};
    return CreatePalette(&block.head);
}

// The resource's packed bitmap, validated against the resource's own size; a malformed
// one counts as missing.
std::optional<PackedBitmap> FindPackedBitmap(HINSTANCE module, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return std::nullopt;
    return ReadPackedBitmap(static_cast<const std::uint8_t*>(data), SizeofResource(module, found));
}

}  // namespace

void LoadSprites(GdiSprites& sprites, HINSTANCE module, HWND window) {
    HDC screen = GetDC(window);
    HPALETTE kept = nullptr;
    for (int id : {IDB_SHEET, IDB_MASK}) {
        const auto bitmap = FindPackedBitmap(module, id);
        if (!bitmap) break;
        const auto data = MakePalette(bitmap->header, bitmap->colourTable, bitmap->colours * 4u);
        HPALETTE palette = data ? CreatePaletteFrom(*data) : nullptr;
        (id == IDB_SHEET ? sprites.sheetPalette : sprites.maskPalette) = palette;

        HBITMAP made = nullptr;
        if (bitmap->colours != 2) {
            HPALETTE previous = SelectPalette(screen, palette, FALSE);
            if (!kept) kept = previous;
            RealizePalette(screen);
            made = CreateDIBitmap(screen, reinterpret_cast<const BITMAPINFOHEADER*>(bitmap->base),
                                  CBM_INIT, bitmap->pixels,
                                  reinterpret_cast<const BITMAPINFO*>(bitmap->base), DIB_RGB_COLORS);
            sprites.sheet = made;
        } else {
            const std::size_t bytes = MaskRowsSize(*bitmap);
            void* rows = bytes ? HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes) : nullptr;
            if (!rows) break;
            CopyMaskRows(*bitmap, static_cast<std::uint8_t*>(rows));
            made = CreateBitmap(bitmap->header.width, bitmap->header.height, 1, 1, rows);
            HeapFree(GetProcessHeap(), 0, rows);
            sprites.mask = made;
        }
        if (!made) break;
    }
    // The window's surface is its own (CS_OWNDC) and outlives this call: leave no palette
    // of ours selected in it, or deleting that palette at teardown would fail.
    if (kept) SelectPalette(screen, kept, FALSE);
    ReleaseDC(window, screen);
}

void FreeSprites(GdiSprites& sprites) {
    for (HGDIOBJ* h : {reinterpret_cast<HGDIOBJ*>(&sprites.sheet), reinterpret_cast<HGDIOBJ*>(&sprites.mask),
                       reinterpret_cast<HGDIOBJ*>(&sprites.sheetPalette),
                       reinterpret_cast<HGDIOBJ*>(&sprites.maskPalette)}) {
        if (*h) DeleteObject(*h);
        *h = nullptr;
    }
}

void GdiSurface::BeginFrame(const Stage& stage) {
    const Rect& client = stage.client;
    const std::int32_t zoom = stage.zoom;
    screen_ = GetDC(window_);
    keptPalette_ = SelectPalette(screen_, sprites_.sheetPalette, FALSE);
    RealizePalette(screen_);
    keptMapMode_ = 0;
    if (stage.logical) {
        keptMapMode_ = SetMapMode(screen_, MM_ANISOTROPIC);
        SetWindowExtEx(screen_, LogicalScreen.right, LogicalScreen.bottom, nullptr);
        SetViewportExtEx(screen_, client.right - client.left, client.bottom - client.top, nullptr);
        SetStretchBltMode(screen_, HALFTONE);
        SetBrushOrgEx(screen_, 0, 0, nullptr);  // HALFTONE needs the brush origin reset after it
    } else if (zoom > 1) {
        // A whole-number mapping: fills land on exact pixel blocks, and the transfers are
        // stretched by it. COLORONCOLOR replicates source pixels without blending, so the
        // art stays pixel-sharp and the AND/OR masking meets the same pixels in both steps.
        keptMapMode_ = SetMapMode(screen_, MM_ANISOTROPIC);
        SetWindowExtEx(screen_, 1, 1, nullptr);
        SetViewportExtEx(screen_, zoom, zoom, nullptr);
        SetStretchBltMode(screen_, COLORONCOLOR);
    }
    maskSource_ = CreateCompatibleDC(screen_);
    sheetSource_ = CreateCompatibleDC(screen_);
    SelectPalette(sheetSource_, sprites_.sheetPalette, FALSE);
    RealizePalette(sheetSource_);
    keptMaskSlot_ = SelectObject(maskSource_, sprites_.mask);
    keptSheetSlot_ = SelectObject(sheetSource_, sprites_.sheet);
}

void GdiSurface::EndFrame() {
    if (keptMaskSlot_) SelectObject(maskSource_, keptMaskSlot_);
    if (keptSheetSlot_) SelectObject(sheetSource_, keptSheetSlot_);
    DeleteDC(maskSource_);
    DeleteDC(sheetSource_);
    SelectPalette(screen_, keptPalette_, FALSE);
    if (keptMapMode_) SetMapMode(screen_, keptMapMode_);
    ReleaseDC(window_, screen_);
    maskSource_ = sheetSource_ = nullptr;
    screen_ = nullptr;
}

void GdiSurface::Erase(int, const Rect& area) {
    const RECT r{area.left, area.top, area.right, area.bottom};
    FillRect(screen_, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

bool GdiSurface::DrawCell(int, const CellTransfer& t) {
    if (!keptMaskSlot_) return false;  // no mask, no walker
    // Mask first: AND blackens the sprite's shape and keeps the rest; the sheet is black
    // around the sprite, so OR then adds just the sprite's colours.
    BitBlt(screen_, t.x, t.y, t.cx, t.cy, maskSource_, t.srcX, t.srcY, SRCAND);
    BitBlt(screen_, t.x, t.y, t.cx, t.cy, sheetSource_, t.srcX, t.srcY, SRCPAINT);
    return true;
}

}  // namespace virelo::win32
