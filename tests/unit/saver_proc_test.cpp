// The animation's window procedure: set-up order, background erase, the tick and its
// blanking rule, and the release on destruction.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "fake_platform.h"
#include "host/saver_proc.h"

using namespace virelo;
using virelo::testing::FakePlatform;

namespace {

const std::string kKey = "HKCU\\Control Panel\\Screen Saver.VIRELO";

struct PassedOn final : SaverDefault {
    std::vector<std::uint32_t> messages;
    LResult answer = 0x55;
    LResult HostDefaultProc(WindowHandle, std::uint32_t m, WParam, LParam) override {
        messages.push_back(m);
        return answer;
    }
};

struct Saver {
    Parade parade;
    FakePlatform platform;
    PassedOn next;
    Saver(std::uint32_t speed, std::uint32_t blank) {
        parade.random.state = 1;
        platform.SetDword(kKey, "Speed", speed);
        platform.SetDword(kKey, "BlankTime", blank);
    }
    LResult Send(std::uint32_t m, WParam wp = 0) {
        return ScreenSaverProc(parade, platform, next, FakePlatform::Window, m, wp, 0);
    }
    // Ticks until one does not animate: the number of that tick, or -1 within the limit.
    int TickUntilBlank(int limit) {
        for (int t = 1; t <= limit; ++t) {
            const int framesBefore = platform.surface.frames;
            Send(WmTimer, 1);
            if (platform.surface.frames == framesBefore) return t;
        }
        return -1;
    }
    int Called(const std::string& prefix) const {
        const auto& c = platform.calls;
        const auto it = std::find_if(c.begin(), c.end(), [&](const std::string& s) { return s.starts_with(prefix); });
        return it == c.end() ? -1 : static_cast<int>(it - c.begin());
    }
};

}  // namespace

TEST(SaverCreate, SettingsThenSpritesThenPlacementThenTimer) {
    Saver s(200, 0);
    bool placedBeforeTimer = false;
    s.platform.onSetTimer = [&] { placedBeforeTimer = s.parade.walkers[19].height == 70; };
    EXPECT_EQ(s.Send(WmCreate), 0x55);
    const int settings = s.Called("RegQueryValueExA Speed"), sprites = s.Called("LoadSprites"),
              timer = s.Called("SetTimer");
    ASSERT_GE(settings, 0);
    EXPECT_LT(settings, sprites);
    EXPECT_LT(sprites, timer);
    EXPECT_TRUE(placedBeforeTimer) << "no tick may come before the walkers exist";
    EXPECT_EQ(s.platform.calls.at(static_cast<std::size_t>(timer)), "SetTimer 1 50");
    EXPECT_TRUE(s.parade.timerCreated);
    EXPECT_EQ(s.next.messages, std::vector<std::uint32_t>{WmCreate});
}

TEST(SaverCreate, TickPeriodIsTenSecondsOverSpeed) {
    for (auto [speed, period] : {std::pair<std::uint32_t, std::uint32_t>{30, 333}, {100, 100}, {299, 33},
                                 {300, 33}, {25, 100}}) {
        Saver s(speed, 0);
        s.Send(WmCreate);
        EXPECT_EQ(s.platform.timerPeriods, std::vector<std::uint32_t>{period}) << "speed " << speed;
    }
}

// The timer counts as made when the low 16 bits of its identifier are not zero; only then
// is it killed.
TEST(SaverDestroy, ReleasesSpritesAndKillsAMadeTimerThenPassesOn) {
    for (auto [timerResult, made] : {std::pair<TimerId, bool>{1, true}, {0x10000, false}}) {
        SCOPED_TRACE("SetTimer answered " + std::to_string(timerResult));
        Saver s(100, 0);
        s.platform.timerResult = timerResult;
        s.Send(WmCreate);
        EXPECT_EQ(s.parade.timerCreated, made);
        EXPECT_EQ(s.Send(WmDestroy), 0x55);
        EXPECT_EQ(s.platform.spritesFreed, 1);
        EXPECT_EQ(s.Called("KillTimer 1") >= 0, made);
        EXPECT_EQ(s.next.messages.back(), WmDestroy);
    }
}

