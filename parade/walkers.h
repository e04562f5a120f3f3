#pragma once
// The 20 walkers of the parade and where they stand when the saver window opens.
#include <array>
#include <cstdint>

#include "parade/geometry.h"
#include "parade/random.h"
#include "parade/sheet.h"

namespace virelo {


// Ten signed 32-bit fields; coordinates are drawing units, y grows downwards.
struct Walker {
    std::int32_t width;   // drawn cell width
    std::int32_t height;  // drawn cell height (walker 19 is taller)
    std::int32_t sheetX;  // first pose in the sheet; the second is 64 to the right
    std::int32_t sheetY;  // cell row; walkers 12..15 switch between two costume rows
    std::int32_t x;
    std::int32_t y;
    std::int32_t dx;      // horizontal step per move, always positive
    std::int32_t dy;      // vertical step per move: +vspeed, -vspeed or 0
    std::int32_t vspeed;
    std::int32_t wait;    // ticks to stand still; 0 moves on this tick
    friend bool operator==(const Walker&, const Walker&) = default;
};

using WalkerTable = std::array<Walker, WalkerCount>;

constexpr std::array<std::int32_t, WalkerCount> WalkerStep = {
    12, 12, 12, 18, 12, 20, 12, 12, 10, 12, 14, 10, 12, 12, 10, 16, 12, 12, 8, 18};


// The drawing space used in place of a client area narrower than 640 or lower than 400.
// The test uses 400 but the substitute is 480 high: small windows get the full stage.
constexpr Rect LogicalScreen{0, 0, 640, 480};

inline bool UsesLogicalScreen(const Rect& client) {
    return client.right - client.left < 640 || client.bottom - client.top < 400;
}

inline Rect StageFor(const Rect& client) {
    return UsesLogicalScreen(client) ? LogicalScreen : client;
}

// Display scaling. On a screen of LOGPIXELSY dpi every drawing unit is a zoom x zoom block
// of device pixels, zoom = dpi / 96 truncated and at least 1: pixel art stays sharp only
// at whole multiples, so 120 and 144 dpi draw as 96 does and 192 draws twice as large.
constexpr std::int32_t BaseDpi = 96;
inline std::int32_t ZoomFor(std::int32_t logPixelsY) {
    const std::int32_t z = logPixelsY / BaseDpi;
    return z < 1 ? 1 : z;
}
// The client measured in drawing units; a strip narrower than one unit at the right or
// bottom is left out. The logical-screen test applies to this size.
inline Rect ZoomedClient(const Rect& client, std::int32_t zoom) {
    return {client.left, client.top, client.left + (client.right - client.left) / zoom,
            client.top + (client.bottom - client.top) / zoom};
}

// One drawing area as the parade sees it, worked out once per size: the client in device
// pixels, the zoom, the client in drawing units, and the stage the walkers move on.
struct Stage {
    Rect client{0, 0, 0, 0};
    std::int32_t zoom = 1;
    Rect units{0, 0, 0, 0};
    bool logical = false;  // the logical screen stands in for a small client
    Rect rect{0, 0, 0, 0}; // StageRect: units, or the logical screen
    friend bool operator==(const Stage&, const Stage&) = default;
};
inline Stage StageOf(const Rect& client, std::int32_t zoom) {
    const Rect units = ZoomedClient(client, zoom);
    return {client, zoom, units, UsesLogicalScreen(units), StageFor(units)};
}

// Overwrites every record; draws exactly one random value per walker, in index order.
void PlaceWalkers(WalkerTable& walkers, RandomState& random, const Rect& client);

}  // namespace virelo
