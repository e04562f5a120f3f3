// The saver window: the route of a message, the input rules, the mouse rule, preview, and
// RunSaverWindow's sequence.
#include <gtest/gtest.h>

#include "host/messages.h"
#include "host/window.h"
#include "saver_harness.h"

using namespace virelo;
using virelo::testing::FakePlatform;
using virelo::testing::SaverHarness;

namespace {

constexpr WindowHandle kWindow = FakePlatform::Window;

int ClosesPosted(const FakePlatform& p) {
    int n = 0;
    for (const Message& m : p.posted) {
        if (m.message == WmClose) {
            EXPECT_EQ(m.window, kWindow);
            EXPECT_EQ(m.wParam, 0u);
            EXPECT_EQ(m.lParam, 0);
            ++n;
        }
    }
    return n;
}

}  // namespace

// ---- the route ------------------------------------------------------------------------

TEST(MessageRoute, HostThenAnimationThenHostDefaultThenPlatform) {
    SaverHarness h;
    h.OpenFullScreen();
    h.Send(WmKeyUp);
    EXPECT_EQ(h.Route(), "host > animation > host default > platform");
}

TEST(MessageRoute, CreationTakesTheCursorBeforeTheAnimationSetsUp) {
    SaverHarness h;
    h.platform.cursor = {300, 200};
    h.OpenFullScreen();
    EXPECT_EQ(h.host.SavedCursorPos, (Point{300, 200}));
    EXPECT_EQ(h.platform.cursorHides, 1);
    EXPECT_EQ(h.platform.spritesLoaded, 1);
    EXPECT_EQ(h.platform.timerPeriods.size(), 1u);
}

TEST(MessageRoute, EraseStopsInTheAnimation) {
    SaverHarness h;
    h.OpenFullScreen();
    EXPECT_EQ(h.Send(WmEraseBkgnd, 0xDC), 0);
    EXPECT_EQ(h.Route(), "host > animation");
}

TEST(MessageRoute, SetTextIsAnsweredByTheHostAlone) {
    SaverHarness h;
    h.OpenFullScreen();
    EXPECT_EQ(h.Send(WmSetText, 0, 1234), 0);
    EXPECT_EQ(h.Route(), "host");
}

TEST(MessageRoute, SetCursorHidesAndAnswersOneWithoutThePlatform) {
    SaverHarness h;
    h.OpenFullScreen();
    EXPECT_EQ(h.Send(WmSetCursor), 1);
    EXPECT_EQ(h.Route(), "host > animation > host default");
    EXPECT_EQ(h.platform.cursorHides, 2);
}

TEST(MessageRoute, TickYieldsOnceBeforeTheAnimation) {
    SaverHarness h;
    h.OpenFullScreen();
    h.Send(WmTimer, 1);
    EXPECT_EQ(h.platform.sleeps, 1);
    EXPECT_EQ(h.platform.surface.frames, 1);
    EXPECT_EQ(h.Route(), "host > animation > host default > platform");
}

// ---- which input closes -----------------------------------------------------------------

TEST(InputRules, KeysAndButtonPressesClose) {
    for (std::uint32_t m : {WmKeyDown, WmSysKeyDown, WmLButtonDown, WmRButtonDown, WmMButtonDown}) {
        SaverHarness h;
        h.OpenFullScreen();
        h.Send(m);
        EXPECT_EQ(ClosesPosted(h.platform), 1) << "message " << std::hex << m;
        EXPECT_EQ(h.route.back(), "platform") << "then the platform's default";
    }
}

TEST(InputRules, ReleasesCharactersDoubleClicksAndWheelNeverClose) {
    SaverHarness h;
    h.OpenFullScreen();
    for (std::uint32_t m : {WmKeyUp, WmSysKeyUp, WmChar, WmLButtonUp, WmRButtonUp, WmMButtonUp,
                            WmLButtonDblClk, WmMouseWheel, WmPaint, WmSysCommand})
        h.Send(m, 0x1234);
    EXPECT_EQ(ClosesPosted(h.platform), 0);
}

