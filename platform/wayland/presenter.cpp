#include "platform/wayland/presenter.h"

#include "render/soft_surface.h"

#include <algorithm>


namespace virelo {
namespace {

// A buffer that sits out many commits (the compositor took to releasing the other at once)
// would collect rectangles without end: past this many they become their bounding box.
constexpr std::size_t MaxMissed = 64;

void Miss(std::vector<Rect>& missed, const std::vector<Rect>& changed) {
    for (const Rect& r : changed) AddMerged(missed, r);
    if (missed.size() <= MaxMissed) return;
    Rect box = missed.front();
    for (const Rect& r : missed)
        box = {std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
               std::max(box.bottom, r.bottom)};
    missed.assign(1, box);
}

}  // namespace

Presenter::Use Presenter::Next() {
    if (shown_ >= 0 && !slots_[shown_].held) return {shown_, false};
    for (int i = 0; i < Buffers; ++i)
        if (i != shown_ && !slots_[i].held) return {i, !slots_[i].made};
    return {-1, false};
}

std::vector<Rect> Presenter::TakeMissed(int buffer) {
    // A buffer made just now is black, as every new picture starts: what the shown one
    // gained since the start is what it misses.
    Slot& s = slots_[buffer];
    s.made = true;
    std::vector<Rect> missed;
    missed.swap(s.missed);
    return missed;
}

void Presenter::Commit(int buffer, const std::vector<Rect>& changed) {
    for (int i = 0; i < Buffers; ++i)
        if (i != buffer) Miss(slots_[i].missed, changed);
    slots_[buffer].held = true;
    shown_ = buffer;
}

void Presenter::Released(int buffer) { slots_[buffer].held = false; }

void Presenter::Reset() { *this = Presenter{}; }

}  // namespace virelo
