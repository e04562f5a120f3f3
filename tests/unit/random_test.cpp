#include <gtest/gtest.h>

#include "parade/random.h"

using namespace virelo;

TEST(RandomSequence, KnownValuesFromStateOne) {
    RandomState r{1, nullptr};
    EXPECT_EQ(NextRandom(r), 16807);
    EXPECT_EQ(NextRandom(r), 282475249);
    EXPECT_EQ(NextRandom(r), 1622650073);
    EXPECT_EQ(r.state, 1622650073);
}

TEST(RandomSequence, MatchesTheDefiningRecurrence) {
    // Schrage's evaluation must equal 16807 * s mod (2^31 - 1) everywhere, including the
    // states next to the fold (t <= 0) and the extremes of the range.
    for (std::int64_t s : {1LL, 2LL, 127772LL, 127773LL, 127774LL, 1043618065LL, 2147483645LL,
                           2147483646LL, 1000000000LL}) {
        RandomState r{static_cast<std::int32_t>(s), nullptr};
        EXPECT_EQ(NextRandom(r), (16807 * s) % 2147483647) << "from state " << s;
    }
    RandomState r{42, nullptr};
    std::int64_t s = 42;
    for (int i = 0; i < 100000; ++i) {
        s = (16807 * s) % 2147483647;
        const std::int32_t v = NextRandom(r);
        ASSERT_EQ(v, s) << "step " << i;
        ASSERT_GE(v, 1);
        ASSERT_LE(v, RandomMax);
    }
}

namespace {
std::uint32_t ticksNow;
std::uint32_t FakeTicks() { return ticksNow; }
}  // namespace

TEST(RandomSeeding, FirstDrawSeedsFromTheTickCount) {
    EXPECT_EQ(SeedFromTicks(0), 1);
    EXPECT_EQ(SeedFromTicks(0x7FFFFFFE), 1);
    EXPECT_EQ(SeedFromTicks(0xFFFFFFFF), 4);
    EXPECT_EQ(SeedFromTicks(0x7FFFFFFD), 2147483646);

    ticksNow = 0;
    RandomState r{-1, FakeTicks};
    EXPECT_EQ(NextRandom(r), 16807);  // seeded to 1, then one step
    ticksNow = 0xFFFFFFFF;
    RandomState r4{-1, FakeTicks};
    EXPECT_EQ(NextRandom(r4), 4 * 16807);
}

TEST(RandomSeeding, SeedsOnlyOnceAndNeverReturnsToUnseeded) {
    ticksNow = 5;
    RandomState r{-1, FakeTicks};
    const std::int32_t first = NextRandom(r);
    EXPECT_EQ(first, 6 * 16807);
    ticksNow = 999;  // a later tick count must not reseed
    RandomState expected{first, nullptr};
    EXPECT_EQ(NextRandom(r), NextRandom(expected));
    EXPECT_NE(r.state, -1);
}
