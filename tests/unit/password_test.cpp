// The password lock of the Windows 95/98 family, through the states of the close gate:
// no password, Armed, Asking, Pausing, Cooled, Approved.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "host/messages.h"
#include "host/password.h"
#include "saver_harness.h"

using namespace virelo;
using virelo::testing::FakePlatform;
using virelo::testing::SaverHarness;

namespace {

constexpr WindowHandle kWindow = FakePlatform::Window;
const std::string kDesktop = "HKCU\\Control Panel\\Desktop";

// On Windows 9x, the password switched on and the verifier's module and entry in place.
void InstallVerifier(SaverHarness& h) {
    h.host.IsWindows9x = true;
    h.platform.SetDword(kDesktop, "ScreenSaveUsePassword", 1);
    h.platform.loadable["PASSWORD.CPL"] = 0x7100;
    h.platform.entries[{0x7100, "VerifyScreenSavePwd"}] = 0x7101;
}

// A full-screen saver whose verifier is loaded: the Armed state.
void Armed(SaverHarness& h) {
    InstallVerifier(h);
    LoadPasswordVerifier(h.host, h.platform);
    ASSERT_NE(h.host.VerifyPassword, 0u);
    h.OpenFullScreen(true);
}

}  // namespace

// ---- loading and releasing the verifier -----------------------------------------------------

TEST(PasswordVerifier, LoadedOnlyWithThePasswordOnAndTheVerifierInPlace) {
    struct Case {
        const char* what;
        std::function<void(FakePlatform&)> change;
        bool loaded;  // module 0x7100 and entry 0x7101 kept, running switched on
        std::vector<LibraryHandle> freed;
    };
    const auto stored = [](std::vector<std::uint8_t> bytes) {
        return [bytes](FakePlatform& p) { p.SetBytes(kDesktop, "ScreenSaveUsePassword", RegSz, bytes); };
    };
    const Case cases[] = {
        {"password on", [](FakePlatform&) {}, true, {}},
        {"password off", stored({0, 0, 0, 0}), false, {}},
        {"a value longer than four bytes", stored({1, 0, 0, 0, 0, 0, 0, 0}), false, {}},
        {"no value", [](FakePlatform& p) { p.keys[kDesktop].clear(); }, false, {}},
        {"a short value reads as the number it stores, whatever its type", stored({'1'}), true, {}},
        {"no entry: the module is released again", [](FakePlatform& p) { p.entries.clear(); }, false, {0x7100}},
        {"no module", [](FakePlatform& p) { p.loadable.clear(); }, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SaverHarness h;
        InstallVerifier(h);
        c.change(h.platform);
        LoadPasswordVerifier(h.host, h.platform);
        EXPECT_EQ(h.host.VerifierModule, c.loaded ? 0x7100u : 0u);
        EXPECT_EQ(h.host.VerifyPassword, c.loaded ? 0x7101u : 0u);
        EXPECT_EQ(h.platform.saverRunning, c.loaded ? std::vector<std::uint32_t>{1} : std::vector<std::uint32_t>{});
        EXPECT_EQ(h.platform.freed, c.freed);
        EXPECT_TRUE(h.platform.openKeys.empty()) << "the key is closed";
    }
}

TEST(PasswordVerifier, UnloadingReleasesTheModuleAndSwitchesRunningOff) {
    SaverHarness h;
    InstallVerifier(h);
    LoadPasswordVerifier(h.host, h.platform);
    UnloadPasswordVerifier(h.host, h.platform);
    EXPECT_EQ(h.host.VerifierModule, 0u);
    EXPECT_EQ(h.host.VerifyPassword, 0u);
    EXPECT_EQ(h.platform.freed, std::vector<LibraryHandle>{0x7100});
    EXPECT_EQ(h.platform.saverRunning, (std::vector<std::uint32_t>{1, 0}));

    LoadPasswordVerifier(h.host, h.platform);
    LoadPasswordVerifier(h.host, h.platform);  // reloading releases the loaded module first
    EXPECT_EQ(h.platform.freed, (std::vector<LibraryHandle>{0x7100, 0x7100}));
    EXPECT_EQ(h.platform.saverRunning, (std::vector<std::uint32_t>{1, 0, 1, 0, 1}));
}

TEST(PasswordVerifier, NothingHappensWithNothingLoadedOrOffWindows9x) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    UnloadPasswordVerifier(h.host, h.platform);
    EXPECT_TRUE(h.platform.calls.empty()) << "unloading nothing touched the running state";

    SaverHarness off;
    InstallVerifier(off);
    off.host.IsWindows9x = false;
    LoadPasswordVerifier(off.host, off.platform);
    SetSaverRunning(off.host, off.platform, false);
    EXPECT_TRUE(off.platform.calls.empty());
}

