#include "parade/frame.h"

namespace virelo {
namespace {

constexpr std::int32_t PauseDivisor = 85899345;  // NextRandom() / this + 1 is 1..26

Rect OldRect(const Walker& w) { return {w.x, w.y, w.x + w.width, w.y + w.height}; }

Rect NewRect(const Frame& f, const Walker& w, int i) {
    return {f.plan.planX[i], f.plan.planY[i], f.plan.planX[i] + w.width,
            f.plan.planY[i] + w.height};
}

Rect Bounds(const Rect& a, const Rect& b) {
    return {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
            a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

void Commit(const Frame& f, Walker& w, int i) {
    w.x = f.plan.planX[i];
    w.y = f.plan.planY[i];
    w.dy = f.plan.planDy[i];
}

void Join(Frame& f, int i, int j) {
    auto& g = f.groupId;
    if (g[j] == -1) {
        if (g[i] == -1) g[i] = i;
        g[j] = g[i];
    } else if (g[i] == -1) {
        g[i] = g[j];
    }
}

}  // namespace

void BeginFrame(Frame& frame, const Rect& client) {
    frame.StageRect = StageFor(client);
    frame.groupId.fill(-1);
    frame.drawState.fill(DrawState::Pending);
}

void GroupOverlaps(Frame& frame, const WalkerTable& walkers) {
    const std::int32_t offStage = ReentryColumn(frame.StageRect);
    std::array<Rect, WalkerCount> oldRect, newRect, span;
    for (int i = 0; i < WalkerCount; ++i) {
        oldRect[i] = OldRect(walkers[i]);
        newRect[i] = NewRect(frame, walkers[i], i);
        span[i] = Bounds(oldRect[i], newRect[i]);
    }
    for (int i = 0; i < WalkerCount - 1; ++i) {
        if (walkers[i].wait != 0) continue;
        // Only walkers whose old-and-new span meets i's can overlap either rectangle of i;
        // sieving them first spares most of the exact tests.
        std::uint32_t near = 0;
        for (int j = i + 1; j < WalkerCount; ++j)
            near |= static_cast<std::uint32_t>(walkers[j].x > offStage && Overlaps(span[i], span[j])) << j;
        if (!near) continue;
        // Old rectangle first, then new: the order of the joins decides the groups.
        for (const Rect& r : {oldRect[i], newRect[i]}) {
            for (int j = i + 1; j < WalkerCount; ++j) {
                if (!(near >> j & 1)) continue;
                if (Overlaps(r, oldRect[j]) || Overlaps(r, newRect[j])) Join(frame, i, j);
            }
        }
    }
}

bool DrawWalker(const Frame& frame, const Walker& w, int index, DrawSurface& surface) {
    std::int32_t cx = w.width;
    if (w.x + w.width > frame.StageRect.right) cx = frame.StageRect.right - w.x;
    // Poses alternate as x advances by dx: an even quotient (toward zero) shows the second.
    const std::int32_t q = w.x / w.dx;
    const std::int32_t srcX = (q % 2 == 0) ? w.sheetX + CellSize : w.sheetX;
    return surface.DrawCell(index, {w.x, w.y, cx, w.height, srcX, w.sheetY});
}

void ArmWait(const Frame& frame, Walker& w, int index, RandomState& random) {
    w.wait = 1;
    if (frame.plan.planX[index] == ReentryColumn(frame.StageRect))
        w.wait = NextRandom(random) / PauseDivisor + 1;
}

void LonePass(Frame& frame, Parade& parade, DrawSurface& surface) {
    for (int i = 0; i < WalkerCount; ++i) {
        Walker& w = parade.walkers[i];
        if (w.wait != 0 || frame.groupId[i] != -1) continue;
        surface.Erase(i, OldRect(w));
        Commit(frame, w, i);
        frame.drawState[i] = DrawState::Drawn;
        DrawWalker(frame, w, i, surface);
        ArmWait(frame, w, i, parade.random);
    }
}

void GroupPass(Frame& frame, Parade& parade, DrawSurface& surface) {
    auto& walkers = parade.walkers;
    for (int i = 0; i < WalkerCount; ++i) {
        if (walkers[i].wait == 0 && frame.groupId[i] != -1) {
            if (frame.drawState[i] == DrawState::Pending) {  // i leads its group
                surface.Erase(i, OldRect(walkers[i]));
                for (int j = i + 1; j < WalkerCount; ++j) {
                    if (frame.drawState[j] == DrawState::Pending && frame.groupId[j] == i) {
                        surface.Erase(j, OldRect(walkers[j]));
                        frame.drawState[j] = DrawState::Erased;
                    }
                }
                frame.drawState[i] = DrawState::Erased;
            }
            // A member left Erased (its mask could not be used) is tried again by every
            // later sweep that starts at or below it.
            for (int j = i; j < WalkerCount; ++j) {
                if (frame.drawState[j] != DrawState::Erased) continue;
                Commit(frame, walkers[j], j);
                if (DrawWalker(frame, walkers[j], j, surface)) frame.drawState[j] = DrawState::Drawn;
            }
            ArmWait(frame, walkers[i], i, parade.random);
        }
        --walkers[i].wait;
    }
}

void FrameStep(Parade& parade, DrawSurface& surface, const Stage& stage) {
    Frame frame;
    FrameStep(parade, surface, stage, frame);
}

void FrameStep(Parade& parade, DrawSurface& surface, const Stage& stage, Frame& frame) {
    BeginFrame(frame, stage.units);
    surface.BeginFrame(stage);
    PlanMotion(frame.StageRect, parade.walkers, parade.random, frame.plan);
    GroupOverlaps(frame, parade.walkers);
    LonePass(frame, parade, surface);
    GroupPass(frame, parade, surface);
    surface.EndFrame();
}

}  // namespace virelo
