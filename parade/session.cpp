#include "parade/session.h"

namespace virelo {
namespace {

constexpr std::int32_t Blanked = -1;

}  // namespace

void StartSession(Parade& parade, const Rect& client, std::int32_t dotsPerInch) {
    parade.stage = StageOf(client, ZoomFor(dotsPerInch));
    PlaceWalkers(parade.walkers, parade.random, parade.stage.units);
}

bool HasBlanked(const SaverSettings& s) { return s.BlankTime == Blanked; }

TickOutcome BlankRule(SaverSettings& s, std::int32_t& elapsedMs) {
    if (s.BlankTime == Blanked) return TickOutcome::Still;
    if (s.BlankTime > 0) {
        // Strictly greater, and the time advances after the test: BlankTime * 1000 / period
        // + 1 ticks animate. A BlankTime is at most 65535, so the product fits.
        if (elapsedMs > s.BlankTime * 1000) {
            s.BlankTime = Blanked;
            return TickOutcome::Blank;
        }
        elapsedMs += TickPeriodMs(s);
    }
    return TickOutcome::Drawn;
}

TickOutcome SessionTick(Parade& parade, DrawSurface& surface, const Rect& client) {
    if (const TickOutcome o = BlankRule(parade.settings, parade.ElapsedMs); o != TickOutcome::Drawn)
        return o;
    if (!(client == parade.stage.client)) parade.stage = StageOf(client, parade.stage.zoom);
    FrameStep(parade, surface, parade.stage);
    return TickOutcome::Drawn;
}

}  // namespace virelo
