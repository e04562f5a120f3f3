#include "host/window.h"

#include "host/messages.h"
#include "host/password.h"
#include "resources/resource.h"

namespace virelo {
namespace {

bool IsInputMessage(std::uint32_t m) {
    return m == WmKeyDown || m == WmSysKeyDown || m == WmMouseMove || m == WmLButtonDown ||
           m == WmRButtonDown || m == WmMButtonDown;
}

void PostClose(Host& host, HostPlatform& platform) {
    platform.PostMessageA(host.SaverWindow, WmClose, 0, 0);  // queued, never sent
}

// Takes the window off the input method, if the process already has one loaded.
void DetachInputMethod(Host& host, HostPlatform& platform, WindowHandle window) {
    host.ImeModule = platform.GetModuleHandleA("IMM32.DLL");
    if (host.ImeModule == 0) return;
    host.ImeAssociate = platform.GetProcAddress(host.ImeModule, "ImmAssociateContext");
    if (host.ImeAssociate != 0)
        host.PreviousImeContext = platform.CallImmAssociateContext(host.ImeAssociate, window, 0);
}

void RestoreInputMethod(Host& host, HostPlatform& platform, WindowHandle window) {
    if (host.ImeModule != 0 && host.ImeAssociate != 0 && host.PreviousImeContext != 0)
        platform.CallImmAssociateContext(host.ImeAssociate, window, host.PreviousImeContext);
}

}  // namespace

InputDecision ApplyInputRules(std::uint32_t message, WParam wParam, Point current, Point saved) {
    InputDecision d;
    d.savedCursor = saved;
    switch (message) {
    case WmShowWindow:
        d.hideCursor = wParam != 0;
        break;
    case WmActivateApp:
        d.postClose = wParam == 0;  // losing activation
        break;
    case WmSetCursor:
        d.hideCursor = true;
        d.callDefault = false;
        d.answer = 1;
        break;
    case WmKeyDown:
    case WmSysKeyDown:
    case WmLButtonDown:
    case WmRButtonDown:
    case WmMButtonDown:
        d.postClose = true;
        break;
    case WmMouseMove:
        // Small moves leave the saved point alone, so they add up against it.
        if (CursorDistance(current, saved) > MouseMoveThreshold) {
            d.postClose = true;
            d.savedCursor = current;
        }
        break;
    default:
        break;
    }
    return d;
}

LResult HostWindowProc(Host& host, HostPlatform& platform, SaverAnimation& animation,
                       WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
    case WmCreate:
        DetachInputMethod(host, platform, window);
        platform.GetCursorPos(&host.SavedCursorPos);
        if (!host.IsPreview) platform.SetCursor(0);
        break;
    case WmDestroy:
        RestoreInputMethod(host, platform, window);
        platform.PostQuitMessage(0);
        break;
    case WmSetText:
        return 0;  // the title never changes
    case WmPaint:
        if (host.CloseApproved) return platform.DefWindowProcA(window, message, wParam, lParam);
        if (!host.IsPreview) platform.SetCursor(0);
        break;
    case WmHelp:
    case WmContextMenu:
        if (host.IsPreview) {
            const WindowHandle parent = platform.GetParent(window);
            if (parent != 0 && platform.IsWindow(parent))
                platform.PostMessageA(parent, message, parent, lParam);
            return 1;
        }
        break;
    case WmSysCommand:
        if (!host.IsPreview &&
            (wParam == ScNextWindow || wParam == ScPrevWindow || wParam == ScScreenSave))
            return 0;  // dropped
        break;
    case WmTimer:
        if (host.CloseApproved) return 0;  // the animation stands still while closing
        platform.Sleep(0);
        break;
    default:
        if (IsInputMessage(message) && host.CloseApproved)
            return platform.DefWindowProcA(window, message, wParam, lParam);
        break;
    }
    return animation.ScreenSaverProc(window, message, wParam, lParam);
}

