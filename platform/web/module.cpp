// The parade in a browser: a WebAssembly reactor that the page drives. It imports nothing:
// the page hands in what the module cannot ask for itself (the size, the zoom, a seed from
// its own clock) and takes the picture out of the module's memory as the RGBA bytes of an
// ImageData, only where it changed.
//
// The page calls settings and seed before the first layout, layout for every new size
// (which places the parade anew), then tick every period() ms. Pointers are offsets into
// the exported memory, good until the next layout; memory growth keeps them but detaches
// the page's views of the old buffer, which it must then make anew.
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "parade/bitmap.h"
#include "parade/session.h"
#include "render/soft_surface.h"
#include "render/sprites.h"
#include "render/trace.h"

#define VIRELO_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

using namespace virelo;

// What the page sees: the client in RGBA, and the rectangles that the last tick changed.
struct Session {
    Parade parade;
    std::optional<SoftSurface> surface;
    Rect client{0, 0, 0, 0};
    std::unique_ptr<Pixel[]> picture;  // what the surface draws, the client's size
    // Where converted, bytes R, G, B, 255: little-endian words. Nothing else is ever read.
    std::unique_ptr<std::uint32_t[]> rgba;
    std::vector<std::int32_t> rects;  // left, top, right, bottom for each rectangle
    std::string trace;
};

Session session;

// 0x00RRGGBB to the canvas's byte order, opaque.
std::uint32_t Rgba(Pixel p) {
    return 0xFF000000u | (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
}

// Rows of `width` pixels, `stride` apart in both. The buffers are distinct, which lets the
// compiler turn the row into vector steps.
void Convert(const Pixel* __restrict in, std::uint32_t* __restrict out, std::int32_t width,
             std::int32_t rows, std::int32_t stride) {
    for (std::int32_t y = 0; y < rows; ++y, in += stride, out += stride)
        for (std::int32_t x = 0; x < width; ++x) out[x] = Rgba(in[x]);
}

// Brings the changed client rectangles over into the RGBA buffer and lists them.
std::int32_t Publish() {
    session.surface->Settle();
    const std::int32_t width = session.client.right;
    session.rects.clear();
    for (const Rect& r : session.surface->TakeChanged()) {
        const auto first = static_cast<std::size_t>(r.top) * width + r.left;
        Convert(session.picture.get() + first, session.rgba.get() + first, r.right - r.left,
                r.bottom - r.top, width);
        session.rects.insert(session.rects.end(), {r.left, r.top, r.right, r.bottom});
    }
    return static_cast<std::int32_t>(session.rects.size() / 4);
}

// `pixels` of black. Memory that the module grows into comes zeroed and is touched by no
// one before: only the part of the block that lay below the old end of memory is cleared.
// At 1920 x 1080 that spares the first touch of 8 MB, which costs this machine about 40 ms
// of page faults, the larger part of the page's first layout.
Pixel* BlackMemory(std::size_t pixels) {
    const std::uintptr_t grownFrom = __builtin_wasm_memory_size(0) * std::uintptr_t{65536};
    auto* block = new Pixel[pixels];
    const auto at = reinterpret_cast<std::uintptr_t>(block);
    if (at < grownFrom) std::memset(block, 0, std::min(grownFrom - at, pixels * sizeof(Pixel)));
    return block;
}

}  // namespace

// The settings from the page's address, each out of its range (or given as -1 for junk)
// replaced by its default. Returns which fell back: 1 the speed, 2 the blank time.
VIRELO_EXPORT(settings) std::int32_t Settings(std::int32_t speed, std::int32_t blankTime) {
    SaverSettings& s = session.parade.settings;
    std::int32_t rejected = 0;
    if (speed >= MinSpeed && speed <= MaxSpeed) s.Speed = static_cast<std::uint16_t>(speed);
    else s.Speed = DefaultSpeed, rejected |= 1;
    if (blankTime >= 0 && blankTime <= MaxBlankTime) s.BlankTime = blankTime;
    else s.BlankTime = SaverSettings{}.BlankTime, rejected |= 2;
    return rejected;
}

