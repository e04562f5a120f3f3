// The engine's own cost per tick, drawing into a recorder that only stores the events.
#include <benchmark/benchmark.h>

#include "parade/frame.h"
#include "render/recording_surface.h"

using namespace virelo;

static void BM_FrameStep(benchmark::State& state) {
    const Rect client{0, 0, static_cast<std::int32_t>(state.range(0)),
                      static_cast<std::int32_t>(state.range(1))};
    Parade p;
    p.random.state = 12345;
    PlaceWalkers(p.walkers, p.random, client);
    RecordingSurface s;
    s.events.reserve(64);
    for (auto _ : state) {
        s.events.clear();
        FrameStep(p, s, StageOf(client, 1));
        benchmark::DoNotOptimize(p.walkers);
    }
}
BENCHMARK(BM_FrameStep)->Args({1920, 1080})->Args({640, 480})->Args({152, 112});

static void BM_PlaceWalkers(benchmark::State& state) {
    Parade p;
    p.random.state = 12345;
    for (auto _ : state) {
        PlaceWalkers(p.walkers, p.random, {0, 0, 1920, 1080});
        benchmark::DoNotOptimize(p.walkers);
    }
}
BENCHMARK(BM_PlaceWalkers);

BENCHMARK_MAIN();
