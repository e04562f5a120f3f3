#include "platform/wayland/input.h"

namespace virelo {

bool PointerMoved(PointerRule& rule, Point at) {
    if (!rule.seen) {
        rule.seen = true;
        rule.origin = at;
        return false;
    }
    return CursorDistance(at, rule.origin) > MouseMoveThreshold;
}

void KeyboardEntered(Activation& a) { ++a.holders; }

bool KeyboardLeft(Activation& a) {
    if (a.holders > 0) --a.holders;
    if (a.holders > 0 || a.asking) return false;
    a.asking = true;
    return true;
}

void KeyboardGone(Activation& a, bool hadFocus) {
    if (hadFocus && a.holders > 0) --a.holders;
}

bool ActivationLost(Activation& a) {
    a.asking = false;
    return a.holders == 0;
}

}  // namespace virelo