TEST(SaverErase, FillsTheGivenSurfaceBlackAnswersZeroAndStopsThere) {
    Saver s(100, 0);
    s.platform.client = {0, 0, 800, 600};
    EXPECT_EQ(s.Send(WmEraseBkgnd, 0xE0E0), 0);
    ASSERT_EQ(s.platform.fills.size(), 1u);
    EXPECT_EQ(s.platform.fills[0].dc, 0xE0E0u);
    EXPECT_EQ(s.platform.fills[0].rect, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(s.platform.fills[0].brush, s.platform.GetStockObject(BlackBrush));
    EXPECT_TRUE(s.next.messages.empty()) << "the erase is not passed on";
}

TEST(SaverTick, AnyTimerIdAnimatesAndIsPassedOn) {
    Saver s(100, 0);
    s.Send(WmCreate);
    s.Send(WmTimer, 1);
    s.Send(WmTimer, 42);
    EXPECT_EQ(s.platform.surface.frames, 2);
    EXPECT_EQ(std::count(s.next.messages.begin(), s.next.messages.end(), WmTimer), 2);
}

// Strictly greater, and the time advances after the test: BlankTime * 1000 / period + 1
// ticks animate, and the next one blanks.
TEST(SaverTick, BlanksOnTheTickAfterBlankTimeHasPassed) {
    struct Case { std::uint32_t speed, blank; int limit, blankingTick, frames; std::int32_t elapsed; };
    for (const Case c : {Case{100, 60, 1000, 602, 601, 60100}, Case{300, 1, 100, 32, 31, 1023},
                         Case{300, 0, 5000, -1, 5000, 0}}) {  // 0: never, and no time is kept
        SCOPED_TRACE("speed " + std::to_string(c.speed) + ", blank time " + std::to_string(c.blank));
        Saver s(c.speed, c.blank);
        s.Send(WmCreate);
        EXPECT_EQ(s.TickUntilBlank(c.limit), c.blankingTick);
        EXPECT_EQ(s.platform.surface.frames, c.frames);
        EXPECT_EQ(s.parade.ElapsedMs, c.elapsed);
        EXPECT_EQ(s.parade.settings.BlankTime, c.blankingTick > 0 ? -1 : 0);
        EXPECT_EQ(s.platform.fills.size(), c.blankingTick > 0 ? 1u : 0u);
    }
}

TEST(SaverTick, BlankingFillsTheClientOnceThroughAWindowSurfaceThenTicksDoNothing) {
    Saver s(300, 1);
    s.platform.client = {0, 0, 320, 240};
    s.Send(WmCreate);
    s.TickUntilBlank(100);
    ASSERT_EQ(s.platform.fills.size(), 1u);
    EXPECT_EQ(s.platform.fills[0].rect, (Rect{0, 0, 320, 240}));
    EXPECT_EQ(s.platform.fills[0].dc, 0xDCu);
    EXPECT_EQ(s.platform.fills[0].brush, s.platform.GetStockObject(BlackBrush));
    EXPECT_EQ(s.platform.dcsTaken, s.platform.dcsReleased) << "the surface is given back at once";
    const std::size_t passedBefore = s.next.messages.size();
    for (int t = 0; t < 50; ++t) s.Send(WmTimer, 1);
    EXPECT_EQ(s.platform.surface.frames, 31) << "no frame after blanking";
    EXPECT_EQ(s.platform.fills.size(), 1u) << "blanked once";
    EXPECT_EQ(s.parade.ElapsedMs, 1023);
    EXPECT_EQ(s.next.messages.size(), passedBefore + 50) << "ticks are still passed on";
}

// The screen's dpi is read once on creation; the stage is the client in zoomed units, and
// the surface draws each unit as a zoom x zoom block unless the logical screen applies.
TEST(SaverTick, StageIsTheClientInUnitsOfTheScreensZoom) {
    struct Case { int dpi; Rect client; std::int32_t zoom; bool logical; std::int32_t right; };
    for (const Case c : {Case{192, {0, 0, 1280, 800}, 2, false, 640}, Case{192, {0, 0, 1024, 768}, 2, true, 640},
                         Case{144, {0, 0, 1280, 800}, 1, false, 1280}}) {
        SCOPED_TRACE(std::to_string(c.dpi) + " dpi, client " + std::to_string(c.client.right));
        Saver s(100, 0);
        s.platform.logPixelsY = c.dpi;
        s.platform.client = c.client;
        s.Send(WmCreate);
        EXPECT_EQ(s.parade.stage.zoom, c.zoom);
        EXPECT_EQ(s.platform.dcsTaken, s.platform.dcsReleased);
        for (const Walker& w : s.parade.walkers) EXPECT_LE(w.x, c.right) << "placed on the stage";
        s.Send(WmTimer, 1);
        EXPECT_EQ(std::tuple(s.platform.surface.zoom, s.platform.surface.logical), std::tuple(c.zoom, c.logical));
        for (const DrawEvent& e : s.platform.surface.events) {
            if (e.kind == DrawEvent::Draw) {
                EXPECT_LE(e.transfer.x + e.transfer.cx, c.right) << "clipped at the stage";
            }
        }
    }
}

TEST(SaverTick, FrameIsDrawnForTheWindowsClientArea) {
    Saver s(100, 0);
    s.platform.client = {0, 0, 320, 240};
    s.Send(WmCreate);
    s.Send(WmTimer, 1);
    EXPECT_TRUE(s.platform.surface.logical) << "a small client is drawn in the 640 x 480 space";
    EXPECT_FALSE(s.platform.surface.events.empty());
}

TEST(SaverOther, EveryOtherMessageIsPassedOnWithItsAnswer) {
    Saver s(100, 0);
    for (std::uint32_t m : {WmPaint, WmClose, WmKeyDown, WmMouseMove, WmSetCursor, 0x8000u}) {
        s.next.answer = static_cast<LResult>(m) + 1;
        EXPECT_EQ(s.Send(m), static_cast<LResult>(m) + 1) << "message " << m;
    }
    EXPECT_EQ(s.next.messages.size(), 6u);
    EXPECT_TRUE(s.platform.calls.empty()) << "nothing of its own for them";
}