TEST(InputRules, LosingActivationClosesGainingDoesNot) {
    SaverHarness h;
    h.OpenFullScreen();
    h.Send(WmActivateApp, 1);
    EXPECT_EQ(ClosesPosted(h.platform), 0);
    h.Send(WmActivateApp, 0);
    EXPECT_EQ(ClosesPosted(h.platform), 1);
}

TEST(InputRules, ShowingTheWindowHidesTheCursorHidingItDoesNot) {
    SaverHarness h;
    h.OpenFullScreen();
    const int atCreation = h.platform.cursorHides;
    h.Send(WmShowWindow, 0);
    EXPECT_EQ(h.platform.cursorHides, atCreation);
    h.Send(WmShowWindow, 1);
    EXPECT_EQ(h.platform.cursorHides, atCreation + 1);
    EXPECT_EQ(ClosesPosted(h.platform), 0);
}

TEST(InputRules, WindowSwitchingAndSaverCommandsAreDroppedOthersForwarded) {
    SaverHarness h;
    h.OpenFullScreen();
    for (WParam cmd : {ScNextWindow, ScPrevWindow, ScScreenSave}) {
        h.route.clear();
        EXPECT_EQ(h.Send(WmSysCommand, cmd), 0);
        EXPECT_EQ(h.Route(), "host") << "command " << std::hex << cmd;
    }
    h.route.clear();
    h.Send(WmSysCommand, 0xF060);  // SC_CLOSE
    EXPECT_EQ(h.Route(), "host > animation > host default > platform");
    h.route.clear();
    h.Send(WmSysCommand, ScScreenSave + 1);
    EXPECT_EQ(h.Route(), "host > animation > host default > platform") << "exact values only";
}

// ---- the mouse rule ---------------------------------------------------------------------

TEST(MouseRule, DistanceFourStaysFiveCloses) {
    SaverHarness h;
    h.platform.cursor = {100, 100};
    h.OpenFullScreen();
    h.platform.cursor = {103, 99};  // 3 + 1
    h.Send(WmMouseMove);
    h.platform.cursor = {98, 102};  // 2 + 2
    h.Send(WmMouseMove);
    EXPECT_EQ(ClosesPosted(h.platform), 0);
    h.platform.cursor = {103, 102};  // 3 + 2
    h.Send(WmMouseMove);
    EXPECT_EQ(ClosesPosted(h.platform), 1);
    EXPECT_EQ(h.host.SavedCursorPos, (Point{103, 102})) << "a close moves the saved point";
}

TEST(MouseRule, SmallMovesAddUpAgainstTheUnchangedSavedPoint) {
    SaverHarness h;
    h.platform.cursor = {500, 300};
    h.OpenFullScreen();
    for (int step = 1; step <= 4; ++step) {
        h.platform.cursor = {500 + step, 300};
        h.Send(WmMouseMove);
        EXPECT_EQ(ClosesPosted(h.platform), 0) << "after move " << step;
        EXPECT_EQ(h.host.SavedCursorPos, (Point{500, 300}));
    }
    h.platform.cursor = {505, 300};
    h.Send(WmMouseMove);
    EXPECT_EQ(ClosesPosted(h.platform), 1) << "the fifth pixel closes";
}

TEST(MouseRule, WanderingWithinTwoPixelsNeverCloses) {
    SaverHarness h;
    h.platform.cursor = {10, 10};
    h.OpenFullScreen();
    for (int i = 0; i < 200; ++i) {
        h.platform.cursor = {10 + (i % 5) - 2, 10 + ((i * 3) % 5) - 2};
        h.Send(WmMouseMove);
    }
    EXPECT_EQ(ClosesPosted(h.platform), 0);
}

