// The animation's window procedure: set-up order, background erase, the tick and its
// blanking rule, and the release on destruction.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_platform.h"
#include "parade/saver.h"

using namespace virelo;
using virelo::testing::FakePlatform;

namespace {

const std::string kKey = "HKCU\\Control Panel\\Screen Saver.VIRELO";
constexpr WindowHandle kWindow = FakePlatform::Window;

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
        return ScreenSaverProc(parade, platform, next, kWindow, m, wp, 0);
    }
    // Ticks until the screen is blanked; the number of the blanking tick.
    int TickUntilBlank(int limit) {
        for (int t = 1; t <= limit; ++t) {
            const std::size_t framesBefore = static_cast<std::size_t>(platform.surface.frames);
            Send(WmTimer, 1);
            const bool animated = static_cast<std::size_t>(platform.surface.frames) > framesBefore;
            if (!animated) return t;
        }
        return -1;
    }
};

int IndexOf(const std::vector<std::string>& calls, const std::string& prefix) {
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace

TEST(SaverCreate, SettingsThenSpritesThenPlacementThenTimer) {
    Saver s(200, 0);
    bool placedBeforeTimer = false;
    s.platform.onSetTimer = [&] { placedBeforeTimer = s.parade.walkers[19].height == 70; };
    EXPECT_EQ(s.Send(WmCreate), 0x55);
    const auto& c = s.platform.calls;
    const int settings = IndexOf(c, "RegQueryValueExA Speed");
    const int sprites = IndexOf(c, "LoadSprites");
    const int timer = IndexOf(c, "SetTimer");
    ASSERT_GE(settings, 0);
    EXPECT_LT(settings, sprites);
    EXPECT_LT(sprites, timer);
    EXPECT_TRUE(placedBeforeTimer) << "no tick may come before the walkers exist";
    EXPECT_EQ(c[static_cast<std::size_t>(timer)], "SetTimer 1 50");
    EXPECT_TRUE(s.parade.timerCreated);
    EXPECT_EQ(s.next.messages, std::vector<std::uint32_t>{WmCreate});
}

TEST(SaverCreate, TickPeriodIsTenSecondsOverSpeed) {
    for (const auto& [speed, period] : std::vector<std::pair<std::uint32_t, std::uint32_t>>{
             {30, 333}, {100, 100}, {299, 33}, {300, 33}, {25, 100}}) {
        Saver s(speed, 0);
        s.Send(WmCreate);
        EXPECT_EQ(s.platform.timerPeriods, std::vector<std::uint32_t>{period}) << "speed " << speed;
    }
}

TEST(SaverCreate, TimerFlagUsesTheLow16BitsOfTheIdentifier) {
    Saver s(100, 0);
    s.platform.timerResult = 0x10000;
    s.Send(WmCreate);
    EXPECT_FALSE(s.parade.timerCreated);
    s.Send(WmDestroy);
    EXPECT_EQ(s.platform.timersKilled, 0) << "no timer, nothing to kill";
    EXPECT_EQ(s.platform.spritesFreed, 1);
}

TEST(SaverDestroy, ReleasesSpritesAndKillsTimerThenPassesOn) {
    Saver s(100, 0);
    s.Send(WmCreate);
    EXPECT_EQ(s.Send(WmDestroy), 0x55);
    EXPECT_EQ(s.platform.spritesFreed, 1);
    EXPECT_GE(IndexOf(s.platform.calls, "KillTimer 1"), 0);
    EXPECT_EQ(s.next.messages.back(), WmDestroy);
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

TEST(SaverTick, ZeroBlankTimeNeverBlanksAndKeepsElapsedAtZero) {
    Saver s(300, 0);
    s.Send(WmCreate);
    EXPECT_EQ(s.TickUntilBlank(5000), -1);
    EXPECT_EQ(s.parade.ElapsedMs, 0);
    EXPECT_TRUE(s.platform.fills.empty());
}

TEST(SaverTick, SixtySecondsAtSpeed100Animate601TicksAndBlankOn602) {
    Saver s(100, 60);
    s.Send(WmCreate);
    EXPECT_EQ(s.TickUntilBlank(1000), 602);
    EXPECT_EQ(s.platform.surface.frames, 601);
    EXPECT_EQ(s.parade.ElapsedMs, 60100) << "advanced after the comparison on every animated tick";
    EXPECT_EQ(s.parade.settings.BlankTime, -1);
}

TEST(SaverTick, OneSecondAtSpeed300Animates31TicksAndBlanksOn32) {
    Saver s(300, 1);
    s.Send(WmCreate);
    EXPECT_EQ(s.TickUntilBlank(100), 32);
    EXPECT_EQ(s.platform.surface.frames, 31);
    EXPECT_EQ(s.parade.ElapsedMs, 1023);
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
