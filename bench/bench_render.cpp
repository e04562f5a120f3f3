// One tick drawn into a software framebuffer with the committed sprites: the parade's way
// (erase and redraw only the walkers that move, on a picture that persists) against the
// naive way (clear the whole frame, then draw all 20 walkers where they stand).
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "parade/bitmap.h"
#include "parade/frame.h"
#include "render/soft_surface.h"

using namespace virelo;

namespace {

struct Sprites {
    std::vector<std::uint8_t> sheetBytes, maskBytes;
    std::optional<PackedBitmap> sheet, mask;

    Sprites() {
        auto read = [](const char* name) {
            std::ifstream in(std::string(VIRELO_RESOURCE_DIR) + "/" + name, std::ios::binary);
            return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
        };
        sheetBytes = read("sheet.bmp");
        maskBytes = read("mask.bmp");
        sheet = ReadBitmapFile(sheetBytes.data(), sheetBytes.size());
        mask = ReadBitmapFile(maskBytes.data(), maskBytes.size());
    }
};

// Advances the parade without drawing, for the naive redraw that follows.
class NullSurface final : public DrawSurface {
public:
    void BeginFrame(const Stage&) override {}
    void EndFrame() override {}
    void Erase(int, const Rect&) override {}
    bool DrawCell(int, const CellTransfer&) override { return true; }
};

// A parade on a surface with the sprites loaded, some ticks in so the walkers have spread.
struct Scene {
    Rect client;
    Parade parade;
    SoftSurface surface;

    Scene(benchmark::State& state, const Sprites& sprites)
        : client{0, 0, static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1))},
          surface(client.right, client.bottom) {
        parade.random.state = 12345;
        PlaceWalkers(parade.walkers, parade.random, client);
        surface.LoadSheet(*sprites.sheet);
        surface.LoadMask(*sprites.mask);
        for (int k = 0; k < 50; ++k) FrameStep(parade, surface, StageOf(client, 1));
    }
};

bool Ready(benchmark::State& state, const Sprites& sprites) {
    if (sprites.sheet && sprites.mask) return true;
    state.SkipWithError("resources/sheet.bmp or mask.bmp missing or unreadable");
    return false;
}

void BM_TickPersistent(benchmark::State& state) {
    static const Sprites sprites;
    if (!Ready(state, sprites)) return;
    Scene scene(state, sprites);
    for (auto _ : state) {
        FrameStep(scene.parade, scene.surface, StageOf(scene.client, 1));
        benchmark::DoNotOptimize(scene.surface.Picture().pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// The same with the caches emptied before every tick, as a saver finds them when it wakes
// 30 times a second among other programs: what a tick costs there is trips to memory.
void BM_TickCold(benchmark::State& state) {
    static const Sprites sprites;
    if (!Ready(state, sprites)) return;
    Scene scene(state, sprites);
    std::vector<char> others(64 << 20, 1);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < others.size(); i += 64) ++others[i];
        state.ResumeTiming();
        FrameStep(scene.parade, scene.surface, StageOf(scene.client, 1));
        benchmark::DoNotOptimize(scene.surface.Picture().pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TickNaiveRedraw(benchmark::State& state) {
    static const Sprites sprites;
    if (!Ready(state, sprites)) return;
    Scene scene(state, sprites);
    NullSurface null;
    Frame frame;
    for (auto _ : state) {
        FrameStep(scene.parade, null, StageOf(scene.client, 1), frame);
        scene.surface.BeginFrame(StageOf(scene.client, 1));
        scene.surface.Erase(-1, scene.client);
        for (int i = 0; i < WalkerCount; ++i) DrawWalker(frame, scene.parade.walkers[i], i, scene.surface);
        scene.surface.EndFrame();
        benchmark::DoNotOptimize(scene.surface.Picture().pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_TickPersistent)->Args({1920, 1080});
BENCHMARK(BM_TickCold)->Args({1920, 1080});
BENCHMARK(BM_TickNaiveRedraw)->Args({1920, 1080});

BENCHMARK_MAIN();
