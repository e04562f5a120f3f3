// The saver window: the route of a message, the input rules, the mouse rule, preview, and
// RunSaverWindow's sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "host/messages.h"
#include "host/window.h"
#include "saver_harness.h"

using namespace virelo;
using virelo::testing::FakePlatform;
using virelo::testing::SaverHarness;

namespace {

constexpr WindowHandle kWindow = FakePlatform::Window;
const std::string kWhole = "host > animation > host default > platform";

int ClosesPosted(const FakePlatform& p) {
    int n = 0;
    for (const Message& m : p.posted) {
        if (m.message != WmClose) continue;
        EXPECT_EQ(std::tuple(m.window, m.wParam, m.lParam), std::tuple(kWindow, WParam{0}, LParam{0}));
        ++n;
    }
    return n;
}

// The fields of a created window that the mode decides.
auto Made(const FakePlatform::Created& c) {
    return std::tuple(c.exStyle, c.style, c.className, c.title, c.width, c.height, c.parent);
}

enum class Window { FullScreen, Preview, Approved };  // Approved: full screen, close approved

}  // namespace

// ---- the route ------------------------------------------------------------------------

TEST(MessageRoute, WhereEachMessageStopsAndWhatItAnswers) {
    struct Case {
        const char* what;
        Window window;
        std::uint32_t message;
        WParam wParam;
        LParam lParam;
        LResult answer;
        std::string route;
        int hides, frames;  // cursor hides and frames drawn
    };
    const Case cases[] = {
        {"a key release", Window::FullScreen, WmKeyUp, 0, 0, 0, kWhole, 0, 0},
        {"the erase stops in the animation", Window::FullScreen, WmEraseBkgnd, 0xDC, 0, 0, "host > animation", 0, 0},
        {"the title is answered by the host alone", Window::FullScreen, WmSetText, 0, 1234, 0, "host", 0, 0},
        {"the cursor is hidden, answered 1 without the platform", Window::FullScreen, WmSetCursor, 0, 0, 1,
         "host > animation > host default", 1, 0},
        {"a tick yields once, then animates", Window::FullScreen, WmTimer, 1, 0, 0, kWhole, 0, 1},
        {"SC_NEXTWINDOW is dropped", Window::FullScreen, WmSysCommand, ScNextWindow, 0, 0, "host", 0, 0},
        {"SC_PREVWINDOW is dropped", Window::FullScreen, WmSysCommand, ScPrevWindow, 0, 0, "host", 0, 0},
        {"SC_SCREENSAVE is dropped", Window::FullScreen, WmSysCommand, ScScreenSave, 0, 0, "host", 0, 0},
        {"SC_CLOSE goes on", Window::FullScreen, WmSysCommand, 0xF060, 0, 0, kWhole, 0, 0},
        {"exact command values only", Window::FullScreen, WmSysCommand, ScScreenSave + 1, 0, 0, kWhole, 0, 0},
        {"a preview forwards every command", Window::Preview, WmSysCommand, ScScreenSave, 0, 0, kWhole, 0, 0},
        {"after approval no tick reaches the animation", Window::Approved, WmTimer, 1, 0, 0, "host", 0, 0},
        {"after approval input goes to the platform", Window::Approved, WmKeyDown, 0, 0, 0, "host > platform", 0, 0},
        {"after approval paint goes to the platform", Window::Approved, WmPaint, 0, 0, 0, "host > platform", 0, 0},
        {"after approval the host default defaults everything", Window::Approved, WmActivateApp, 0, 0, 0, kWhole, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SaverHarness h;
        h.host.IsPreview = c.window == Window::Preview;
        h.OpenFullScreen();
        h.host.CloseApproved = c.window == Window::Approved;
        const int hidesBefore = h.platform.cursorHides;
        EXPECT_EQ(h.Send(c.message, c.wParam, c.lParam), c.answer);
        EXPECT_EQ(h.Route(), c.route);
        EXPECT_EQ(h.platform.cursorHides - hidesBefore, c.hides) << "cursor hides";
        EXPECT_EQ(h.platform.surface.frames, c.frames) << "frames";
        EXPECT_EQ(h.platform.sleeps, c.frames) << "yields";
        EXPECT_EQ(ClosesPosted(h.platform), 0);
    }
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

// ---- which input closes -----------------------------------------------------------------

TEST(InputRules, WhichMessagesCloseAndWhichHideTheCursor) {
    struct Case { std::uint32_t message; WParam wParam; int closes, hides; };
    const Case cases[] = {
        // Key and button presses close.
        {WmKeyDown, 0, 1, 0}, {WmSysKeyDown, 0, 1, 0}, {WmLButtonDown, 0, 1, 0}, {WmRButtonDown, 0, 1, 0},
        {WmMButtonDown, 0, 1, 0},
        // Releases, characters, double clicks and the wheel never do.
        {WmKeyUp, 0x1234, 0, 0}, {WmSysKeyUp, 0x1234, 0, 0}, {WmChar, 0x1234, 0, 0}, {WmLButtonUp, 0x1234, 0, 0},
        {WmRButtonUp, 0x1234, 0, 0}, {WmMButtonUp, 0x1234, 0, 0}, {WmLButtonDblClk, 0x1234, 0, 0},
        {WmMouseWheel, 0x1234, 0, 0}, {WmSysCommand, 0x1234, 0, 0},
        {WmPaint, 0x1234, 0, 1},  // a full-screen paint hides the cursor
        // Losing activation closes, gaining it does not; showing the window hides the cursor.
        {WmActivateApp, 1, 0, 0}, {WmActivateApp, 0, 1, 0}, {WmShowWindow, 0, 0, 0}, {WmShowWindow, 1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("message " + virelo::testing::Hex(c.message) + ", wParam " + virelo::testing::Hex(c.wParam));
        SaverHarness h;
        h.OpenFullScreen();
        const int hidesBefore = h.platform.cursorHides;
        h.Send(c.message, c.wParam);
        EXPECT_EQ(ClosesPosted(h.platform), c.closes);
        EXPECT_EQ(h.platform.cursorHides - hidesBefore, c.hides) << "cursor hides";
        EXPECT_EQ(h.Route(), kWhole) << "then the platform's default";
    }
}

// ---- the mouse rule ---------------------------------------------------------------------

// Moves of the cursor against the point saved at creation, with the closes posted so far.
// Small moves leave the saved point alone, so they add up against it; a close moves it.
TEST(MouseRule, AManhattanDistanceAboveFourCloses) {
    struct Move { Point to; int closes; };
    struct Case { const char* what; Point start; std::vector<Move> moves; };
    const Case cases[] = {
        {"distance four stays, five closes", {100, 100},
         {{{103, 99}, 0} /* 3 + 1 */, {{98, 102}, 0} /* 2 + 2 */, {{103, 102}, 1} /* 3 + 2 */}},
        {"small moves add up against the unchanged saved point", {500, 300},
         {{{501, 300}, 0}, {{502, 300}, 0}, {{503, 300}, 0}, {{504, 300}, 0}, {{505, 300}, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SaverHarness h;
        h.platform.cursor = c.start;
        h.OpenFullScreen();
        Point saved = c.start;
        for (const Move& m : c.moves) {
            const int before = ClosesPosted(h.platform);
            h.platform.cursor = m.to;
            h.Send(WmMouseMove);
            EXPECT_EQ(ClosesPosted(h.platform), m.closes) << "after the move to " << m.to.x << ", " << m.to.y;
            if (m.closes > before) saved = m.to;
            EXPECT_EQ(h.host.SavedCursorPos, saved) << "after the move to " << m.to.x << ", " << m.to.y;
        }
    }
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
    h.OpenFullScreen();
    for (std::uint32_t m : {WmKeyDown, WmSysKeyDown, WmLButtonDown, WmRButtonDown, WmMButtonDown,
                            WmSetCursor, WmShowWindow, WmPaint}) {
        h.platform.cursor = {400, 400};
        h.Send(m, 1);
    }
    h.Send(WmMouseMove);
    h.Send(WmActivateApp, 0);
    EXPECT_EQ(ClosesPosted(h.platform), 0);
    EXPECT_EQ(h.platform.cursorHides, 0) << "not at creation either";
}

TEST(Preview, HelpAndContextMenuGoToALiveParentWithTheParentsHandle) {
    SaverHarness h;
    h.host.IsPreview = true;
    h.OpenFullScreen();
    h.platform.parentOf[kWindow] = 0x9000;
    EXPECT_EQ(h.Send(WmHelp, 0, 1), 1);
    EXPECT_TRUE(h.platform.posted.empty()) << "the parent is not live: answered 1, sent nowhere";

    h.platform.liveWindows.insert(0x9000);
    h.route.clear();
    EXPECT_EQ(h.Send(WmHelp, 0, 0x1234), 1);
    EXPECT_EQ(h.Send(WmContextMenu, kWindow, 0x00500060), 1);
    ASSERT_EQ(h.platform.posted.size(), 2u);
    const auto sent = [&](int k) {
        const Message& m = h.platform.posted[k];
        return std::tuple(m.window, m.message, m.wParam, m.lParam);
    };
    EXPECT_EQ(sent(0), std::tuple(WindowHandle{0x9000}, WmHelp, WParam{0x9000}, LParam{0x1234}));
    EXPECT_EQ(sent(1), std::tuple(WindowHandle{0x9000}, WmContextMenu, WParam{0x9000}, LParam{0x00500060}));
    EXPECT_EQ(h.Route(), "host > host");
}

TEST(Preview, CloseDestroysAtOnce) {
    SaverHarness h;
    h.host.IsPreview = true;
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

TEST(Closing, InputMethodIsDetachedAndRestoredOnlyWhenAlreadyLoaded) {
    SaverHarness h;
    h.platform.loaded["IMM32.DLL"] = 0x1100;
    h.platform.entries[{0x1100, "ImmAssociateContext"}] = 0x1101;
    h.OpenFullScreen();
    ASSERT_EQ(h.platform.imeCalls.size(), 1u);
    EXPECT_EQ(h.platform.imeCalls[0], std::make_pair(ImeContext{0}, kWindow));
    h.Send(WmClose);
    ASSERT_EQ(h.platform.imeCalls.size(), 2u);
    EXPECT_EQ(h.platform.imeCalls[1], std::make_pair(h.platform.imePrevious, kWindow));

    SaverHarness none;
    none.OpenFullScreen();
    none.Send(WmClose);
    EXPECT_TRUE(none.platform.imeCalls.empty());
    for (const std::string& c : none.platform.calls) EXPECT_NE(c, "LoadLibraryA IMM32.DLL");
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
    // Topmost; popup, visible, clipping siblings and children; the screen's size.
    EXPECT_EQ(Made(h.platform.created[0]),
              std::tuple(0x8u, 0x96000000u, std::string("WindowsScreenSaverClass"), std::string("Screen Saver"),
                         1024, 768, WindowHandle{0}));
    // Own DC, double clicks, redrawn on resizing; the module's icon, a black background, no cursor.
    const WindowClass& wc = h.platform.registered;
    EXPECT_EQ(std::tuple(std::string(wc.className), wc.style, wc.instance, wc.icon, wc.background, wc.cursor),
              std::tuple(std::string("WindowsScreenSaverClass"), 0x2Bu, LibraryHandle{0x400000},
                         h.platform.LoadIconA(0, 100), h.platform.GetStockObject(BlackBrush), GdiHandle{0}));
    EXPECT_EQ(h.platform.broughtForward, std::vector<WindowHandle>{kWindow});
    EXPECT_EQ(h.platform.surface.frames, 1);
    EXPECT_FALSE(h.platform.windowAlive);
    EXPECT_EQ(h.host.SaverWindow, kWindow);
}

// Every monitor: the virtual screen, whose origin is negative when a monitor lies left of or
// above the primary one; the primary screen where the system knows no virtual screen.
TEST(RunSaverWindow, FullScreenCoversTheVirtualScreenOrElseThePrimary) {
    struct Case { int x, y, cx, cy; int left, top, width, height; };
    for (const Case c : {Case{-800, -132, 1824, 900, -800, -132, 1824, 900},  // two monitors
                         Case{0, 0, 0, 0, 0, 0, 1024, 768},                    // Windows 95, NT 4
                         Case{0, 0, 1824, 0, 0, 0, 1024, 768}}) {
        SaverHarness h;
        h.platform.metrics = {{0, 1024}, {1, 768}, {76, c.x}, {77, c.y}, {78, c.cx}, {79, c.cy}};
        h.platform.queue.push_back({kWindow, WmKeyDown, 0x20, 0});
        EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0), 0);
        ASSERT_EQ(h.platform.created.size(), 1u);
        const FakePlatform::Created& w = h.platform.created[0];
        EXPECT_EQ(std::tuple(w.x, w.y, w.width, w.height), std::tuple(c.left, c.top, c.width, c.height))
            << "virtual screen " << c.x << "," << c.y << " " << c.cx << "x" << c.cy;
    }
}

TEST(RunSaverWindow, SecondFullScreenSaverBringsTheFirstForwardButARunningPreviewDoesNotCount) {
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

    SaverHarness p;
    p.platform.topLevel[{"WindowsScreenSaverClass", "Preview"}] = 0x6000;
    p.platform.liveWindows.insert(0x6000);
    p.platform.queue.push_back({kWindow, WmLButtonDown, 0, 0});
    EXPECT_EQ(RunSaverWindow(p.host, p.platform, 0), 0);
    EXPECT_EQ(p.platform.created.size(), 1u) << "a preview is no running saver";
}

TEST(RunSaverWindow, PreviewIsAChildOfTheParentsClientSize) {
    SaverHarness h;
    h.platform.clientOf[0x9000] = {0, 0, 152, 112};
    h.platform.queue.push_back({kWindow, WmKeyDown, 0, 0});  // ignored in preview
    h.platform.queue.push_back({kWindow, WmClose, 0, 0});
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0x9000), 0);
    EXPECT_TRUE(h.host.IsPreview);
    ASSERT_EQ(h.platform.created.size(), 1u);
    // Child, visible, clipping children.
    EXPECT_EQ(Made(h.platform.created[0]),
              std::tuple(0u, 0x52000000u, std::string("WindowsScreenSaverClass"), std::string("Preview"), 152,
                         112, WindowHandle{0x9000}));
    EXPECT_TRUE(h.platform.broughtForward.empty());
    for (const std::string& c : h.platform.calls) EXPECT_FALSE(c.starts_with("FindWindowA")) << c;
}

// Wine takes a dead parent's child away without WM_DESTROY: the thread's own timer (window
// 0) finds the parent gone and ends the preview with 0, before anything else is dispatched.
// While the parent lives its ticks change nothing; full screen has no such timer.
TEST(RunSaverWindow, APreviewEndsWithZeroOnTheFirstTickThatFindsItsParentGone) {
    for (const bool parentAlive : {true, false}) {
        SaverHarness h;
        if (parentAlive) h.platform.liveWindows.insert(0x9000);
        h.platform.queue.push_back({0, WmTimer, 7, 0});
        h.platform.queue.push_back({kWindow, WmTimer, 1, 0});
        h.platform.queue.push_back({kWindow, WmClose, 0, 0});
        EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0x9000), 0);
        EXPECT_EQ(std::tuple(h.platform.surface.frames, h.platform.windowAlive, h.platform.queue.size()),
                  parentAlive ? std::tuple(1, false, std::size_t{0}) : std::tuple(0, true, std::size_t{2}));
        EXPECT_EQ(std::count(h.platform.calls.begin(), h.platform.calls.end(), "SetTimer 2 100"), 1);
    }
    SaverHarness f;
    f.platform.queue.push_back({kWindow, WmKeyDown, 0, 0});
    EXPECT_EQ(RunSaverWindow(f.host, f.platform, 0), 0);
    EXPECT_EQ(std::count(f.platform.calls.begin(), f.platform.calls.end(), "SetTimer 2 100"), 0);
}

TEST(RunSaverWindow, NoWindowReportsFailureAndStillUnloadsTheVerifier) {
    SaverHarness h;
    h.host.IsWindows9x = true;
    h.platform.SetDword("HKCU\\Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    h.platform.loadable["PASSWORD.CPL"] = 0x7100;
    h.platform.entries[{0x7100, "VerifyScreenSavePwd"}] = 0x7101;
    h.platform.registerFails = true;
    EXPECT_EQ(RunSaverWindow(h.host, h.platform, 0), NoWindowExitCode) << "registration failed";
    EXPECT_TRUE(h.platform.created.empty());
    EXPECT_EQ(h.platform.freed, std::vector<LibraryHandle>{0x7100});
    EXPECT_EQ(h.platform.saverRunning, (std::vector<std::uint32_t>{1, 0}));

    SaverHarness c;
    c.platform.createFails = true;
    EXPECT_EQ(RunSaverWindow(c.host, c.platform, 0), NoWindowExitCode) << "creation failed";
    EXPECT_TRUE(c.platform.broughtForward.empty());
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