TEST(MouseRule, TheMessagesOwnCoordinatesAreNotUsed) {
    SaverHarness h;
    h.OpenFullScreen();
    h.Send(WmMouseMove, 0, (900 << 16) | 900);
    EXPECT_EQ(ClosesPosted(h.platform), 0);
}

TEST(MouseRule, DistanceIsExactForFarApartPoints) {
    EXPECT_EQ(CursorDistance({-2147483647 - 1, 0}, {2147483647, 0}), 0xFFFFFFFFu);
    EXPECT_EQ(CursorDistance({-3, 7}, {2, 5}), 7u);
}

// ---- preview ------------------------------------------------------------------------------

TEST(Preview, NoInputClosesAndTheCursorIsLeftAlone) {
    SaverHarness h;
    h.host.IsPreview = true;
    h.platform.cursor = {0, 0};
    h.OpenFullScreen();
    EXPECT_EQ(h.platform.cursorHides, 0);
    for (std::uint32_t m : {WmKeyDown, WmSysKeyDown, WmLButtonDown, WmRButtonDown, WmMButtonDown,
                            WmSetCursor, WmShowWindow, WmPaint}) {
        h.platform.cursor = {400, 400};
        h.Send(m, 1);
    }
    h.Send(WmMouseMove);
    h.Send(WmActivateApp, 0);
    EXPECT_EQ(ClosesPosted(h.platform), 0);
    EXPECT_EQ(h.platform.cursorHides, 0);
}

TEST(Preview, SystemCommandsAreAllForwarded) {
    SaverHarness h;
    h.host.IsPreview = true;
    h.OpenFullScreen();
    h.Send(WmSysCommand, ScScreenSave);
    EXPECT_EQ(h.Route(), "host > animation > host default > platform");
}

TEST(Preview, HelpAndContextMenuGoToTheParentWithTheParentsHandle) {
    SaverHarness h;
    h.host.IsPreview = true;
    h.OpenFullScreen();
    h.platform.parentOf[kWindow] = 0x9000;
    h.platform.liveWindows.insert(0x9000);
    EXPECT_EQ(h.Send(WmHelp, 0, 0x1234), 1);
    EXPECT_EQ(h.Send(WmContextMenu, kWindow, 0x00500060), 1);
    ASSERT_EQ(h.platform.posted.size(), 2u);
    EXPECT_EQ(h.platform.posted[0].window, 0x9000u);
    EXPECT_EQ(h.platform.posted[0].message, WmHelp);
    EXPECT_EQ(h.platform.posted[0].wParam, 0x9000u);
    EXPECT_EQ(h.platform.posted[0].lParam, 0x1234);
    EXPECT_EQ(h.platform.posted[1].message, WmContextMenu);
    EXPECT_EQ(h.platform.posted[1].lParam, 0x00500060);
    EXPECT_EQ(h.Route(), "host > host");
}

TEST(Preview, HelpWithoutALiveParentIsAnsweredOneAndGoesNowhere) {
    SaverHarness h;
    h.host.IsPreview = true;
    h.OpenFullScreen();
    h.platform.parentOf[kWindow] = 0x9000;  // not live
    EXPECT_EQ(h.Send(WmHelp, 0, 1), 1);
    EXPECT_TRUE(h.platform.posted.empty());
}

TEST(Preview, CloseDestroysAtOnce) {
    SaverHarness h;
    h.host.IsPreview = true;
    h.host.IsWindows9x = true;
    h.OpenFullScreen(true);
    h.Send(WmClose);
    EXPECT_FALSE(h.platform.windowAlive);
    EXPECT_EQ(h.platform.questions, 0);
}

// ---- closing ------------------------------------------------------------------------------