VIRELO_EXPORT(speed) std::int32_t Speed() { return session.parade.settings.Speed; }
VIRELO_EXPORT(blank) std::int32_t BlankTime() { return session.parade.settings.BlankTime; }
VIRELO_EXPORT(period) std::int32_t Period() { return TickPeriodMs(session.parade.settings); }

// The random state the next placement starts from; false, changing nothing, out of range.
VIRELO_EXPORT(seed) std::int32_t Seed(std::int32_t state) {
    if (state < 1 || state > RandomMax) return 0;
    session.parade.random.state = state;
    return 1;
}

// What a layout takes: a side as long as the widest displays and then some, an area whose
// two 4-byte buffers (the picture, its RGBA copy) fill at most 1 GiB of the 4 GiB a 32-bit
// memory addresses, and a zoom well past any device scale. Checked in 64 bits, before
// anything is allocated: a size that wrapped would hand the page a buffer too small.
constexpr std::int64_t MaxSide = 16384, MaxArea = std::int64_t{1} << 27, MaxZoom = 64;

// A client of width x height device pixels at zoom * 96 dpi, black, with the parade placed
// on it. Returns the RGBA buffer, or 0 for a size out of those bounds, which leaves the
// current client, picture and parade as they were.
VIRELO_EXPORT(layout) std::uint32_t Layout(std::int32_t width, std::int32_t height, std::int32_t zoom) {
    const std::int64_t w = width, h = height;
    if (w < 1 || h < 1 || w > MaxSide || h > MaxSide || w * h > MaxArea || zoom < 1 || zoom > MaxZoom)
        return 0;
    static const auto sheet = ReadBitmapFile(SheetFile().data(), SheetFile().size());
    static const auto mask = ReadBitmapFile(MaskFile().data(), MaskFile().size());
    if (!sheet || !mask || mask->header.bitCount != 1) return 0;
    // A surface of its own for every size: a tick that only blanks would otherwise black
    // the old size's rectangles into the new size's buffer.
    session.surface.reset();
    session.picture.reset();
    session.rgba.reset();
    const auto pixels = static_cast<std::size_t>(width) * height;
    session.rgba.reset(new std::uint32_t[pixels]);  // never read where not converted
    session.picture.reset(BlackMemory(pixels));
    session.surface.emplace(width, height, session.picture.get());
    session.surface->LoadSheet(*sheet);
    session.surface->LoadMask(*mask);
    session.client = {0, 0, width, height};
    StartSession(session.parade, session.client, zoom * BaseDpi);
    return reinterpret_cast<std::uintptr_t>(session.rgba.get());
}

// One tick. Returns how many rectangles changed (listed at rects()), or -1 once blanked for
// good: the page need not tick again.
VIRELO_EXPORT(tick) std::int32_t Tick() {
    if (!session.surface) return 0;
    switch (SessionTick(session.parade, *session.surface, session.client)) {
    case TickOutcome::Still:
        return -1;
    case TickOutcome::Blank:
        session.surface->Black(session.client);
        break;
    case TickOutcome::Drawn:
        break;
    }
    return Publish();
}

VIRELO_EXPORT(rects) std::uint32_t Rects() { return reinterpret_cast<std::uintptr_t>(session.rects.data()); }

// What virelo-sim prints for the same arguments, made by this build of the engine; its
// length at trace_size(). Refused, 0 and an empty trace: a seed out of range, a side out
// of virelo-sim's 1 to 1000000, or more than MaxTraceTicks ticks, whose text (about 1.5 KB
// a tick) would pass 30 MB.
constexpr std::int32_t MaxTraceSide = 1000000, MaxTraceTicks = 20000;

VIRELO_EXPORT(trace) std::uint32_t Trace(std::int32_t seed, std::int32_t width, std::int32_t height,
                                         std::int32_t ticks) {
    session.trace.clear();
    if (seed < 1 || seed > RandomMax || width < 1 || height < 1 || width > MaxTraceSide ||
        height > MaxTraceSide || ticks < 0 || ticks > MaxTraceTicks)
        return 0;
    WriteTrace(seed, {0, 0, width, height}, ticks, session.trace);
    return reinterpret_cast<std::uintptr_t>(session.trace.data());
}

VIRELO_EXPORT(trace_size) std::uint32_t TraceSize() { return static_cast<std::uint32_t>(session.trace.size()); }
