#pragma once
// The rules by which input ends the saver on Wayland, apart from the protocol: the pointer
// moved too far, and the keyboard gone from the saver's surfaces for good (the activation
// lost: a locker or another client took it). Any key, button or wheel ends it outright.
#include <cstdint>

#include "parade/geometry.h"

namespace virelo {

// Where the pointer first moved, in desktop coordinates (the output's position plus the
// place on its surface, so that crossing from one output to the next is no jump).
struct PointerRule {
    bool seen = false;
    Point origin{0, 0};
};
// True when `at` is farther than the Windows saver's threshold from the first place seen.
bool PointerMoved(PointerRule& rule, Point at);

// How many keyboards are on one of the saver's surfaces. A keyboard that leaves them may
// be coming straight back (to another of its outputs, or after a locker on a compositor
// without the lock protocol maps and lets go): the saver asks the compositor for a
// round trip and ends only if, by its answer, no keyboard has come back.
struct Activation {
    std::int32_t holders = 0;
    bool asking = false;  // a round trip is on its way
};
void KeyboardEntered(Activation& a);
// A keyboard left one of the saver's surfaces: true when a round trip must be asked for.
bool KeyboardLeft(Activation& a);
// A keyboard that goes away with its device (the seat lost the capability) takes nothing
// from the saver: no other client got it.
void KeyboardGone(Activation& a, bool hadFocus);
// The round trip's answer: true when the activation is lost and the saver ends.
bool ActivationLost(Activation& a);

}  // namespace virelo