TEST(Closing, OffWindows9xTheFirstCloseDestroysTheWindow) {
    SaverHarness h;
    h.OpenFullScreen(false);
    h.Send(WmClose);
    EXPECT_FALSE(h.platform.windowAlive);
    EXPECT_EQ(h.platform.spritesFreed, 1);
    EXPECT_EQ(h.platform.CountPosted(WmClose), 0);
    ASSERT_FALSE(h.platform.queue.empty());
    EXPECT_EQ(h.platform.queue.back().message, WmQuit);
    EXPECT_EQ(h.platform.queue.back().wParam, 0u);
}

TEST(Closing, AfterApprovalNoTickReachesTheAnimationAndInputGoesToThePlatform) {
    SaverHarness h;
    h.OpenFullScreen();
    h.host.CloseApproved = true;
    EXPECT_EQ(h.Send(WmTimer, 1), 0);
    EXPECT_EQ(h.Route(), "host");
    EXPECT_EQ(h.platform.surface.frames, 0);
    EXPECT_EQ(h.platform.sleeps, 0);
    h.route.clear();
    h.Send(WmKeyDown);
    h.Send(WmPaint);
    EXPECT_EQ(h.Route(), "host > platform > host > platform");
    h.route.clear();
    h.Send(WmActivateApp, 0);
    EXPECT_EQ(h.Route(), "host > animation > host default > platform");
    EXPECT_EQ(h.platform.CountPosted(WmClose), 0) << "the host default defaults everything";
}

TEST(Closing, InputMethodIsDetachedAndRestoredWhenAlreadyLoaded) {
    SaverHarness h;
    h.platform.loaded["IMM32.DLL"] = 0x1100;
    h.platform.entries[{0x1100, "ImmAssociateContext"}] = 0x1101;
    h.OpenFullScreen();
    ASSERT_EQ(h.platform.imeCalls.size(), 1u);
    EXPECT_EQ(h.platform.imeCalls[0], std::make_pair(ImeContext{0}, kWindow));
    h.Send(WmClose);
    ASSERT_EQ(h.platform.imeCalls.size(), 2u);
    EXPECT_EQ(h.platform.imeCalls[1], std::make_pair(h.platform.imePrevious, kWindow));
}

TEST(Closing, NoInputMethodLoadedMeansNoDetach) {
    SaverHarness h;
    h.OpenFullScreen();
    h.Send(WmClose);
    EXPECT_TRUE(h.platform.imeCalls.empty());
    for (const std::string& c : h.platform.calls) EXPECT_NE(c, "LoadLibraryA IMM32.DLL");
}

// ---- RunSaverWindow -------------------------------------------------------------------------

TEST(RunSaverWindow, FullScreenRunsUntilInputAndEndsWithZero) {
    SaverHarness h;
    h.host.ModuleHandle = 0x400000;
    h.platform.queue.push_back({kWindow, WmTimer, 1, 0});
    h.platform.queue.push_back({kWindow, WmKeyDown, 0x20, 0});
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0), 0);
    EXPECT_FALSE(h.platform.queueRanDry);
    ASSERT_EQ(h.platform.created.size(), 1u);
    const auto& c = h.platform.created[0];
    EXPECT_EQ(c.exStyle, 0x8u);
    EXPECT_EQ(c.style, 0x96000000u);
    EXPECT_EQ(c.title, "Screen Saver");
    EXPECT_EQ(c.className, "WindowsScreenSaverClass");
    EXPECT_EQ(c.width, 1024);
    EXPECT_EQ(c.height, 768);
    EXPECT_EQ(c.parent, 0u);
    EXPECT_EQ(h.platform.registeredName, "WindowsScreenSaverClass");
    EXPECT_EQ(h.platform.registered.style, 0x2Bu);
    EXPECT_EQ(h.platform.registered.instance, 0x400000u);
    EXPECT_EQ(h.platform.registered.icon, h.platform.LoadIconA(0, 100));
    EXPECT_EQ(h.platform.registered.background, h.platform.GetStockObject(BlackBrush));
    EXPECT_EQ(h.platform.registered.cursor, 0u);
    EXPECT_EQ(h.platform.broughtForward, std::vector<WindowHandle>{kWindow});
    EXPECT_EQ(h.platform.surface.frames, 1);
    EXPECT_FALSE(h.platform.windowAlive);
    EXPECT_EQ(h.host.SaverWindow, kWindow);
}

