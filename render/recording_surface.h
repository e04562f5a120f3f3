#pragma once
// A drawing surface that keeps every erase and transfer in order, for traces, tests and
// benchmarks. Begin/EndFrame clear nothing: the caller decides when to take the events.
#include <cstdint>
#include <vector>

#include "parade/frame.h"

namespace virelo {

struct DrawEvent {
    enum Kind : std::uint8_t { Fill, Draw } kind;
    int walker;
    Rect fill;              // for Fill
    CellTransfer transfer;  // for Draw
};

class RecordingSurface final : public DrawSurface {
public:
    std::vector<DrawEvent> events;
    int frames = 0;
    bool logical = false;
    std::int32_t zoom = 0;     // as of the last BeginFrame
    bool maskMissing = false;  // simulate a mask that cannot be selected
    int attempts = 0;          // DrawCell calls, drawn or not

    void BeginFrame(const Stage& stage) override {
        ++frames;
        logical = stage.logical;
        zoom = stage.zoom;
    }
    void EndFrame() override {}
    void Erase(int walker, const Rect& area) override {
        events.push_back({DrawEvent::Fill, walker, area, {}});
    }
    bool DrawCell(int walker, const CellTransfer& t) override {
        ++attempts;
        if (maskMissing) return false;
        events.push_back({DrawEvent::Draw, walker, {}, t});
        return true;
    }
};

}  // namespace virelo
