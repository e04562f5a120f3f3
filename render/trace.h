#pragma once
// The parade's draw sequence as text: the placement, then per tick every erase (fill) and
// masked transfer (draw) in order, the walker records (w) and the random state (rand).
// virelo-sim prints it and the browser module hands it to its test, so two builds of the
// engine compare line for line.
#include <cstdint>
#include <string>

#include "parade/geometry.h"

namespace virelo {

// Places the parade for `client` at 96 dpi from random state `seed` (1 to 2147483646), then
// runs `ticks` session ticks on a recording surface. Lines are appended to `out`; `drain`,
// if given, is called whenever more than 64 KiB wait and must empty it.
void WriteTrace(std::int32_t seed, const Rect& client, std::int64_t ticks, std::string& out,
                void (*drain)(std::string&) = nullptr);

}  // namespace virelo