// ---- the close gate -------------------------------------------------------------------------

TEST(CloseGate, NoPasswordTheFirstCloseClosesWithoutAQuestion) {
    SaverHarness h;
    h.OpenFullScreen(true);
    h.Send(WmClose);
    EXPECT_TRUE(h.host.CloseApproved);
    EXPECT_FALSE(h.platform.windowAlive);
    EXPECT_EQ(h.platform.questions, 0);
}

TEST(CloseGate, ArmedAsksAtOnceAndARightAnswerClosesOnThatRequest) {
    SaverHarness h;
    Armed(h);
    h.platform.tick = 5;  // however soon after start
    h.platform.verifier = [](WindowHandle w) { return w == kWindow ? 1 : 0; };
    h.Send(WmClose);
    EXPECT_EQ(h.platform.questions, 1);
    EXPECT_TRUE(h.host.CloseApproved);
    EXPECT_FALSE(h.platform.windowAlive);
    h.route.clear();
    h.Send(WmTimer, 1);
    EXPECT_EQ(h.Route(), "host") << "no tick reaches the animation after approval";
}

TEST(CloseGate, TheQuestionTravelsTheWholeRouteAfterDroppingTwoTicks) {
    SaverHarness h;
    Armed(h);
    for (int i = 0; i < 3; ++i) h.platform.queue.push_back({kWindow, WmTimer, 1, 0});
    h.platform.verifier = [&](WindowHandle) {
        EXPECT_TRUE(h.host.PasswordCheckActive);
        return 0;
    };
    h.Send(WmClose);
    EXPECT_EQ(h.platform.queue.size(), 1u) << "at most two pending ticks are dropped";
    EXPECT_EQ(h.Route(), "host > animation > host default > host > animation > host default");
    EXPECT_FALSE(h.host.PasswordCheckActive);
}

TEST(CloseGate, WrongAnswerKeepsTheSaverAndPausesFor200ms) {
    SaverHarness h;
    Armed(h);
    h.platform.tick = 1000;
    h.platform.cursor = {40, 50};
    h.platform.verifier = [&](WindowHandle) {
        h.platform.tick = 9000;  // the user took eight seconds
        h.platform.cursor = {70, 80};
        return 0;
    };
    EXPECT_EQ(h.Send(WmClose), 0);
    EXPECT_TRUE(h.platform.windowAlive);
    EXPECT_FALSE(h.host.CloseApproved);
    EXPECT_EQ(h.host.LastCheckTick, 9000u) << "the time after the answer";
    EXPECT_EQ(h.host.SavedCursorPos, (Point{70, 80})) << "taken afresh after the refusal";
    const auto& c = h.platform.calls;
    const auto asked = std::find(c.begin(), c.end(), "VerifyScreenSavePwd");
    EXPECT_NE(std::find(asked, c.end(), "SetCursor 0"), c.end()) << "hidden again after the answer 0";

    h.platform.tick = 9199;  // Pausing
    h.Send(WmClose);
    EXPECT_EQ(h.platform.questions, 1) << "refused without a question";
    EXPECT_TRUE(h.platform.windowAlive);
    EXPECT_EQ(h.host.LastCheckTick, 9000u);

    h.platform.tick = 9200;  // Cooled
    h.platform.verifier = [](WindowHandle) { return 1; };
    h.Send(WmClose);
    EXPECT_EQ(h.platform.questions, 2);
    EXPECT_FALSE(h.platform.windowAlive);
}

