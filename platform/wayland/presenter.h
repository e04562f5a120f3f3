#pragma once
// What one output shows, decided apart from the protocol: which of its two shared-memory
// buffers the next drawing goes into, what that buffer must first copy from the one last
// shown, and what a commit damages. The parade is drawn straight into the buffer that is
// committed next; there is no picture of the client's size anywhere else.
//
// A buffer the compositor holds is never written. Sway's pixman renderer holds the shown
// buffer until the next commit, so two are the floor there; the second is made only when a
// drawing finds the first held, and a compositor that releases at once costs one. When
// both are held the drawing waits (the tick is dropped, as a late timer's are), so what is
// committed last is always the last picture drawn.
#include <cstdint>
#include <vector>

#include "parade/geometry.h"

namespace virelo {

class Presenter {
public:
    static constexpr int Buffers = 2;

    struct Use {
        int buffer;  // -1: both are held, draw nothing now
        bool make;   // the front end makes it first, black, at the client's size
    };
    // The buffer to draw the next tick into: the one shown when it is free (it needs no
    // catching up), else the other.
    Use Next();
    // What `buffer` lacks of the picture, which the shown one holds: the drawing copies it
    // from there as it goes (SoftSurface::DrawInto). From now on it counts as up to date.
    std::vector<Rect> TakeMissed(int buffer);
    // `buffer` was drawn in, changing `changed` (client pixels), and goes up: the other
    // buffer misses those pixels now. The damage to send is `changed`.
    void Commit(int buffer, const std::vector<Rect>& changed);
    void Released(int buffer);
    // A new size: every buffer goes.
    void Reset();

    int Shown() const { return shown_; }
    bool Made(int buffer) const { return slots_[buffer].made; }

private:
    struct Slot {
        bool made = false;
        bool held = false;
        std::vector<Rect> missed;  // drawn elsewhere since it was last up to date
    };
    Slot slots_[Buffers];
    int shown_ = -1;
};

}  // namespace virelo
