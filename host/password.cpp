#include "host/password.h"

#include "host/messages.h"

namespace virelo {

void SetSaverRunning(Host& host, HostPlatform& platform, bool on) {
    if (!host.IsWindows9x) return;
    std::uint32_t previous = 0;  // receives the old state; not read
    platform.SystemParametersInfoA(SpiScreenSaverRunning, on ? 1u : 0u, &previous, 0);
}

void UnloadPasswordVerifier(Host& host, HostPlatform& platform) {
    if (!host.IsWindows9x || host.VerifierModule == 0) return;
    platform.FreeLibrary(host.VerifierModule);
    host.VerifierModule = 0;
    if (host.VerifyPassword != 0) {
        host.VerifyPassword = 0;
        SetSaverRunning(host, platform, false);
    }
}

void LoadPasswordVerifier(Host& host, HostPlatform& platform) {
    if (!host.IsWindows9x) return;
    if (host.VerifierModule != 0) UnloadPasswordVerifier(host, platform);

    KeyHandle desktop = 0;
    if (platform.RegOpenKeyA(CurrentUserKey, "Control Panel\\Desktop", &desktop) != ErrorSuccess)
        return;
    // A value shorter than 4 bytes fills only the low bytes of this zeroed buffer; a
    // longer one fails the read. The type is not asked for.
    std::uint32_t usePassword = 0;
    std::uint32_t size = sizeof usePassword;
    if (platform.RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, &usePassword,
                                  &size) == ErrorSuccess &&
        usePassword != 0) {
        host.VerifierModule = platform.LoadLibraryA("PASSWORD.CPL");
        if (host.VerifierModule != 0) {
            host.VerifyPassword = platform.GetProcAddress(host.VerifierModule, "VerifyScreenSavePwd");
            if (host.VerifyPassword != 0)
                SetSaverRunning(host, platform, true);
            else
                UnloadPasswordVerifier(host, platform);
        }
    }
    platform.RegCloseKey(desktop);
}

bool CheckPasswordOnClose(Host& host, HostPlatform& platform, WindowHandle window) {
    if (host.PasswordCheckActive) return false;  // a question is open: no second one
    if (host.VerifyPassword == 0) {
        host.CloseApproved = true;
        return true;
    }
    const std::uint32_t now = platform.GetTickCount();
    // Unsigned subtraction: a wrap of the tick counter between questions does not block.
    if (host.LastCheckTick != NoCheckYet && now - host.LastCheckTick < PasswordPauseMs)
        return false;

    host.PasswordCheckActive = true;
    // Drop at most two ticks that queued up before the question.
    Message dropped;
    platform.PeekMessageA(&dropped, window, WmTimer, WmTimer, PmRemoveNoYield);
    platform.PeekMessageA(&dropped, window, WmTimer, WmTimer, PmRemoveNoYield);
    const LResult answer = platform.SendMessageA(window, AskPasswordMessage, 0, 0);
    if (answer != 0) host.CloseApproved = true;
    host.PasswordCheckActive = false;
    if (answer == 0) platform.SetCursor(0);
    host.LastCheckTick = platform.GetTickCount();
    return host.CloseApproved;
}

LResult AnswerPasswordQuestion(Host& host, HostPlatform& platform, WindowHandle window) {
    if (host.VerifyPassword == 0) return 1;
    return platform.CallVerifyScreenSavePwd(host.VerifyPassword, window);
}

void ChangeSaverPassword(HostPlatform& platform, WindowHandle owner) {
    const LibraryHandle mpr = platform.LoadLibraryA("MPR.DLL");
    if (mpr == 0) return;
    const ProcAddress change = platform.GetProcAddress(mpr, "PwdChangePasswordA");
    if (change != 0) platform.CallPwdChangePasswordA(change, "SCRSAVE", owner, 0, 0);
    platform.FreeLibrary(mpr);
}

}  // namespace virelo