TEST(CloseGate, TickCounterWrapDoesNotBlockTheNextQuestion) {
    SaverHarness h;
    Armed(h);
    h.platform.tick = 0xFFFFFF00u;
    h.Send(WmClose);  // answered 0
    EXPECT_EQ(h.host.LastCheckTick, 0xFFFFFF00u);
    h.platform.tick = 0x10;  // 0x110 = 272 ms later, across the wrap
    h.Send(WmClose);
    EXPECT_EQ(h.platform.questions, 2);
    h.platform.tick = 0x10 + 199;
    h.Send(WmClose);
    EXPECT_EQ(h.platform.questions, 2) << "the pause holds after the wrap too";
}

TEST(CloseGate, CloseDuringAnOpenQuestionIsRefusedWithoutASecondQuestion) {
    SaverHarness h;
    Armed(h);
    LResult nested = -1;
    int posted = 0;
    h.platform.verifier = [&](WindowHandle w) {
        if (h.platform.questions > 1) return 0;  // a second question: refuse, do not recurse
        // The verifier's dialog dispatches the thread's messages while it waits.
        nested = h.platform.Deliver(w, WmClose);
        h.platform.cursor = {900, 900};
        h.platform.Deliver(w, WmKeyDown);
        h.platform.Deliver(w, WmMouseMove);
        posted = h.platform.CountPosted(WmClose);
        return 1;
    };
    h.Send(WmClose);
    EXPECT_EQ(nested, 0) << "the nested close is refused";
    EXPECT_EQ(h.platform.questions, 1);
    EXPECT_EQ(posted, 0) << "input posts no close while a question is open";
    EXPECT_TRUE(h.host.CloseApproved);
    EXPECT_FALSE(h.platform.windowAlive);
}

TEST(CloseGate, TicksDuringTheQuestionStillAnimate) {
    SaverHarness h;
    Armed(h);
    h.platform.verifier = [&](WindowHandle w) {
        h.platform.Deliver(w, WmTimer, 1);
        return 0;
    };
    h.Send(WmClose);
    EXPECT_EQ(h.platform.surface.frames, 1);
}

TEST(CloseGate, TheQuestionMessageIsAnsweredOnlyOnWindows9x) {
    SaverHarness off;
    off.OpenFullScreen(false);
    EXPECT_EQ(off.Send(AskPasswordMessage), 0);
    EXPECT_EQ(off.Route(), "host > animation > host default > platform") << "the platform's default";
    EXPECT_EQ(off.platform.questions, 0);

    SaverHarness h;
    h.OpenFullScreen(true);
    EXPECT_EQ(h.Send(AskPasswordMessage), 1) << "no verifier: answered 1";
}

// ---- changing the password ------------------------------------------------------------------

TEST(PasswordChange, CallsTheProviderWithTheOwnerAndReleasesTheModule) {
    struct Case { const char* what; bool module, entry; std::vector<WindowHandle> changes; std::vector<LibraryHandle> freed; };
    for (const Case& c : {Case{"module and entry", true, true, {0x4444}, {0x8100}},
                          Case{"no entry: still released", true, false, {}, {0x8100}},
                          Case{"no module: nothing", false, false, {}, {}}}) {
        FakePlatform p;
        if (c.module) p.loadable["MPR.DLL"] = 0x8100;
        if (c.entry) p.entries[{0x8100, "PwdChangePasswordA"}] = 0x8101;
        ChangeSaverPassword(p, 0x4444);
        EXPECT_EQ(p.passwordChanges, c.changes) << c.what;
        EXPECT_EQ(p.freed, c.freed) << c.what;
        EXPECT_EQ(p.provider, c.changes.empty() ? "" : "SCRSAVE") << c.what;
    }
}