TEST(RunSaverWindow, SecondFullScreenSaverBringsTheFirstForward) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    h.platform.topLevel[{"WindowsScreenSaverClass", "Screen Saver"}] = 0x6000;
    h.platform.liveWindows.insert(0x6000);
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0), 0);
    EXPECT_EQ(h.platform.broughtForward, std::vector<WindowHandle>{0x6000});
    EXPECT_TRUE(h.platform.created.empty());
    for (const std::string& c : h.platform.calls) {
        EXPECT_NE(c, "RegisterClassA");
        EXPECT_EQ(c.find("RegOpenKey"), std::string::npos) << "no password module: " << c;
    }
}

TEST(RunSaverWindow, ARunningPreviewDoesNotCount) {
    SaverHarness h;
    h.platform.topLevel[{"WindowsScreenSaverClass", "Preview"}] = 0x6000;
    h.platform.liveWindows.insert(0x6000);
    h.platform.queue.push_back({kWindow, WmLButtonDown, 0, 0});
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0), 0);
    EXPECT_EQ(h.platform.created.size(), 1u);
}

TEST(RunSaverWindow, PreviewIsAChildOfTheParentsClientSize) {
    SaverHarness h;
    h.platform.clientOf[0x9000] = {0, 0, 152, 112};
    h.platform.queue.push_back({kWindow, WmKeyDown, 0, 0});  // ignored in preview
    h.platform.queue.push_back({kWindow, WmClose, 0, 0});
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0x9000), 0);
    EXPECT_TRUE(h.host.IsPreview);
    ASSERT_EQ(h.platform.created.size(), 1u);
    const auto& c = h.platform.created[0];
    EXPECT_EQ(c.exStyle, 0u);
    EXPECT_EQ(c.style, 0x52000000u);
    EXPECT_EQ(c.title, "Preview");
    EXPECT_EQ(c.width, 152);
    EXPECT_EQ(c.height, 112);
    EXPECT_EQ(c.parent, 0x9000u);
    EXPECT_TRUE(h.platform.broughtForward.empty());
    for (const std::string& c2 : h.platform.calls) EXPECT_NE(c2, "FindWindowA");
}

TEST(RunSaverWindow, FailedRegistrationReportsFailureAndStillUnloadsTheVerifier) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    h.platform.SetDword("HKCU\\Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    h.platform.loadable["PASSWORD.CPL"] = 0x7100;
    h.platform.entries[{0x7100, "VerifyScreenSavePwd"}] = 0x7101;
    h.platform.registerFails = true;
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0), NoWindowExitCode);
    EXPECT_TRUE(h.platform.created.empty());
    EXPECT_EQ(h.platform.freed, std::vector<LibraryHandle>{0x7100});
    EXPECT_EQ(h.platform.saverRunning, (std::vector<std::uint32_t>{1, 0}));
}

TEST(RunSaverWindow, FailedCreationReportsFailure) {
    SaverHarness h;
    h.platform.createFails = true;
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0), NoWindowExitCode);
    EXPECT_TRUE(h.platform.broughtForward.empty());
}

// GetMessageA answers -1 when it fails; a loop on "non-zero" would never end.
TEST(RunSaverWindow, AFailingMessageQueueEndsTheLoopWithFailure) {
    SaverHarness h;
    h.platform.getMessageError = 1;
    h.platform.queue.push_back({kWindow, WmKeyDown, 0, 0});
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0), NoWindowExitCode);
    EXPECT_EQ(h.platform.getMessageError, 0);
    EXPECT_FALSE(h.platform.queueRanDry);
}
