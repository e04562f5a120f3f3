// The password lock of the Windows 95/98 family, through the states of the close gate:
// no password, Armed, Asking, Pausing, Cooled, Approved.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/messages.h"
#include "host/password.h"
#include "saver_harness.h"

using namespace virelo;
using virelo::testing::FakePlatform;
using virelo::testing::SaverHarness;

namespace {

constexpr WindowHandle kWindow = FakePlatform::Window;
const std::string kDesktop = "HKCU\\Control Panel\\Desktop";

void InstallVerifier(FakePlatform& p, std::uint32_t usePassword = 1) {
    p.SetDword(kDesktop, "ScreenSaveUsePassword", usePassword);
    p.loadable["PASSWORD.CPL"] = 0x7100;
    p.entries[{0x7100, "VerifyScreenSavePwd"}] = 0x7101;
}

// A full-screen saver on Windows 9x whose verifier is loaded: the Armed state.
void Armed(SaverHarness& h) {
    h.host.IsWindows9x = true;
    InstallVerifier(h.platform);
    LoadPasswordVerifier(h.host, h.platform);
    ASSERT_NE(h.host.VerifyPassword, 0u);
    h.OpenFullScreen(true);
}

}  // namespace

// ---- loading and releasing the verifier -----------------------------------------------------

TEST(PasswordVerifier, PasswordOnLoadsTheVerifierAndSwitchesRunningOn) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    InstallVerifier(h.platform);
    LoadPasswordVerifier(h.host, h.platform);
    EXPECT_EQ(h.host.VerifierModule, 0x7100u);
    EXPECT_EQ(h.host.VerifyPassword, 0x7101u);
    EXPECT_EQ(h.platform.saverRunning, std::vector<std::uint32_t>{1});
    EXPECT_TRUE(h.platform.openKeys.empty()) << "the key is closed";
    UnloadPasswordVerifier(h.host, h.platform);
    EXPECT_EQ(h.host.VerifierModule, 0u);
    EXPECT_EQ(h.host.VerifyPassword, 0u);
    EXPECT_EQ(h.platform.freed, std::vector<LibraryHandle>{0x7100});
    EXPECT_EQ(h.platform.saverRunning, (std::vector<std::uint32_t>{1, 0}));
}

TEST(PasswordVerifier, PasswordOffMissingOrTooLongLoadsNothing) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    for (const Case& c : {Case{"zero", {0, 0, 0, 0}}, Case{"eight bytes", {1, 0, 0, 0, 0, 0, 0, 0}},
                          Case{"absent", {}}}) {
        SaverHarness h;
        h.host.IsWindows9x = true;
        InstallVerifier(h.platform);
        if (c.bytes.empty())
            h.platform.keys[kDesktop].clear();
        else
            h.platform.SetBytes(kDesktop, "ScreenSaveUsePassword", RegSz, c.bytes);
        LoadPasswordVerifier(h.host, h.platform);
        EXPECT_EQ(h.host.VerifierModule, 0u) << c.what;
        EXPECT_TRUE(h.platform.saverRunning.empty()) << c.what;
        EXPECT_TRUE(h.platform.openKeys.empty()) << c.what;
    }
}

TEST(PasswordVerifier, ShortValueReadsAsTheNumberItStoresWhateverItsType) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    InstallVerifier(h.platform);
    h.platform.SetBytes(kDesktop, "ScreenSaveUsePassword", RegSz, {'1'});
    LoadPasswordVerifier(h.host, h.platform);
    EXPECT_EQ(h.host.VerifyPassword, 0x7101u);
}

TEST(PasswordVerifier, MissingEntryReleasesTheModuleAgain) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    InstallVerifier(h.platform);
    h.platform.entries.clear();
    LoadPasswordVerifier(h.host, h.platform);
    EXPECT_EQ(h.host.VerifierModule, 0u);
    EXPECT_EQ(h.platform.freed, std::vector<LibraryHandle>{0x7100});
    EXPECT_TRUE(h.platform.saverRunning.empty()) << "running state never switched";
}

TEST(PasswordVerifier, MissingModuleIsSilent) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    InstallVerifier(h.platform);
    h.platform.loadable.clear();
    LoadPasswordVerifier(h.host, h.platform);
    EXPECT_EQ(h.host.VerifyPassword, 0u);
    EXPECT_TRUE(h.platform.openKeys.empty());
}

TEST(PasswordVerifier, ReloadingReleasesTheLoadedModuleFirst) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    InstallVerifier(h.platform);
    LoadPasswordVerifier(h.host, h.platform);
    LoadPasswordVerifier(h.host, h.platform);
    EXPECT_EQ(h.platform.freed, std::vector<LibraryHandle>{0x7100});
    EXPECT_EQ(h.platform.saverRunning, (std::vector<std::uint32_t>{1, 0, 1}));
}

TEST(PasswordVerifier, UnloadingNothingLeavesTheRunningStateAlone) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    UnloadPasswordVerifier(h.host, h.platform);
    EXPECT_TRUE(h.platform.calls.empty());
}

TEST(PasswordVerifier, OffWindows9xNothingHappens) {
    SaverHarness h;
    InstallVerifier(h.platform);
    LoadPasswordVerifier(h.host, h.platform);
    SetSaverRunning(h.host, h.platform, false);
    EXPECT_TRUE(h.platform.calls.empty());
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
    h.platform.windowAlive = true;
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

TEST(CloseGate, OffWindows9xTheQuestionMessageGetsThePlatformDefault) {
    SaverHarness h;
    h.OpenFullScreen(false);
    EXPECT_EQ(h.Send(AskPasswordMessage), 0);
    EXPECT_EQ(h.Route(), "host > animation > host default > platform");
    EXPECT_EQ(h.platform.questions, 0);
}

TEST(CloseGate, QuestionWithoutAVerifierIsAnsweredOne) {
    SaverHarness h;
    h.OpenFullScreen(true);
    EXPECT_EQ(h.Send(AskPasswordMessage), 1);
}

// ---- changing the password ------------------------------------------------------------------

TEST(PasswordChange, CallsTheProviderWithTheOwnerAndReleasesTheModule) {
    FakePlatform p;
    p.loadable["MPR.DLL"] = 0x8100;
    p.entries[{0x8100, "PwdChangePasswordA"}] = 0x8101;
    ChangeSaverPassword(p, 0x4444);
    EXPECT_EQ(p.passwordChanges, std::vector<WindowHandle>{0x4444});
    EXPECT_EQ(p.provider, "SCRSAVE");
    EXPECT_EQ(p.freed, std::vector<LibraryHandle>{0x8100});
}

TEST(PasswordChange, MissingEntryStillReleasesMissingModuleDoesNothing) {
    FakePlatform p;
    p.loadable["MPR.DLL"] = 0x8100;
    ChangeSaverPassword(p, 0x4444);
    EXPECT_TRUE(p.passwordChanges.empty());
    EXPECT_EQ(p.freed, std::vector<LibraryHandle>{0x8100});
    FakePlatform none;
    ChangeSaverPassword(none, 0x4444);
    EXPECT_TRUE(none.freed.empty());
}
