#pragma once
// The parade's process-wide state in one record: the platform glue owns one, tests make
// their own.
#include <cstdint>

#include "parade/random.h"
#include "parade/settings.h"
#include "parade/walkers.h"

namespace virelo {

struct Parade {
    RandomState random;
    WalkerTable walkers{};
    SaverSettings settings;
    std::int32_t ElapsedMs = 0;   // animation time as a sum of nominal tick periods
    bool timerCreated = false;    // the window's animation timer (Windows)
    Stage stage;                  // set by StartSession
};

}  // namespace virelo
