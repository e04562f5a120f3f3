#pragma once
// The saver session: what every front end drives, whatever it draws on. The front end
// fills in the settings, starts the session on its drawing area, calls SessionTick every
// TickPeriodMs milliseconds, and turns the client black when a tick answers Blank.
#include <cstdint>

#include "parade/frame.h"
#include "parade/parade.h"

namespace virelo {

enum class TickOutcome : std::uint8_t {
    Drawn,  // a frame went to the surface
    Blank,  // the blank time has passed: fill the whole client black now
    Still,  // blanked earlier: nothing to do
};

// The zoom from the screen's dots per inch (a front end's --zoom N is N * 96 dpi), the
// stage for the client (device pixels), and the walkers placed on it. Called again for a
// new drawing area, it places the parade anew.
void StartSession(Parade& parade, const Rect& client, std::int32_t dotsPerInch);

// The blank-time rule alone, on a clock of animated milliseconds: Drawn while the parade
// still animates (the clock has gone on by one tick), Blank once when the time is up, Still
// from then on (the settings' BlankTime says so). SessionTick keeps it on the parade's own
// clock; a saver with a parade per screen keeps one for all of them, so that a screen that
// arrives late blanks with the others, or is black from the start.
TickOutcome BlankRule(SaverSettings& settings, std::int32_t& elapsedMs);
// The rule has blanked on these settings: black for good.
bool HasBlanked(const SaverSettings& settings);

// One tick: the blank-time rule, then a frame on the surface for the client as it is now
// (a client that changed size gets a new stage; the walkers stay where they are).
TickOutcome SessionTick(Parade& parade, DrawSurface& surface, const Rect& client);

}  // namespace virelo