LResult HostDefaultProc(Host& host, HostPlatform& platform, WindowHandle window,
                        std::uint32_t message, WParam wParam, LParam lParam) {
    const auto platformDefault = [&] {
        return platform.DefWindowProcA(window, message, wParam, lParam);
    };
    if (host.IsPreview || host.CloseApproved) return platformDefault();

    if (message == WmClose) {
        if (host.IsWindows9x && !CheckPasswordOnClose(host, platform, window)) {
            // Refused: measure the next movement from where the mouse is now.
            platform.GetCursorPos(&host.SavedCursorPos);
            return 0;
        }
        return platformDefault();  // destroys the window
    }
    if (message == AskPasswordMessage) {
        if (host.IsWindows9x) return AnswerPasswordQuestion(host, platform, window);
        return platformDefault();
    }
    if (host.PasswordCheckActive) return platformDefault();

    Point current{0, 0};
    if (message == WmMouseMove) platform.GetCursorPos(&current);  // not the message's own
    const InputDecision d = ApplyInputRules(message, wParam, current, host.SavedCursorPos);
    if (d.hideCursor) platform.SetCursor(0);
    if (d.postClose) PostClose(host, platform);
    host.SavedCursorPos = d.savedCursor;
    return d.callDefault ? platformDefault() : d.answer;
}

Rect FullScreenArea(HostPlatform& platform) {
    const int width = platform.GetSystemMetrics(SmCxVirtualScreen);
    const int height = platform.GetSystemMetrics(SmCyVirtualScreen);
    if (width <= 0 || height <= 0)
        return {0, 0, platform.GetSystemMetrics(SmCxScreen), platform.GetSystemMetrics(SmCyScreen)};
    // The primary monitor's top-left is (0, 0); monitors left of or above it make the
    // origin negative.
    const int left = platform.GetSystemMetrics(SmXVirtualScreen);
    const int top = platform.GetSystemMetrics(SmYVirtualScreen);
    return {left, top, left + width, top + height};
}

std::int32_t RunSaverWindow(Host& host, HostPlatform& platform, WindowHandle parent) {
    WindowClass wc;
    wc.style = SaverClassStyle;
    wc.instance = host.ModuleHandle;
    wc.icon = platform.LoadIconA(host.ModuleHandle, IDI_VIRELO);
    wc.background = platform.GetStockObject(BlackBrush);
    wc.className = SaverClassName;

    Rect area{0, 0, 0, 0};
    if (parent != 0) {
        platform.GetClientRect(parent, &area);  // left and top are 0
        host.IsPreview = true;
    } else {
        area = FullScreenArea(platform);
        // One full-screen saver at a time: bring the running one forward instead.
        const WindowHandle running = platform.FindWindowA(SaverClassName, FullScreenTitle);
        if (running != 0 && platform.IsWindow(running)) {
            platform.SetForegroundWindow(running);
            return 0;
        }
        LoadPasswordVerifier(host, platform);
    }

    std::int32_t result = NoWindowExitCode;
    if (platform.RegisterClassA(wc) != 0) {
        const bool preview = parent != 0;
        host.SaverWindow = platform.CreateWindowExA(
            preview ? 0 : FullScreenExStyle, SaverClassName, preview ? PreviewTitle : FullScreenTitle,
            preview ? PreviewStyle : FullScreenStyle, area.left, area.top,
            area.right - area.left, area.bottom - area.top, parent);
    }
    if (host.SaverWindow != 0) {
        if (parent == 0) platform.SetForegroundWindow(host.SaverWindow);
        // Windows destroys a preview with its parent when the parent's process dies; Wine
        // takes the window away without a WM_DESTROY and its timer with it. A timer of the
        // thread's own, which lives on, looks for the parent on each of its ticks.
        if (parent != 0) platform.SetTimer(0, ParentCheckTimer, ParentCheckMs);
        Message msg;
        int got = 0;
        // GetMessageA answers -1 on failure; looping on "non-zero" would spin for ever.
        while ((got = platform.GetMessageA(&msg, 0, 0, 0)) > 0) {
            if (msg.window == 0 && msg.message == WmTimer) {
                if (platform.IsWindow(parent)) continue;
                msg.wParam = 0;
                got = 0;
                break;
            }
            platform.TranslateMessage(msg);
            platform.DispatchMessageA(msg);
        }
        result = got == 0 ? static_cast<std::int32_t>(msg.wParam) : NoWindowExitCode;
    }
    UnloadPasswordVerifier(host, platform);
    return result;
}

}  // namespace virelo
