#pragma once
// One animated tick: plan, group overlapping walkers, erase and redraw through the mask,
// count pauses down. Only the walkers' old and new rectangles are touched; the frame is
// never composed off-screen.
#include <array>
#include <cstdint>

#include "parade/geometry.h"
#include "parade/motion.h"
#include "parade/parade.h"

namespace virelo {

// One masked transfer pair: AND the mask cell, then OR the sheet cell, cx x cy, from
// (srcX, srcY) in the sheet to (x, y) on the surface.
struct CellTransfer {
    std::int32_t x, y, cx, cy, srcX, srcY;
    friend bool operator==(const CellTransfer&, const CellTransfer&) = default;
};

// What FrameStep draws through: GDI in the module, a framebuffer or a recorder in tools.
// The walker index is for tracing only.
class DrawSurface {
public:
    // Called first and last in every tick. Under the logical screen the surface maps the
    // 640 x 480 stage onto the whole client area (the zoom plays no part); otherwise each
    // drawing unit is a zoom x zoom block of device pixels, nearest neighbour.
    virtual void BeginFrame(const Stage& stage) = 0;
    virtual void EndFrame() = 0;
    // Fill to black.
    virtual void Erase(int walker, const Rect& area) = 0;
    // False when the mask cannot be used: nothing was drawn.
    virtual bool DrawCell(int walker, const CellTransfer& transfer) = 0;

protected:
    ~DrawSurface() = default;
};

enum class DrawState : std::uint8_t { Pending = 0, Erased = 1, Drawn = 2 };

// Per-tick scratch, made anew by every FrameStep.
struct Frame {
    Rect StageRect;
    MotionPlan plan;
    std::array<std::int32_t, WalkerCount> groupId;  // -1, or the index of the group's leader
    std::array<DrawState, WalkerCount> drawState;
};

// Sets the stage for the client and clears the grouping scratch.
void BeginFrame(Frame& frame, const Rect& client);

// Joins overlapping walkers into groups, pairs tested from the lower index only.
// Two groups are never merged, even when their members overlap.
void GroupOverlaps(Frame& frame, const WalkerTable& walkers);

// Walkers that move and belong to no group: erase, commit, draw, arm.
void LonePass(Frame& frame, Parade& parade, DrawSurface& surface);

// Each group: every erase before every draw, members in index order; then every walker's
// pause is counted down.
void GroupPass(Frame& frame, Parade& parade, DrawSurface& surface);

// Draws walker index (already committed), clipped at the stage's right edge. Returns
// whether it drew.
bool DrawWalker(const Frame& frame, const Walker& walker, int index, DrawSurface& surface);

// One tick of standing still after a move, or a random pause after a wrap.
void ArmWait(const Frame& frame, Walker& walker, int index, RandomState& random);

void FrameStep(Parade& parade, DrawSurface& surface, const Stage& stage);
// The same, leaving the tick's scratch in `frame` for inspection.
void FrameStep(Parade& parade, DrawSurface& surface, const Stage& stage, Frame& frame);

}  // namespace virelo
