#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

#include "parade/bitmap.h"
#include "parade/session.h"
#include "platform/wayland/input.h"
#include "platform/wayland/presenter.h"
#include "render/soft_surface.h"
#include "render/sprites.h"

using namespace virelo;

namespace {

// How a compositor treats the buffers that go up: sway's pixman renderer holds each until
// the next commit, some copy and release at once, and any may hold both for a while.
enum class Holds { UntilNextCommit, NotAtAll, AtRandom };

// An output drawn the way virelo-wayland draws it: every tick straight into the buffer the
// presenter hands out, catching up from the buffer shown as it draws. Beside it, a surface of
// its own draws the same ticks: the buffer shown must always be its picture.
struct Output {
    Rect client;
    std::int32_t zoom;
    std::vector<Pixel> memory[Presenter::Buffers];
    Parade parade, mirror;
    std::optional<SoftSurface> soft, own;
    Presenter presenter;
    int ticks = 0;

    Output(const Rect& c, std::int32_t z, std::int32_t seed) { Start(c, z, seed); }

    // A new size: the buffers go, whether the compositor holds them or not.
    void Start(const Rect& c, std::int32_t z, std::int32_t seed) {
        client = c;
        zoom = z;
        presenter.Reset();
        for (auto& m : memory) m.clear();
        static const PackedBitmap sheet = *ReadBitmapFile(SheetFile().data(), SheetFile().size());
        static const PackedBitmap mask = *ReadBitmapFile(MaskFile().data(), MaskFile().size());
        const Presenter::Use first = presenter.Next();
        EXPECT_TRUE(first.buffer == 0 && first.make);
        memory[0].assign(static_cast<std::size_t>(c.right) * c.bottom, 0);
        soft.emplace(c.right, c.bottom, memory[0].data());
        own.emplace(c.right, c.bottom);
        for (SoftSurface* s : {&*soft, &*own}) {
            s->LoadSheet(sheet);
            s->LoadMask(mask);
        }
        for (Parade* p : {&parade, &mirror}) {
            p->random.state = seed;
            StartSession(*p, client, zoom * BaseDpi);
        }
        soft->BeginFrame(parade.stage);
        soft->TakeChanged();
        presenter.TakeMissed(0);
        presenter.Commit(0, {});
    }

    // One tick, unless both buffers are held; the buffer committed, or -1.
    int Tick() {
        const Presenter::Use use = presenter.Next();
        if (use.buffer < 0) return -1;
        auto& m = memory[use.buffer];
        if (use.make) m.assign(static_cast<std::size_t>(client.right) * client.bottom, 0);
        soft->DrawInto(m.data(), memory[presenter.Shown()].data(), presenter.TakeMissed(use.buffer));
        SessionTick(parade, *soft, client);
        SessionTick(mirror, *own, client);
        ++ticks;
        soft->Settle();
        const std::vector<Rect> changed = soft->TakeChanged();
        if (changed.empty()) return -1;
        presenter.Commit(use.buffer, changed);
        return use.buffer;
    }

    bool ShowsThePicture() { return memory[presenter.Shown()] == own->Picture().pixels; }
};

}  // namespace

// Whatever order the compositor releases buffers in, the buffer committed last holds the
// picture as drawn so far, and once it holds both, ticks wait rather than go missing: the
// last picture always goes up. Plain, zoomed and on the logical screen, across a new size.
TEST(WaylandPresenter, TheBufferShownIsAlwaysThePicture) {
    std::mt19937 random(11);
    struct Case {
        Rect client;
        std::int32_t zoom;
        Holds holds;
        int buffersMade;
    };
    for (const Case& c : {Case{{0, 0, 800, 600}, 1, Holds::UntilNextCommit, 2},
                          Case{{0, 0, 800, 600}, 1, Holds::NotAtAll, 1},
                          Case{{0, 0, 320, 200}, 1, Holds::AtRandom, 2},
                          Case{{0, 0, 700, 460}, 2, Holds::AtRandom, 2}}) {
        SCOPED_TRACE(testing::Message() << c.client.right << " x " << c.client.bottom << " zoom " << c.zoom
                                        << " holds " << static_cast<int>(c.holds));
        Output out(c.client, c.zoom, 1234);
        const int last = 90;
        bool resized = false, waitedAtTheEnd = false;
        while (out.ticks < last) {
            if (!resized && out.ticks == 45) {  // held or not: the buffers go
                out.Start({0, 0, c.client.right - 40, c.client.bottom + 24}, c.zoom, 99);
                resized = true;
            }
            if (c.holds == Holds::NotAtAll) out.presenter.Released(out.presenter.Shown());
            const int before = out.ticks, shownBefore = out.presenter.Shown();
            const int committed = out.Tick();
            ASSERT_TRUE(out.ShowsThePicture()) << "tick " << out.ticks;
            if (c.holds == Holds::UntilNextCommit && committed >= 0 && committed != shownBefore)
                out.presenter.Released(shownBefore);
            if (c.holds != Holds::AtRandom) continue;
            // Near the end nothing is released until a tick has found both buffers held.
            waitedAtTheEnd |= out.ticks == before && out.ticks >= last - 3;
            if (out.ticks < last - 3 || waitedAtTheEnd)
                for (int b = 0; b < Presenter::Buffers; ++b)
                    if (random() % 3 == 0) out.presenter.Released(b);
        }
        EXPECT_TRUE(resized);
        EXPECT_EQ(waitedAtTheEnd, c.holds == Holds::AtRandom);
        EXPECT_TRUE(out.ShowsThePicture());
        EXPECT_EQ(out.presenter.Made(0) + out.presenter.Made(1), c.buffersMade);
    }
}

// The pointer ends the saver past 4 pixels (Manhattan) from where it first moved; the
// keyboard, when it leaves the saver's last surface and has not come back by the answer
// to a round trip.
TEST(WaylandInput, MotionAndTheKeyboardLeaving) {
    PointerRule p;
    EXPECT_FALSE(PointerMoved(p, {100, 200}));
    EXPECT_FALSE(PointerMoved(p, {103, 199}));  // 4
    EXPECT_TRUE(PointerMoved(p, {98, 203}));    // 5
    EXPECT_FALSE(PointerMoved(p, {100, 200}));

    Activation a;
    KeyboardEntered(a);
    EXPECT_TRUE(KeyboardLeft(a));   // a round trip is asked for
    KeyboardEntered(a);             // a locker on a compositor without the lock protocol
    EXPECT_FALSE(ActivationLost(a));
    EXPECT_TRUE(KeyboardLeft(a));   // ... and this time it stays away
    EXPECT_FALSE(KeyboardLeft(a));  // one round trip at a time
    EXPECT_TRUE(ActivationLost(a));

    Activation two;  // two seats: one keyboard leaving while the other stays is no loss
    KeyboardEntered(two);
    KeyboardEntered(two);
    EXPECT_FALSE(KeyboardLeft(two));
    KeyboardGone(two, true);  // a keyboard unplugged takes no activation with it
    EXPECT_EQ(two.holders, 0);
    EXPECT_FALSE(two.asking);
}
