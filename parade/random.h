#pragma once
// The one random source of the parade: Park-Miller minimal standard (16807 mod 2^31-1),
// evaluated with Schrage's method so no step needs more than 32 bits.
#include <cstdint>

namespace virelo {

// Milliseconds since some fixed point, 32 bits, wrapping (the platform's tick counter).
using TickSource = std::uint32_t (*)();

struct RandomState {
    // -1 until the first draw seeds it; afterwards always in 1 .. 2147483646.
    std::int32_t state = -1;
    // Read once, by the first draw; may be null (seeds as a tick count of 0).
    TickSource tickCount = nullptr;
};

constexpr std::int32_t RandomMax = 2147483646;

// Seed for a tick count: 1 .. 2147483646.
std::int32_t SeedFromTicks(std::uint32_t ticks);

// Advances the state (seeding it first when it is still -1) and returns the new state.
std::int32_t NextRandom(RandomState& random);

}  // namespace virelo
