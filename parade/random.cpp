#include "parade/random.h"

namespace virelo {

std::int32_t SeedFromTicks(std::uint32_t ticks) {
    return static_cast<std::int32_t>(ticks % 0x7FFFFFFEu) + 1;
}

std::int32_t NextRandom(RandomState& random) {
    if (random.state == -1)
        random.state = SeedFromTicks(random.tickCount ? random.tickCount() : 0);
    const std::int32_t s = random.state;
    // Schrage: 16807 * s mod m == 16807 * (s % q) - r * (s / q), folded into range,
    // with q = m / 16807 and r = m % 16807; neither product leaves 32 bits.
    const std::int32_t hi = s / 127773;
    const std::int32_t lo = s % 127773;
    std::int32_t t = 16807 * lo - 2836 * hi;
    if (t <= 0) t += 0x7FFFFFFF;
    random.state = t;
    return t;
}

}  // namespace virelo
