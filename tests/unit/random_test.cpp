#include <gtest/gtest.h>

#include <utility>

#include "parade/random.h"

using namespace virelo;

namespace {
std::uint32_t ticksNow;
std::uint32_t FakeTicks() { return ticksNow; }
std::int32_t After(std::int32_t state) {
    RandomState r{state, nullptr};
    return NextRandom(r);
}
}  // namespace

TEST(RandomSequence, KnownValuesFromStateOne) {
    RandomState r{1, nullptr};
    for (std::int32_t want : {16807, 282475249, 1622650073}) EXPECT_EQ(NextRandom(r), want);
    EXPECT_EQ(r.state, 1622650073);
}

TEST(RandomSequence, MatchesTheDefiningRecurrence) {
    // Schrage's evaluation must equal 16807 * s mod (2^31 - 1) everywhere, including the
    // states next to the fold (t <= 0) and the extremes of the range.
    for (std::int64_t s : {1LL, 2LL, 127772LL, 127773LL, 127774LL, 1043618065LL, 2147483645LL,
                           2147483646LL, 1000000000LL})
        EXPECT_EQ(After(static_cast<std::int32_t>(s)), (16807 * s) % 2147483647) << "from state " << s;
    RandomState r{42, nullptr};
    std::int64_t s = 42;
    for (int i = 0; i < 100000; ++i) {
        s = (16807 * s) % 2147483647;  // never 0: the modulus is prime
        ASSERT_EQ(NextRandom(r), s) << "step " << i;
    }
}

TEST(RandomSeeding, SeedIsTheTickCountFoldedIntoTheRange) {
    for (auto [ticks, seed] : {std::pair<std::uint32_t, std::int32_t>{0, 1}, {0x7FFFFFFE, 1},
                               {0xFFFFFFFF, 4}, {0x7FFFFFFD, 2147483646}})
        EXPECT_EQ(SeedFromTicks(ticks), seed) << "ticks " << ticks;
}

TEST(RandomSeeding, FirstDrawSeedsFromTheTickCountOnlyOnce) {
    for (auto [ticks, first] : {std::pair<std::uint32_t, std::int32_t>{0, 16807},
                                {0xFFFFFFFF, 4 * 16807}, {5, 6 * 16807}}) {
        ticksNow = ticks;
        RandomState r{-1, FakeTicks};
        EXPECT_EQ(NextRandom(r), first) << "ticks " << ticks << ": seeded, then one step";
        ticksNow = 999;  // a later tick count must not reseed
        EXPECT_EQ(NextRandom(r), After(first)) << "ticks " << ticks;
        EXPECT_NE(r.state, -1) << "ticks " << ticks << ": back to unseeded";
    }
}
